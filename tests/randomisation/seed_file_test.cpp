#include "randomisation/seed_file.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "randomisation/integer_entry.hpp"
#include "run/asking.hpp"
#include "test_support.hpp"

namespace zeltric::randomisation {
namespace {

using run::loadSeeds;

using Seeds = std::optional<std::pair<std::string, std::string>>;

std::pair<std::int32_t, std::int32_t> state(const RandomGenerator& generator) {
    return {generator.seed1, generator.seed2};
}

TEST(SeedFile, ReadsNumbersSeparatedByAnyWhiteSpace) {
    test::TempDir dir;
    const std::string path = dir.file("ZELTRIC.INI");
    const std::pair<const char*, std::pair<std::int32_t, std::int32_t>> cases[] = {
        {"12345 67890\r\n", {12345, 67890}},    // written at the ask path
        {"12345   67890\r\n", {12345, 67890}},  // written by Exit
        {"\r\n\t 12345\r\n\r\n67890", {12345, 67890}},
        {"12345\r67890\r", {12345, 67890}},
        {"+12 -34 56 junk", {12, -34}},
        {"12abc 34xyz", {12, 34}},  // characters after the digits are ignored
        {"-5 -2147483648", {-5, INT32_MIN}},
        {"abc 34", {0, 34}},  // a run that is not a number
        {"12 - 34", {12, 0}},
        {"12", {12, 0}},  // missing second number
        {"", {0, 0}},
        {"2147483648 5", {0, 5}},  // beyond 32 bits
        {"5 -99999999999999999999", {5, 0}},
        {"\xEF\xBB\xBF"
         "12345 67890\r\n",
         {12345, 67890}},  // a byte-order mark is skipped
        {"\xEF\xBB"
         "12345 67890",
         {0, 67890}},  // half a mark is a stray run
    };
    for (const auto& [content, expected] : cases) {
        test::writeFile(path, content);
        EXPECT_EQ(readSeedFile(path), expected) << '"' << content << '"';
    }
    EXPECT_EQ(readSeedFile(dir.file("missing.ini")), std::make_pair(0, 0));
    EXPECT_EQ(readSeedFile(dir.path().string()), std::make_pair(0, 0));
}

TEST(SeedFile, UsesNonZeroSeedsAsReadWithoutAsking) {
    test::TempDir dir;
    const std::string path = dir.file("ZELTRIC.INI");
    test::writeFile(path, "-7   2147483647\r\n");
    test::RecordingInterface ui;
    RandomGenerator generator;
    EXPECT_TRUE(loadSeeds(generator, path, ui));
    EXPECT_EQ(state(generator), std::make_pair(-7, 2147483647));
    EXPECT_EQ(ui.seedPrompts, 0);
    EXPECT_EQ(test::readFile(path), "-7   2147483647\r\n");
    generator.uniform();
    EXPECT_GE(generator.seed1, 1);
    EXPECT_LE(generator.seed1, kSeed1Max);
}

TEST(SeedFile, ZeroEmptyTextOrMissingFileTakesTheAskPath) {
    const char* contents[] = {"0 5\r\n", "5 0\r\n", "", "seeds please\r\n", "17\r\n"};
    for (const char* content : contents) {
        test::TempDir dir;
        const std::string path = dir.file("ZELTRIC.INI");
        test::writeFile(path, content);
        test::RecordingInterface ui;
        ui.seedAnswers = {Seeds{{"0", "5"}}, Seeds{{"123", "4567"}}};
        RandomGenerator generator;
        EXPECT_TRUE(loadSeeds(generator, path, ui));
        EXPECT_EQ(state(generator), std::make_pair(123, 4567)) << '"' << content << '"';
        EXPECT_EQ(ui.seedPrompts, 2);
        EXPECT_EQ(test::readFile(path), "123 4567\r\n") << '"' << content << '"';
    }

    test::TempDir dir;
    const std::string path = dir.file("ZELTRIC.INI");
    test::RecordingInterface ui;
    ui.seedAnswers = {Seeds{{"2147483562", "2147483398"}}};
    RandomGenerator generator;
    EXPECT_TRUE(loadSeeds(generator, path, ui));
    EXPECT_EQ(test::readFile(path), "2147483562 2147483398\r\n");
    // Only the seed file is left: no temporary file stays behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(SeedFile, SaveWritesCurrentSeedsWithThreeBlanksAndTheStreamContinues) {
    test::TempDir dir;
    const std::string path = dir.file("ZELTRIC.INI");
    test::writeFile(path, "1 1\r\n");
    test::RecordingInterface ui;
    RandomGenerator first;
    ASSERT_TRUE(loadSeeds(first, path, ui));
    first.uniform();
    first.uniform();
    ASSERT_TRUE(saveSeeds(first, path));
    EXPECT_EQ(test::readFile(path), "1601120196   1655838864\r\n");

    RandomGenerator next;
    ASSERT_TRUE(loadSeeds(next, path, ui));
    EXPECT_EQ(next.uniform(), first.uniform());
    EXPECT_EQ(state(next), std::make_pair(1346387765, 2103410263));

    RandomGenerator negative;
    negative.seed1 = -12;
    negative.seed2 = 0;
    ASSERT_TRUE(saveSeeds(negative, path));
    EXPECT_EQ(test::readFile(path), "-12   0\r\n");
}

TEST(SeedFile, FailedWriteLeavesTheOldFileAlone) {
    test::TempDir dir;
    const std::string path = dir.file("ZELTRIC.INI");
    RandomGenerator generator;
    generator.seed1 = 5;
    generator.seed2 = 6;

    // A read-only seed file is not replaced.
    test::writeFile(path, "0 0\r\n");
    ::chmod(path.c_str(), 0444);
    test::RecordingInterface ui;
    ui.seedAnswers = {Seeds{{"8", "9"}}};
    EXPECT_FALSE(loadSeeds(generator, path, ui));
    EXPECT_EQ(state(generator), std::make_pair(8, 9));
    EXPECT_FALSE(saveSeeds(generator, path));
    EXPECT_EQ(test::readFile(path), "0 0\r\n");

    // A folder in the way, or a folder that does not exist.
    const std::string folder = dir.file("taken");
    std::filesystem::create_directory(folder);
    EXPECT_FALSE(saveSeeds(generator, folder));
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_FALSE(saveSeeds(generator, dir.file("no/such/ZELTRIC.INI")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(SeedFile, ReplacingKeepsThePermissionsOfTheOldFile) {
    test::TempDir dir;
    const std::string path = dir.file("ZELTRIC.INI");
    test::writeFile(path, "1 2\r\n");
    ::chmod(path.c_str(), 0640);
    RandomGenerator generator;
    generator.seed1 = 3;
    generator.seed2 = 4;
    ASSERT_TRUE(saveSeeds(generator, path));
    EXPECT_EQ(test::readFile(path), "3   4\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

// Every name of a seed file sees the new seeds: a file of several names is
// rewritten in place (its identity kept), one of a single name is replaced
// whole by a new file.
TEST(SeedFile, SavingKeepsEveryNameOfTheFile) {
    test::TempDir dir;
    const std::string path = dir.file("ZELTRIC.INI");
    const std::string other = dir.file("other.ini");
    test::writeFile(path, "1   2   and a longer tail\r\n");
    std::filesystem::create_hard_link(path, other);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    RandomGenerator generator;
    generator.seed1 = 3;
    generator.seed2 = 4;
    ASSERT_TRUE(saveSeeds(generator, other));
    EXPECT_EQ(test::readFile(path), "3   4\r\n");  // the old tail is gone
    EXPECT_EQ(test::readFile(other), "3   4\r\n");
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_nlink, 2u);

    // Through a symbolic link to one of the names, the same.
    std::filesystem::create_symlink("other.ini", dir.file("link.ini"));
    generator.seed1 = 5;
    ASSERT_TRUE(saveSeeds(generator, dir.file("link.ini")));
    EXPECT_EQ(test::readFile(path), "5   4\r\n");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.ini")));

    // A single name: replaced by a new file, as ever.
    std::filesystem::remove(other);
    ASSERT_TRUE(saveSeeds(generator, path));
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(test::readFile(path), "5   4\r\n");

    // A read-only file of several names is left alone too.
    std::filesystem::create_hard_link(path, other);
    ::chmod(path.c_str(), 0444);
    generator.seed1 = 7;
    EXPECT_FALSE(saveSeeds(generator, other));
    EXPECT_EQ(test::readFile(other), "5   4\r\n");
}

}  // namespace
}  // namespace zeltric::randomisation
