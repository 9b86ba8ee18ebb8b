// The publication figure without Qt: titles, ticks, text widths, label
// placement on crowded plots and the SVG text.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/messages.hpp"
#include "figure/figure_file.hpp"
#include "figure/figure_layout.hpp"
#include "figure/font_metrics.hpp"
#include "figure/label_placement.hpp"
#include "figure/session_figure.hpp"
#include "figure/svg_writer.hpp"

using namespace zeltric::figure;

namespace {

FigureAxis axis(int number, double inertia, double fst) {
    FigureAxis a;
    a.number = number;
    a.percentInertia = inertia;
    a.fst = fst;
    return a;
}

// Samples scattered (fixed seed) within a square of side `spread` around
// (cx, cy), labelled "Sample 1", "Sample 2", ...
FigureInput crowd(int count, double spread, unsigned seed) {
    FigureInput input;
    input.horizontal = axis(1, 39.4, 0.033);
    input.vertical = axis(2, 20.1, 0.017);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> offset(-spread / 2, spread / 2);
    // Two far samples set the scale, so the crowd fills a small part of the frame.
    input.samples.push_back({-1.0, -1.0, "West", 0});
    input.samples.push_back({1.0, 1.0, "East", 0});
    for (int i = 1; i <= count; ++i)
        input.samples.push_back({0.3 + offset(random), -0.2 + offset(random), "Sample " + std::to_string(i), 0});
    return input;
}

// Every placed label inside the frame, clear of every marker, every other
// label and every leader; leaders clear of other markers and labels.
void expectClearLayout(const FigureLayout& f) {
    const double r = f.style.placement.markerRadius;
    for (std::size_t i = 0; i < f.labels.size(); ++i) {
        const Rect& box = f.labels[i].box;
        SCOPED_TRACE("label " + f.labels[i].text);
        EXPECT_TRUE(f.frame.contains(box));
        for (const FigureMarker& m : f.markers)
            EXPECT_FALSE(box.overlaps(Rect{m.centre.x - r, m.centre.y - r, m.centre.x + r, m.centre.y + r}));
        for (std::size_t k = 0; k < f.labels.size(); ++k) {
            if (k == i) continue;
            EXPECT_FALSE(box.overlaps(f.labels[k].box)) << "with " << f.labels[k].text;
            if (f.labels[k].kind == LabelPlace::Kind::Leader) {
                EXPECT_FALSE(segmentCrosses(f.labels[k].leaderStart, f.labels[k].leaderEnd, box));
            }
        }
        // The text fits its box: measured width and the font's height.
        EXPECT_LE(textWidth(f.labels[i].text, f.style.labelSize), box.width());
        EXPECT_GE(f.labels[i].baseline.x, box.left);
    }
}

// A small XML check: tags balance, attributes are quoted, and the texts of
// <text> and <title> elements come back unescaped.
struct XmlCheck {
    bool wellFormed = true;
    std::vector<std::string> texts;
    std::string rootAttributes;
};

std::string unescape(std::string s) {
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}};
    for (const auto& [from, to] : entities)
        for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + 1))
            s.replace(at, std::string(from).size(), to);
    return s;
}

XmlCheck checkXml(const std::string& doc) {
    XmlCheck result;
    std::vector<std::string> open;
    std::size_t i = doc.find("?>");
    if (doc.rfind("<?xml ", 0) != 0 || i == std::string::npos) return {false, {}, {}};
    i += 2;
    while (i < doc.size()) {
        const std::size_t lt = doc.find('<', i);
        if (lt == std::string::npos) break;
        const std::string between = doc.substr(i, lt - i);
        if (between.find('>') != std::string::npos) result.wellFormed = false;
        if (!open.empty() && (open.back() == "text" || open.back() == "title"))
            result.texts.push_back(unescape(between));
        const std::size_t gt = doc.find('>', lt);
        if (gt == std::string::npos) return {false, {}, {}};
        std::string tag = doc.substr(lt + 1, gt - lt - 1);
        if (tag.find('<') != std::string::npos) result.wellFormed = false;
        if (std::count(tag.begin(), tag.end(), '"') % 2 != 0) result.wellFormed = false;
        if (!tag.empty() && tag[0] == '/') {
            if (open.empty() || open.back() != tag.substr(1)) result.wellFormed = false;
            if (!open.empty()) open.pop_back();
        } else {
            const bool empty = !tag.empty() && tag.back() == '/';
            const std::string name = tag.substr(0, tag.find_first_of(" /"));
            if (name == "svg") result.rootAttributes = tag;
            if (!empty) open.push_back(name);
        }
        i = gt + 1;
    }
    if (!open.empty()) result.wellFormed = false;
    return result;
}

}  // namespace

TEST(AxisTitle, InertiaFstAndPOnlyAfterATest) {
    FigureAxis a = axis(1, 39.43f, 0.0334);
    EXPECT_EQ(axisTitle(a), "Axis 1 (39.4 % of inertia, Fst 0.033)");
    a.pValue = 0.013;
    a.randomisations = 1000;
    EXPECT_EQ(axisTitle(a), "Axis 1 (39.4 % of inertia, Fst 0.033, P = 0.013)");
    // No randomised value reached the observed one: P is 1/R, stored in single precision.
    a.pValue = static_cast<double>(static_cast<float>(1.0 / 1000.0));
    EXPECT_EQ(axisTitle(a), "Axis 1 (39.4 % of inertia, Fst 0.033, P \u2264 0.001)");
    a.pValue = 0.002;
    EXPECT_EQ(pValueText(*a.pValue, 1000), "P = 0.002");
    EXPECT_EQ(pValueText(static_cast<float>(1.0 / 15000.0), 15000), "P \u2264 0.000067");
    EXPECT_EQ(pValueText(static_cast<float>(2.0 / 15000.0), 15000), "P = 0.00013");
    a.interval = "95 % interval 35.1\u201343.0";
    EXPECT_EQ(axisTitle(a), "Axis 1 (39.4 % of inertia, 95 % interval 35.1\u201343.0, Fst 0.033, P = 0.002)");
}

TEST(NiceTicks, StepsOfOneTwoOrFiveWithTrueMinus) {
    const auto ticks = niceTicks(-0.23, 0.41);
    std::vector<std::string> texts;
    for (const auto& t : ticks) texts.push_back(t.second);
    EXPECT_EQ(texts, (std::vector<std::string>{"\u22120.2", "\u22120.1", "0.0", "0.1", "0.2", "0.3", "0.4"}));
    const auto wide = niceTicks(-12.0, 37.0);
    EXPECT_EQ(wide.front().second, "\u221210");
    EXPECT_EQ(wide.back().second, "30");
    EXPECT_TRUE(niceTicks(1.0, 1.0).empty());
}

TEST(AxisScale, ZeroInsideTheWidenedSpanAndTheLayoutDrawsItsTicks) {
    FigureInput input;
    input.horizontal = axis(1, 39.4, 0.033);
    input.vertical = axis(2, 20.1, 0.017);
    input.samples = {{0.2, -0.5, "a", 0}, {0.7, -0.1, "b", 0}, {0.4, -0.3, "c", 0}};
    // Horizontal: 0..0.7 widened by 8 % of the span on each side; zero is in it.
    const AxisScale x = axisScale(input.samples, true);
    EXPECT_DOUBLE_EQ(x.lo, -0.08 * 0.7);
    EXPECT_DOUBLE_EQ(x.hi, 0.7 + 0.08 * 0.7);
    EXPECT_EQ(x.ticks, niceTicks(x.lo, x.hi));
    const AxisScale y = axisScale(input.samples, false);
    EXPECT_DOUBLE_EQ(y.lo, -0.5 - 0.08 * 0.5);
    EXPECT_DOUBLE_EQ(y.hi, 0.08 * 0.5);
    // A figure of each axis filling its side shows exactly these ticks, in
    // the same order.
    input.oneScale = false;
    const FigureLayout layout = layoutFigure(input);
    ASSERT_EQ(layout.xTicks.size(), x.ticks.size());
    ASSERT_EQ(layout.yTicks.size(), y.ticks.size());
    for (std::size_t i = 0; i < x.ticks.size(); ++i) EXPECT_EQ(layout.xTicks[i].text, x.ticks[i].second);
    for (std::size_t i = 0; i < y.ticks.size(); ++i) EXPECT_EQ(layout.yTicks[i].text, y.ticks[i].second);
    EXPECT_DOUBLE_EQ(layout.xTicks.front().position - layout.frame.left,
                     (x.ticks.front().first - x.lo) / (x.hi - x.lo) * layout.frame.width());
}

// One scale for both axes: the side with room to spare shrinks to its span,
// never below a third of its size asked, and the figure draws these ranges.
TEST(AxisScale, OneScaleFitsBothSpansWithinTheFrameAsked) {
    AxisScale x{-1.0, 3.0, {}};
    AxisScale y{-0.5, 0.5, {}};
    FrameSides sides = fitOneScale(x, y, 400.0, 300.0);
    EXPECT_DOUBLE_EQ(sides.width, 400.0);  // 100 points per unit
    EXPECT_DOUBLE_EQ(sides.height, 100.0);
    EXPECT_DOUBLE_EQ(x.lo, -1.0);
    EXPECT_DOUBLE_EQ(y.hi, 0.5);
    EXPECT_EQ(y.ticks, niceTicks(-0.5, 0.5));
    // A flat span: its side keeps a third of the height asked, the range widening.
    x = {-1.0, 3.0, {}};
    y = {-0.1, 0.1, {}};
    sides = fitOneScale(x, y, 400.0, 300.0);
    EXPECT_DOUBLE_EQ(sides.height, 100.0);
    EXPECT_DOUBLE_EQ(y.lo, -0.5);
    EXPECT_DOUBLE_EQ(y.hi, 0.5);
    // A tall span: the width shrinks.
    x = {0.0, 1.0, {}};
    y = {0.0, 2.0, {}};
    sides = fitOneScale(x, y, 400.0, 300.0);
    EXPECT_DOUBLE_EQ(sides.height, 300.0);
    EXPECT_DOUBLE_EQ(sides.width, 150.0);
    EXPECT_EQ(x.ticks, niceTicks(0.0, 1.0));

    FigureInput input;
    input.samples = {{0.2, -0.5, "a", 0}, {0.7, -0.1, "b", 0}};
    AxisScale fx = axisScale(input.samples, true);
    AxisScale fy = axisScale(input.samples, false);
    const FigureLayout layout = layoutFigure(input);
    fitOneScale(fx, fy, layout.frame.width(), layout.frame.height());
    ASSERT_EQ(layout.xTicks.size(), fx.ticks.size());
    for (std::size_t i = 0; i < fx.ticks.size(); ++i) EXPECT_EQ(layout.xTicks[i].text, fx.ticks[i].second);
}

TEST(AxisScale, EverySampleAtZeroOrNotFiniteGivesMinusOneToOne) {
    const std::vector<FigureSample> zero = {{0.0, 0.0, "a", 0}, {0.0, 0.0, "b", 0}};
    const AxisScale scale = axisScale(zero, true);
    EXPECT_EQ(scale.lo, -1.0);
    EXPECT_EQ(scale.hi, 1.0);
    EXPECT_FALSE(scale.ticks.empty());
    const std::vector<FigureSample> nan = {{std::nan(""), 2.0, "a", 0}};
    EXPECT_EQ(axisScale(nan, true).lo, -1.0);
    EXPECT_DOUBLE_EQ(axisScale(nan, false).hi, 2.16);
    EXPECT_TRUE(axisScale({}, false).hi == 1.0);
}

TEST(FontMetrics, DejaVuAdvancesAndUnknownCharacters) {
    EXPECT_EQ(kDejaVuSans.unitsPerEm, 2048);
    EXPECT_DOUBLE_EQ(textWidth("0", 2048.0), 1303.0);
    EXPECT_DOUBLE_EQ(textWidth("10", 10.0), 2.0 * 1303.0 * 10.0 / 2048.0);
    // A character outside the table counts one em; a broken byte is U+FFFD.
    EXPECT_DOUBLE_EQ(textWidth("\xE6\x9D\xB1", 10.0), 10.0);
    EXPECT_EQ(decodeUtf8("a\xFFz"), (std::u32string{U'a', 0xFFFD, U'z'}));
    EXPECT_EQ(decodeUtf8("\xC3\xA9"), std::u32string{0xE9});
    EXPECT_EQ(decodeUtf8("\xC0\xAF"), (std::u32string{0xFFFD, 0xFFFD}));  // overlong
    EXPECT_EQ(encodeUtf8(decodeUtf8("Rh\xC3\xB4ne \xE2\x89\xA4")), "Rh\xC3\xB4ne \xE2\x89\xA4");
}

TEST(LabelPlacement, SparseSamplesAllSitBesideTheirMarkers) {
    FigureInput input;
    input.horizontal = axis(1, 40, 0.1);
    input.vertical = axis(2, 20, 0.05);
    input.samples = {{-2.0, 1.0, "Loire", 0x0000ff},
                     {1.0, -0.5, "Rhone", 0xff0000},
                     {0.0, 0.0, "Seine", 0},
                     {1.5, -1.0, "Somme", 0x00ff00}};
    const FigureLayout f = layoutFigure(input);
    ASSERT_EQ(f.labels.size(), 4u);
    EXPECT_EQ(f.omitted, 0);
    EXPECT_TRUE(f.secondNote.empty());
    for (const FigureLabel& l : f.labels) EXPECT_EQ(l.kind, LabelPlace::Kind::Near);
    expectClearLayout(f);
    // The vertical axis grows upwards: sample 1 (y = 1) lies above the zero line.
    EXPECT_LT(f.markers[0].centre.y, *f.zeroY);
    EXPECT_GT(f.markers[3].centre.y, *f.zeroY);
    EXPECT_EQ(f.markers[1].rgb, 0xff0000u);
}

TEST(LabelPlacement, CrowdsKeepLabelsApartAndCountTheOmitted) {
    for (const int count : {50, 500}) {
        SCOPED_TRACE(count);
        const FigureLayout f = layoutFigure(crowd(count, 0.08, 7));
        expectClearLayout(f);
        const int samples = count + 2;
        EXPECT_EQ(static_cast<int>(f.labels.size()) + f.omitted, samples);
        EXPECT_GT(f.omitted, 0);
        EXPECT_NE(f.secondNote.find(std::to_string(f.omitted) + " sample labels were left out"),
                  std::string::npos);
        const auto leaders = std::count_if(f.labels.begin(), f.labels.end(), [](const FigureLabel& l) {
            return l.kind == LabelPlace::Kind::Leader;
        });
        EXPECT_GT(leaders, 0);
        // The notes sit under the axis title, inside the figure.
        EXPECT_GT(f.noteStart.y, f.xTitleCentre.y);
        EXPECT_GT(f.secondNoteStart.y, f.noteStart.y);
        EXPECT_LT(f.secondNoteStart.y, f.height);
    }
}

TEST(LabelPlacement, OneLabelLeftOutIsSaidInTheSingular) {
    FigureInput input = crowd(0, 0.0, 1);
    input.samples.push_back({0.0, 0.0, std::string(400, 'W'), 0});  // wider than any frame
    const FigureLayout f = layoutFigure(input);
    EXPECT_EQ(f.omitted, 1);
    EXPECT_EQ(f.secondNote, "1 sample label was left out: there was no room for it near its marker.");
}

// Points per unit along x from two ticks, and along y.
std::pair<double, double> scales(const FigureLayout& f) {
    const auto value = [](std::string text) {
        if (text.rfind("\u2212", 0) == 0) text.replace(0, std::string("\u2212").size(), "-");
        return std::stod(text);
    };
    const auto per = [&](const std::vector<FigureTick>& ticks) {
        const FigureTick& a = ticks.front();
        const FigureTick& b = ticks.back();
        return std::fabs(b.position - a.position) / (value(b.text) - value(a.text));
    };
    return {per(f.xTicks), per(f.yTicks)};
}

// Distances between samples are the message: one unit is as long on both
// axes, the frame shaped by the data within the size asked; "free" fills
// the frame on each axis as before. Every figure says which Fst it gives.
TEST(FigureLayout, BothAxesAtOneScaleUnlessFree) {
    for (const auto& [wide, tall] : std::vector<std::pair<double, double>>{{1.6, 1.5}, {3.0, 0.4}, {0.2, 2.0}}) {
        SCOPED_TRACE(std::to_string(wide) + " x " + std::to_string(tall));
        FigureInput input;
        input.horizontal = axis(1, 39.4, 0.033);
        input.vertical = axis(3, 9.6, 0.011);
        input.samples = {
            {-wide / 2, 0.1, "a", 0}, {wide / 2, -0.1, "b", 0}, {0.1, tall / 2, "c", 0}, {0.0, -tall / 2, "d", 0}};
        const FigureLayout equal = layoutFigure(input);
        const auto [sx, sy] = scales(equal);
        ASSERT_GT(sx, 0.0);
        EXPECT_NEAR(sx, sy, 1e-9 * sx);
        EXPECT_LE(equal.frame.height(), FigureStyle{}.plotHeight + 1e-9);
        EXPECT_LE(equal.frame.right, FigureStyle{}.width);
        // Markers stay inside the frame.
        for (const FigureMarker& m : equal.markers)
            EXPECT_TRUE(equal.frame.contains(Rect{m.centre.x, m.centre.y, m.centre.x, m.centre.y}));
        EXPECT_EQ(equal.note, zeltric::base::figureFstNote());

        input.oneScale = false;
        const FigureLayout free = layoutFigure(input);
        EXPECT_EQ(free.frame.height(), FigureStyle{}.plotHeight);
        EXPECT_EQ(free.width, FigureStyle{}.width);
    }
}

TEST(Geometry, SegmentsAgainstBoxesAndSegments) {
    const Rect box{0, 0, 10, 10};
    EXPECT_TRUE(segmentCrosses({-5, 5}, {15, 5}, box));
    EXPECT_FALSE(segmentCrosses({-5, 10}, {15, 10}, box));  // along the edge only
    EXPECT_FALSE(segmentCrosses({-5, -5}, {-1, 20}, box));
    EXPECT_TRUE(segmentCrosses({5, 5}, {5, 6}, box));  // wholly inside
    EXPECT_TRUE(segmentsCross({0, 0}, {10, 10}, {0, 10}, {10, 0}));
    EXPECT_FALSE(segmentsCross({0, 0}, {10, 0}, {0, 1}, {10, 1}));
    EXPECT_TRUE(Rect({0, 0, 10, 10}).overlaps(Rect{9.9, 9.9, 20, 20}));
    EXPECT_FALSE(Rect({0, 0, 10, 10}).overlaps(Rect{10, 0, 20, 10}));
}

TEST(SvgWriter, WellFormedWithEveryLabelAndBothTitles) {
    FigureInput input = crowd(12, 1.6, 3);
    input.samples.push_back({0.5, 0.5, "Tom & \"Jerry\" <b>", 0x00ff00});
    input.samples.push_back({-0.5, 0.5,
                             "bad\xFF"
                             "byte",
                             0});
    input.vertical.pValue = 0.001;
    input.vertical.randomisations = 1000;
    const FigureLayout f = layoutFigure(input);
    ASSERT_EQ(f.omitted, 0);
    const std::string svg = writeSvg(f, "Ordination of samples, axes 1 and 2");
    const XmlCheck xml = checkXml(svg);
    EXPECT_TRUE(xml.wellFormed);
    EXPECT_NE(xml.rootAttributes.find("baseProfile=\"tiny\""), std::string::npos);
    EXPECT_NE(xml.rootAttributes.find("version=\"1.2\""), std::string::npos);
    EXPECT_NE(svg.find("font-family=\"DejaVu Sans\""), std::string::npos);
    const auto has = [&](const std::string& t) {
        return std::find(xml.texts.begin(), xml.texts.end(), t) != xml.texts.end();
    };
    for (const FigureSample& s : input.samples)
        if (s.label !=
            "bad\xFF"
            "byte") {
            EXPECT_TRUE(has(s.label)) << s.label;
        }
    EXPECT_TRUE(
        has("bad\xEF\xBF\xBD"
            "byte"));
    EXPECT_TRUE(has("Axis 1 (39.4 % of inertia, Fst 0.033)"));
    EXPECT_TRUE(has("Axis 2 (20.1 % of inertia, Fst 0.017, P \u2264 0.001)"));
    EXPECT_TRUE(has("Ordination of samples, axes 1 and 2"));
    EXPECT_NE(svg.find("fill=\"#00ff00\""), std::string::npos);
    // One marker per sample; numbers never use a comma.
    EXPECT_EQ(static_cast<std::size_t>(std::count(svg.begin(), svg.end(), '\n')) > input.samples.size(), true);
    std::size_t circles = 0;
    for (std::size_t at = svg.find("<circle"); at != std::string::npos; at = svg.find("<circle", at + 1))
        ++circles;
    EXPECT_EQ(circles, input.samples.size());
}

// Characters XML forbids never reach the SVG (a renderer would refuse the
// figure); they are replaced and the note says how many.
TEST(SvgWriter, CharactersXmlForbidsAreReplacedAndNoted) {
    FigureInput input = crowd(3, 1.6, 5);
    input.samples.push_back({0.5, 0.5,
                             "A\xEF\xBF\xBE"
                             "B\x01"
                             "C",
                             0});
    input.samples.push_back({-0.5, 0.5,
                             "D\xEF\xBF\xBF"
                             "E\x1B",
                             0});
    const FigureLayout f = layoutFigure(input);
    ASSERT_EQ(f.omitted, 0);
    EXPECT_EQ(f.secondNote,
              "4 characters of the labels that SVG cannot hold (control characters, U+FFFE, U+FFFF) "
              "replaced by U+FFFD.");
    const std::string svg = writeSvg(f, "Ordination");
    EXPECT_TRUE(checkXml(svg).wellFormed);
    EXPECT_EQ(svg.find("\xEF\xBF\xBE"), std::string::npos);
    EXPECT_EQ(svg.find("\xEF\xBF\xBF"), std::string::npos);
    for (const char c : svg) EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 && c != '\n') << int(c);
    EXPECT_NE(svg.find("A\xEF\xBF\xBD"
                       "B\xEF\xBF\xBD"
                       "C"),
              std::string::npos);
    EXPECT_NE(svg.find(zeltric::base::figureFstNote().substr(0, 20)), std::string::npos);
    // Without replaced characters nor labels left out, the Fst note stands alone.
    EXPECT_EQ(layoutFigure(crowd(3, 1.6, 5)).secondNote, "");
}

TEST(FigureFile, FormatFromTheExtensionAndSvgWithoutRenderer) {
    EXPECT_EQ(figureFormat("a/b.SVG"), FigureFormat::Svg);
    EXPECT_EQ(figureFormat("fig.pdf"), FigureFormat::Pdf);
    EXPECT_EQ(figureFormat("fig.Png"), FigureFormat::Png);
    EXPECT_FALSE(figureFormat("fig.bmp"));
    EXPECT_FALSE(figureFormat("dir.svg/fig"));
    EXPECT_FALSE(figureFormat("fig"));

    const std::string dir = ::testing::TempDir();
    const std::string svgPath = dir + "/zeltric_figure_test.svg";
    writeFigureFile(svgPath, "<svg/>", kDefaultPngWidth, nullptr);
    std::FILE* file = std::fopen(svgPath.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    char buffer[16] = {};
    EXPECT_EQ(std::fread(buffer, 1, sizeof buffer, file), 6u);
    std::fclose(file);
    std::remove(svgPath.c_str());
    // PDF and PNG need a renderer; nothing is written without one.
    const std::string pdfPath = dir + "/zeltric_figure_test.pdf";
    try {
        writeFigureFile(pdfPath, "<svg/>", kDefaultPngWidth, nullptr);
        ADD_FAILURE() << "no error";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find(pdfPath), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("need the Qt build"), std::string::npos);
    }
    EXPECT_EQ(std::fopen(pdfPath.c_str(), "rb"), nullptr);
}

namespace {

// A finished run of four samples with five allele columns: three reported axes.
std::unique_ptr<zeltric::run::RunResults> fourSampleResults() {
    auto results = std::make_unique<zeltric::run::RunResults>();
    results->runDone = true;
    results->analysed.np = 4;
    results->pca.alleleColumnCount = 5;
    results->pca.dimension = 4;
    for (int s = 1; s <= 4; ++s) {
        results->analysed.populationLabels[static_cast<std::size_t>(s)] =
            "Pop " + std::string(1, char('A' + s - 1));
        for (int k = 1; k <= 3; ++k) results->pca.populationCoordinates(s, k) = static_cast<float>(s * 10 + k);
    }
    results->pca.percentInertia[2] = 30.0f;
    results->pca.observedAxisFst[2] = 0.02f;
    return results;
}

}  // namespace

// The figure takes the run's results, its settings' label flag and the
// colours given as an option; nothing else of the session reaches it.
TEST(SessionFigure, LabelsFromTheSettingsColoursFromTheOptions) {
    const auto results = fourSampleResults();
    zeltric::run::RunSettings settings;
    FigureOptions options;
    options.sampleRgb = {0xFF0000u, 0x01ABCDEFu};  // the second beyond 24 bits: the colour alone

    FigureInput input = figureInput(settings, *results, 2, 3, options);
    ASSERT_EQ(input.samples.size(), 4u);
    EXPECT_EQ(input.samples[0].label, "1");
    EXPECT_EQ(input.samples[3].label, "4");
    EXPECT_EQ(input.samples[1].x, 22.0);
    EXPECT_EQ(input.samples[1].y, 23.0);
    EXPECT_EQ(input.samples[0].rgb, 0xFF0000u);
    EXPECT_EQ(input.samples[1].rgb, 0xABCDEFu);
    EXPECT_EQ(input.samples[2].rgb, 0u);  // beyond the list: black
    EXPECT_EQ(input.horizontal.number, 2);
    EXPECT_DOUBLE_EQ(input.horizontal.percentInertia, 30.0);
    EXPECT_FALSE(input.horizontal.pValue.has_value());
    EXPECT_TRUE(input.horizontal.interval.empty());

    settings.useLabels = true;
    input = figureInput(settings, *results, 1, 2);
    EXPECT_EQ(input.samples[2].label, "Pop C");
    for (const FigureSample& sample : input.samples) EXPECT_EQ(sample.rgb, 0u);
}

TEST(SessionFigure, PValuesAfterATestIntervalsAfterABootstrap) {
    const auto results = fourSampleResults();
    results->testedRandomisations = 1000;
    results->axisPValues[2] = 0.013f;
    results->bootstrap.replicates = 200;
    zeltric::randomisation::BootstrapAxis axis2;
    axis2.axis = 2;
    axis2.share.hasInterval = true;
    axis2.share.lower = 0.351;
    axis2.share.upper = 0.43;
    results->bootstrap.axes = {axis2};
    FigureOptions options;
    options.intervals = true;
    FigureInput input = figureInput(zeltric::run::RunSettings{}, *results, 2, 1, options);
    EXPECT_EQ(axisTitle(input.horizontal),
              "Axis 2 (30.0 % of inertia, 95 % interval 35.1\u201343.0, Fst 0.020, P = 0.013)");
    EXPECT_EQ(input.vertical.randomisations, 1000);
    EXPECT_TRUE(input.vertical.interval.empty());
    EXPECT_TRUE(input.oneScale);
    // Not asked for, or none given for the axis: no interval text.
    input = figureInput(zeltric::run::RunSettings{}, *results, 2, 1);
    EXPECT_TRUE(input.horizontal.interval.empty());
    results->bootstrap.axes[0].share.hasInterval = false;
    input = figureInput(zeltric::run::RunSettings{}, *results, 2, 1, options);
    EXPECT_TRUE(input.horizontal.interval.empty());
    options.freeAspect = true;
    EXPECT_FALSE(figureInput(zeltric::run::RunSettings{}, *results, 2, 1, options).oneScale);
}

TEST(SessionFigure, UnavailableWithoutAPairOfAxesOrOutsideThem) {
    const auto results = fourSampleResults();
    EXPECT_FALSE(figureUnavailable(*results, 1, 3).has_value());
    EXPECT_EQ(figureUnavailable(*results, 1, 4).value_or(""),
              "No figure of axes 1 and 4: choose axes within 1..3.");
    EXPECT_TRUE(figureUnavailable(*results, 0, 2).has_value());
    results->analysed.np = 2;  // one reported axis
    EXPECT_NE(figureUnavailable(*results, 1, 2).value_or("").find("fewer than three samples"), std::string::npos);
}
