#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/platform.hpp"
#include "test_support.hpp"

namespace zeltric::platform {
namespace {

namespace fs = std::filesystem;

std::size_t entriesIn(const std::string& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++n;
    return n;
}

TEST(TemporaryFile, ReplacesWholeWithTheGivenModeAndLeavesNoTemporary) {
    test::TempDir dir;
    const std::string target = dir.file("seeds.ini");
    test::writeFile(target, "old content that is longer\r\n");
    EXPECT_FALSE(replaceFileAtomically(target, "new\r\n", {0640, true}));
    EXPECT_EQ(test::readFile(target), "new\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(TemporaryFile, FailuresNameTheirStepAndKeepTheTarget) {
    test::TempDir dir;
    // No folder to create the temporary in.
    const FileFailure missing = replaceFileAtomically(dir.file("absent/out.dat"), "x");
    EXPECT_EQ(missing.step, FileFailure::Step::Create);
    EXPECT_EQ(missing.error, ENOENT);
    // A folder cannot be renamed over: the folder stays, the temporary goes.
    fs::create_directory(dir.file("taken"));
    test::writeFile(dir.file("taken/inside"), "kept");
    const FileFailure taken = replaceFileAtomically(dir.file("taken"), "x");
    EXPECT_EQ(taken.step, FileFailure::Step::Rename);
    EXPECT_EQ(test::readFile(dir.file("taken/inside")), "kept");
    EXPECT_EQ(entriesIn(dir.path()), 1u);

    std::string temporary;
    EXPECT_FALSE(writeTemporaryBeside(dir.file("new.txt"), "abc", temporary));
    EXPECT_EQ(fs::path(temporary).parent_path(), fs::path(dir.path()));
    EXPECT_EQ(test::readFile(temporary), "abc");
    EXPECT_FALSE(fs::exists(dir.file("new.txt")));
}

}  // namespace
}  // namespace zeltric::platform
