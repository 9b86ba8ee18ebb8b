// The CSV tables read back: RFC 4180 quoting, one header row, the figures
// of the run to the last bit, the opened file's numbers after a selection.
#include "run/result_tables.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "run/go_step.hpp"
#include "run/label_command.hpp"
#include "run/pick_logic.hpp"
#include "run/steps.hpp"
#include "test_support.hpp"

namespace zeltric::run {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// An RFC 4180 reader: quoted fields with doubled quotes, CR LF between rows.
Rows readCsv(const std::string& text) {
    Rows rows(1);
    std::string field;
    bool quoted = false;
    bool any = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(field);
            field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            rows.back().push_back(field);
            field.clear();
            rows.emplace_back();
            ++i;
        } else {
            EXPECT_NE(c, '\n') << "a bare LF ends no row";
            field += c;
        }
        any = true;
    }
    EXPECT_TRUE(any);
    EXPECT_TRUE(rows.back().empty() && field.empty()) << "the last row ends with CR LF";
    rows.pop_back();
    return rows;
}

TEST(ResultTables, CsvFieldsQuotedOnlyWhereNeeded) {
    EXPECT_EQ(csvField("Loire"), "Loire");
    EXPECT_EQ(csvField("a,b"), "\"a,b\"");
    EXPECT_EQ(csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(csvField("two\r\nlines"), "\"two\r\nlines\"");
    EXPECT_EQ(csvField(""), "");
}

TEST(ResultTables, ReadBackAfterASelectionWithLabels) {
    test::TempDir dir;
    test::writeFile(dir.file("trout.dat"),
                    test::readFile(std::string(ZELTRIC_SOURCE_DIR) + "/examples/trout.dat"));
    std::string labels;
    for (int s = 1; s <= 8; ++s) labels += s == 3 ? "Loire, \"upper\"\r\n" : "S" + std::to_string(s) + "\r\n";
    test::writeFile(dir.file("trout.lab"), labels);
    Session session;
    test::RecordingInterface ui;
    openStep(session, ui, dir.file("trout.dat"));
    labelCommand(session, dir.file("trout.lab"));
    // Samples 2..8: the tables number them as the file does.
    session.settings.selectPops = true;
    for (int s = 1; s <= 8; ++s)
        session.settings.opened.populationSelected[static_cast<std::size_t>(s)] = s == 1 ? 0 : 1;
    session.settings.bootstrapOn = true;
    session.settings.bootstrapReplicates = 200;
    goStep(session, ui);
    ASSERT_TRUE(session.results.runDone);
    const std::vector<std::string> paths = writeResultTables(session);
    ASSERT_EQ(paths.size(), 4u);
    EXPECT_EQ(paths[0], outputPath(session, "-frequencies.csv"));

    const analysis::PcaResult& pca = session.results.pca;
    const int axes = pca.dimension - 1;
    const Rows samples = readCsv(test::readFile(paths[1]));
    ASSERT_EQ(samples.size(), 8u);  // header + 7
    EXPECT_EQ(samples[0][0], "sample");
    EXPECT_EQ(samples[0].back(), "axis" + std::to_string(axes));
    EXPECT_EQ(samples[1][0], "2");
    EXPECT_EQ(samples[2][1], "Loire, \"upper\"");
    for (int j = 1; j <= 7; ++j)
        for (int k = 1; k <= axes; ++k)
            EXPECT_EQ(std::strtof(samples[static_cast<std::size_t>(j)][static_cast<std::size_t>(3 + k)].c_str(),
                                  nullptr),
                      pca.populationCoordinates(j, k));

    const Rows frequencies = readCsv(test::readFile(paths[0]));
    EXPECT_EQ(frequencies[0], (std::vector<std::string>{"sample", "label", "locus", "locus_name", "allele",
                                                        "original_name", "frequency", "typed"}));
    ASSERT_EQ(frequencies.size(), 1u + 7u * pca.alleleColumnCount);
    // Within a sample and locus the frequencies add up to 1.
    double sum = 0.0;
    for (std::size_t r = 1; r < frequencies.size() && frequencies[r][2] == "1" && frequencies[r][0] == "2"; ++r)
        sum += std::strtod(frequencies[r][6].c_str(), nullptr);
    EXPECT_NEAR(sum, 1.0, 1e-12);

    const Rows alleles = readCsv(test::readFile(paths[2]));
    ASSERT_EQ(alleles.size(), 1u + pca.alleleColumnCount);
    EXPECT_EQ(std::strtof(alleles[1][4].c_str(), nullptr), pca.alleleCoordinates(1, 1));

    const Rows axesRows = readCsv(test::readFile(paths[3]));
    ASSERT_EQ(axesRows.size(), 1u + static_cast<std::size_t>(axes));
    for (int k = 1; k <= axes; ++k) {
        const auto& r = axesRows[static_cast<std::size_t>(k)];
        EXPECT_EQ(std::strtof(r[1].c_str(), nullptr), pca.eigenvalues[static_cast<std::size_t>(k)]);
        EXPECT_EQ(std::strtof(r[3].c_str(), nullptr), pca.observedAxisFst[static_cast<std::size_t>(k)]);
        EXPECT_EQ(r[5], "");  // no test
        const auto& b = session.results.bootstrap.axes[static_cast<std::size_t>(k - 1)];
        if (b.share.hasInterval)
            EXPECT_EQ(std::strtod(r[6].c_str(), nullptr), b.share.lower);
        else
            EXPECT_EQ(r[6], "");
    }
}

}  // namespace
}  // namespace zeltric::run
