// The plot's geometry and description text, without drawing anything.

#include <QtTest>
#include <cmath>
#include <memory>
#include <string>

#include "run/session.hpp"
#include "ui/plot_layout.hpp"

using zeltric::run::Session;
using zeltric::ui::layoutPlot;
using zeltric::ui::PlotLayout;

namespace {

// Four samples on three axes (np 4, six allele columns). Axis 1 has its
// largest magnitude on the negative side, axis 2 on the positive side.
std::unique_ptr<Session> fourSamples() {
    auto session = std::make_unique<Session>();
    auto& pca = session->results.pca;
    session->results.analysed.np = 4;
    pca.alleleColumnCount = 6;
    pca.dimension = 4;
    const float coordinates[5][4] = {
        {0, 0, 0, 0},          {0, -2.0f, 1.0f, 0.0f}, {0, 1.0f, -0.5f, 0.0f},
        {0, 0.0f, 0.0f, 0.0f}, {0, 0.5f, 0.25f, 0.0f},
    };
    for (int s = 1; s <= 4; ++s)
        for (int k = 1; k <= 3; ++k) pca.populationCoordinates(s, k) = coordinates[s][k];
    pca.percentInertia[1] = 45.678f;
    pca.percentInertia[2] = 20.5f;
    pca.percentInertia[3] = 3.25f;
    pca.observedAxisFst[1] = 0.1234f;
    pca.observedAxisFst[2] = 0.0567f;
    pca.observedAxisFst[3] = 0.002f;
    session->results.axisPValues[1] = 0.01f;
    session->results.axisPValues[2] = 0.5f;
    const char* labels[] = {"", "Loire", "Rhone", "Seine", "Garonne"};
    for (int s = 1; s <= 4; ++s)
        session->results.analysed.populationLabels[static_cast<std::size_t>(s)] = labels[s];
    return session;
}

const zeltric::ui::PlotText& sample(const PlotLayout& layout, int s) {
    return layout.samples.at(static_cast<std::size_t>(s - 1));
}

}  // namespace

class TestPlotLayout : public QObject {
    Q_OBJECT

private slots:
    void description_withoutPValues() {
        auto session = fourSamples();
        const std::string text = zeltric::ui::describeAxes(*session, 1, 2, false);
        QCOMPARE(text, std::string("%Inertia . 1 :45.68    ; 2: 20.50\n\r"
                                   "     Fst . 1 :0.123    ; 2: 0.057"));
        const std::size_t lineBreak = text.find("\n\r");
        const std::string first = text.substr(0, lineBreak);
        const std::string second = text.substr(lineBreak + 2);
        QCOMPARE(first.find(';'), std::size_t{23});  // column 24
        QCOMPARE(second.find(';'), std::size_t{23});
    }

    void description_withPValues() {
        auto session = fourSamples();
        const std::string text = zeltric::ui::describeAxes(*session, 1, 2, true);
        QCOMPARE(text, std::string("%Inertia . 1 :45.68(p=0.010) ; 2: 20.50(p=0.500)\n\r"
                                   "     Fst . 1 :0.123          ; 2: 0.057"));
        const std::size_t lineBreak = text.find("\n\r");
        QCOMPARE(text.substr(0, lineBreak).find(';'), std::size_t{29});  // column 30
        QCOMPARE(text.substr(lineBreak + 2).find(';'), std::size_t{29});
    }

    void description_followsTestingCheckMarkAndNamesAxesPlainly() {
        auto session = fourSamples();
        QVERIFY(zeltric::ui::describeAxes(*session, 1, 2).find("(p=") == std::string::npos);
        session->settings.testingOn = true;
        QVERIFY(zeltric::ui::describeAxes(*session, 1, 2).find("(p=") != std::string::npos);
        // x = y names the same axis twice; a P-value nobody computed shows as 0.
        session->results.axisPValues[3] = 0.0f;
        QCOMPARE(zeltric::ui::describeAxes(*session, 3, 3, true),
                 std::string("%Inertia . 3 : 3.25(p=0.000) ; 3:  3.25(p=0.000)\n\r"
                             "     Fst . 3 :0.002          ; 3: 0.002"));
        // A wider value widens its field instead of being cut.
        session->results.pca.percentInertia[1] = 100.0f;
        QCOMPARE(zeltric::ui::describeAxes(*session, 1, 2, false).substr(0, 20),
                 std::string("%Inertia . 1 :100.00"));
    }

    void roundHalfEven() {
        QCOMPARE(zeltric::ui::roundHalfEven(0.5), 0);
        QCOMPARE(zeltric::ui::roundHalfEven(1.5), 2);
        QCOMPARE(zeltric::ui::roundHalfEven(2.5), 2);
        QCOMPARE(zeltric::ui::roundHalfEven(-2.5), -2);
        QCOMPARE(zeltric::ui::roundHalfEven(-3.5), -4);
        QCOMPARE(zeltric::ui::roundHalfEven(2.5000001), 3);
        QCOMPARE(zeltric::ui::roundHalfEven(-0.4999), 0);
    }

    void frameAndAxes_690x399() {
        auto session = fourSamples();
        const PlotLayout layout = layoutPlot(*session, 1, 2, 690, 399);
        QCOMPARE(layout.kind, PlotLayout::Kind::Plot);
        QCOMPARE(layout.frameLeft, 10);
        QCOMPARE(layout.frameTop, 10);
        QCOMPARE(layout.frameRight, 680);
        QCOMPARE(layout.frameBottom, 389);
        QCOMPARE(layout.horizontalAxisY, 199);
        QCOMPARE(layout.verticalAxisX, 345);
        QCOMPARE(layout.origin.left, 345);
        QCOMPARE(layout.origin.top, 199);
        QCOMPARE(layout.origin.text, std::string("0"));
    }

    void extremeSamplesLand25PixelsInside() {
        auto session = fourSamples();
        // Largest |X| negative: column 25.
        PlotLayout layout = layoutPlot(*session, 1, 2, 690, 399);
        QCOMPARE(sample(layout, 1).left, 25);
        QCOMPARE(sample(layout, 2).left, 345 + 160);
        // Largest |X| positive: column 665.
        session->results.pca.populationCoordinates(1, 1) = 2.0f;
        layout = layoutPlot(*session, 1, 2, 690, 399);
        QCOMPARE(sample(layout, 1).left, 665);
    }

    void positiveYLiesBelowTheLine_tiesGoToEven() {
        auto session = fourSamples();
        const PlotLayout layout = layoutPlot(*session, 1, 2, 690, 399);
        // halfH = 174.5 and max Y = 1: 1 * 174.5 rounds to the even 174.
        QCOMPARE(sample(layout, 1).top, 199 + 174);
        QVERIFY(sample(layout, 1).top > layout.horizontalAxisY);
        QCOMPARE(sample(layout, 2).top, 199 - 87);  // -87.25
        QCOMPARE(sample(layout, 4).top, 199 + 44);  // 43.625
    }

    void sampleAtOriginIsWrittenOverTheZero() {
        auto session = fourSamples();
        const PlotLayout layout = layoutPlot(*session, 1, 2, 690, 399);
        QCOMPARE(sample(layout, 3).left, layout.origin.left);
        QCOMPARE(sample(layout, 3).top, layout.origin.top);
        // Samples come after the "0" and in ascending order.
        for (int s = 1; s <= 4; ++s) QCOMPARE(sample(layout, s).sample, s);
    }

    void numbersOrLabels() {
        auto session = fourSamples();
        PlotLayout layout = layoutPlot(*session, 1, 2, 690, 399);
        QCOMPARE(sample(layout, 1).text, std::string("1"));
        QCOMPARE(sample(layout, 4).text, std::string("4"));
        session->settings.useLabels = true;
        layout = layoutPlot(*session, 1, 2, 690, 399);
        QCOMPARE(sample(layout, 1).text, std::string("Loire"));
        QCOMPARE(sample(layout, 4).text, std::string("Garonne"));
    }

    void colorsComeFromPopColor() {
        auto session = fourSamples();
        session->desktop.popColor[2] = 0x0000FF;
        session->desktop.popColor[4] = 0x00FF00;
        const PlotLayout layout = layoutPlot(*session, 1, 2, 690, 399);
        QCOMPARE(sample(layout, 1).color, 0u);
        QCOMPARE(sample(layout, 2).color, 0x0000FFu);
        QCOMPARE(sample(layout, 4).color, 0x00FF00u);
    }

    void sameAxisTwiceLiesOnTheDiagonal() {
        auto session = fourSamples();
        const PlotLayout layout = layoutPlot(*session, 1, 1, 690, 399);
        // The farthest sample reaches the corner of the drawing area.
        QCOMPARE(sample(layout, 1).left, 25);
        QCOMPARE(sample(layout, 1).top, 25);
        for (const auto& mark : layout.samples) {
            const double alongX = (mark.left - 25) / 640.0;
            const double alongY = (mark.top - 25) / 349.0;
            QVERIFY2(std::fabs(alongX - alongY) < 1.0 / 349.0, mark.text.c_str());
        }
    }

    void axisWithAllSamplesAtZeroStaysOnTheCentreLine() {
        auto session = fourSamples();
        const PlotLayout layout = layoutPlot(*session, 3, 2, 690, 399);
        QCOMPARE(layout.kind, PlotLayout::Kind::Plot);
        QCOMPARE(layout.scaleX, 0.0);
        for (const auto& mark : layout.samples) QCOMPARE(mark.left, 345);
        QCOMPARE(sample(layout, 1).top, 199 + 174);
    }

    void tinyAreaDrawsNothing() {
        auto session = fourSamples();
        QCOMPARE(layoutPlot(*session, 1, 2, 50, 399).kind, PlotLayout::Kind::TooSmall);
        QCOMPARE(layoutPlot(*session, 1, 2, 690, 50).kind, PlotLayout::Kind::TooSmall);
        QCOMPARE(layoutPlot(*session, 1, 2, 0, 0).kind, PlotLayout::Kind::TooSmall);
        QVERIFY(layoutPlot(*session, 1, 2, 50, 50).samples.empty());
        const PlotLayout smallest = layoutPlot(*session, 1, 2, 51, 51);
        QCOMPARE(smallest.kind, PlotLayout::Kind::Plot);
        // halfW = 0.5: every sample within one pixel of the centre.
        for (const auto& mark : smallest.samples) QVERIFY(std::abs(mark.left - 25) <= 1);
    }

    void fewerThanThreeAxesGiveTheNote() {
        auto session = fourSamples();
        QCOMPARE(zeltric::ui::plotAxisCount(*session), 3);
        session->results.analysed.np = 2;
        QVERIFY(!zeltric::ui::hasAxisPair(*session));
        PlotLayout layout = layoutPlot(*session, 1, 2, 690, 399);
        QCOMPARE(layout.kind, PlotLayout::Kind::NoAxisPair);
        QVERIFY(!layout.note.empty());
        QVERIFY(layout.samples.empty());

        session->results.analysed.np = 40;
        session->results.pca.alleleColumnCount = 2;
        QCOMPARE(layoutPlot(*session, 1, 2, 690, 399).kind, PlotLayout::Kind::NoAxisPair);
        session->results.pca.alleleColumnCount = 3;  // smallest with a pair: axes 1 and 2
        QCOMPARE(zeltric::ui::plotAxisCount(*session), 2);
        QCOMPARE(layoutPlot(*session, 1, 2, 690, 399).kind, PlotLayout::Kind::Plot);
    }

    void axisNumbersOutsideTheStoreAreRefused() {
        auto session = fourSamples();
        QCOMPARE(layoutPlot(*session, 0, 2, 690, 399).kind, PlotLayout::Kind::NoAxisPair);
        QCOMPARE(layoutPlot(*session, 1, 501, 690, 399).kind, PlotLayout::Kind::NoAxisPair);
        QVERIFY(zeltric::ui::describeAxes(*session, 1, 501, false).empty());
    }

    void newWindowPanelHeight() {
        // 502 outer - 41 - 60 = 401; the image is one pixel inside its border.
        QCOMPARE(zeltric::ui::plotPanel2Height(502), 401);
    }
};

QTEST_GUILESS_MAIN(TestPlotLayout)
#include "plot_layout_test.moc"
