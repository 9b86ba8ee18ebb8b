#include "record/run_record.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/fatal_error.hpp"
#include "record/rerun_plan.hpp"
#include "test_support.hpp"

namespace zeltric::record {
namespace {

namespace fs = std::filesystem;

// A file name that is not UTF-8 survives the record byte for byte: every
// byte outside printable ASCII and the escape character itself are escaped,
// and a malformed escape is no name at all.
TEST(RecordNames, PercentEncodingIsLosslessAndStrict) {
    const std::string bytes = std::string("caf\xe9 100%.dat", 13) + std::string(1, '\0') + "\x7f";
    const std::string encoded = percentEncoded(bytes);
    EXPECT_TRUE(validUtf8(encoded));
    EXPECT_EQ(encoded.find('\xe9'), std::string::npos);
    ASSERT_TRUE(percentDecoded(encoded));
    EXPECT_EQ(*percentDecoded(encoded), bytes);
    EXPECT_EQ(*percentDecoded("plain.dat"), "plain.dat");
    for (const char* bad : {"%", "%4", "%G0", "a%zz"}) EXPECT_FALSE(percentDecoded(bad)) << bad;
}

TEST(RecordNames, Utf8ValidityAtItsEdges) {
    EXPECT_TRUE(validUtf8("trout \xc3\xa9 \xe2\x82\xac \xf0\x9f\x90\x9f"));
    EXPECT_FALSE(validUtf8("caf\xe9"));           // a Latin-1 byte
    EXPECT_FALSE(validUtf8("\xc0\xaf"));          // an overlong form
    EXPECT_FALSE(validUtf8("\xed\xa0\x80"));      // a surrogate
    EXPECT_FALSE(validUtf8("\xf4\x90\x80\x80"));  // past U+10FFFF
    EXPECT_FALSE(validUtf8("\xe2\x82"));          // cut short
}

class RecordFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zeltric-record-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    // planRerun's refusal of `text` as a record, or "" when it was accepted.
    std::string refusal(const std::string& text) const {
        const std::string record = path("r.json");
        test::writeFile(record, text);
        try {
            planRerun(record);
        } catch (const base::FatalError& e) {
            return e.what();
        }
        return {};
    }

    fs::path dir_;
};

// Only a record of this program is ever written over or rerun.
TEST_F(RecordFiles, InspectionTellsOursFromForeign) {
    EXPECT_EQ(inspectRecordFile(path("none.json")), RecordFile::Absent);
    test::writeFile(path("ours.json"), R"({"program": {"name": "zeltric", "version": "1"}})");
    EXPECT_EQ(inspectRecordFile(path("ours.json")), RecordFile::Ours);
    for (const char* text :
         {"not json", "[1, 2]", R"({"program": "zeltric"})", R"({"program": {"name": "other"}})"}) {
        test::writeFile(path("other.json"), text);
        EXPECT_EQ(inspectRecordFile(path("other.json")), RecordFile::Foreign) << text;
    }
    fs::create_directory(path("folder.json"));
    EXPECT_EQ(inspectRecordFile(path("folder.json")), RecordFile::Foreign);
}

// A record that is not ours, or not whole, is refused with the record named,
// before any file it names is looked for.
TEST_F(RecordFiles, MalformedRecordsAreRefusedNamingTheRecord) {
    for (const char* text :
         {"", "{", "[]", R"({"program": {"name": "other"}})", R"({"program": {"name": "zeltric"}, "input": 3})"}) {
        const std::string why = refusal(text);
        EXPECT_FALSE(why.empty()) << text;
        EXPECT_NE(why.find("r.json"), std::string::npos) << why;
    }
}

// The written record states what the run found, and reads back as JSON with
// the program's name, so a rerun can find its way to the data.
TEST_F(RecordFiles, BuiltRecordReadsBackAsOurs) {
    RunFacts facts;
    facts.program = {"1.2.0", "reference", 2};
    facts.input.dataPath = path("d.dat");
    facts.input.dataSha256 = std::string(64, 'a');
    facts.started = "2026-12-07T13:15:11Z";
    data::Dataset ds;
    analysis::PcaResult pca;
    const std::string text = recordText(buildRecord(facts, ds, pca));
    test::writeFile(path("built.json"), text);
    EXPECT_EQ(inspectRecordFile(path("built.json")), RecordFile::Ours);
    const auto parsed = Json::parse(text);
    EXPECT_EQ(parsed["program"]["name"], kProgramName);
    EXPECT_EQ(parsed["input"]["sha256"], facts.input.dataSha256);
    // The data file it names is not there: the rerun says so and runs nothing.
    const std::string why = refusal(text);
    EXPECT_NE(why.find("d.dat"), std::string::npos) << why;
}

}  // namespace
}  // namespace zeltric::record
