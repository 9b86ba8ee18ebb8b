// The user's own files and the exit status, through the batch front end run
// as a process: files that must stay apart, links and pipes, seeds that
// cannot be saved or used, standard output, messages that name their file,
// locks between runs and Ctrl-C in a shell loop.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "base/messages.hpp"
#include "platform/platform.hpp"
#include "test_support.hpp"

namespace zeltric::test {
namespace {

namespace fs = std::filesystem;

std::string example(const std::string& name) { return std::string(ZELTRIC_SOURCE_DIR) + "/examples/" + name; }

std::string cli() { return shellQuote(ZELTRIC_CLI_PATH); }

// A file of `samples` samples of two individuals and `loci` two-digit loci.
std::string manySamples(int samples, int loci) {
    std::string out = std::to_string(samples) + " " + std::to_string(loci) + " 20 2\r\n";
    for (int l = 1; l <= loci; ++l) out += "L" + std::to_string(l) + "\r\n";
    unsigned state = 12345;
    auto allele = [&] {
        state = state * 1103515245u + 12345u;
        return 1 + static_cast<int>((state >> 16) % 20);
    };
    for (int s = 1; s <= samples; ++s)
        for (int i = 0; i < 2; ++i) {
            out += std::to_string(s);
            for (int l = 0; l < loci; ++l) {
                const int code = allele() * 100 + allele();
                out += " " + std::string(code < 1000 ? "0" : "") + std::to_string(code);
            }
            out += "\r\n";
        }
    return out;
}

bool isLink(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

struct SafetyCase {
    std::string name;
    std::function<void(const TempDir&)> setup;
    std::string command;  // run in the case's folder; CLI stands for the program
    int exitCode;
    std::string message;  // on standard error
    std::function<void(const TempDir&, const ProcessResult&)> check;
};

void PrintTo(const SafetyCase& c, std::ostream* os) { *os << c.name; }

std::vector<SafetyCase> cases() {
    const std::string trout = readFile(example("trout.dat"));
    const std::string labels = readFile(example("trout.lab"));
    auto unchanged = [](std::string file, std::string content) {
        return [file, content](const TempDir& dir, const ProcessResult&) {
            EXPECT_EQ(readFile(dir.file(file)), content) << file;
            EXPECT_FALSE(fs::exists(dir.file("trout.pca")));
        };
    };
    auto nothing = [](const TempDir&) {};
    std::vector<SafetyCase> c;

    // Files that must stay apart, compared by identity.
    c.push_back({"SeedFileIsTheDataFile", nothing, "CLI --test 100 --seed-file trout.dat trout.dat", 1,
                 "The seed file \"trout.dat\" and the data file \"trout.dat\" are the same file",
                 unchanged("trout.dat", trout)});
    c.push_back({"SeedFileIsTheLabelFileThroughDotDot", nothing,
                 "CLI --labels trout.lab --test 100 --seed-file ../" + std::string("X/trout.lab") + " trout.dat",
                 1, "are the same file", unchanged("trout.lab", labels)});
    c.push_back({"PlotWouldReplaceTheDataFile",
                 [trout](const TempDir& d) { writeFile(d.file("samples.bmp"), trout); },
                 "CLI --plot 1,2 samples.bmp", 1, "The plot file \"samples.bmp\" would replace the data file",
                 [trout](const TempDir& d, const ProcessResult&) {
                     EXPECT_EQ(readFile(d.file("samples.bmp")), trout);
                     EXPECT_FALSE(fs::exists(d.file("samples.pca")));
                 }});
    c.push_back({"PlotFileIsTheLabelFile", [labels](const TempDir& d) { writeFile(d.file("x.bmp"), labels); },
                 "CLI --labels x.bmp --plot 1,2 --plot-file x.bmp trout.dat", 1,
                 "The plot file \"x.bmp\" would replace the label file", unchanged("x.bmp", labels)});
    c.push_back({"PlotFileIsTheSeedFile", [](const TempDir& d) { writeFile(d.file("s.bmp"), "1 2\r\n"); },
                 "CLI --test 100 --seed-file s.bmp --plot 1,2 --plot-file s.bmp trout.dat", 1,
                 "The plot file \"s.bmp\" would replace the seed file", unchanged("s.bmp", "1 2\r\n")});
    c.push_back({"FilteredFileNotWrittenBeforeTheRefusal",
                 [labels](const TempDir& d) { writeFile(d.file("trout-L13.pca"), labels); },
                 "CLI --labels trout-L13.pca --loci 1,3 trout.dat", 1,
                 "The output file \"trout-L13.pca\" would replace the label file",
                 [labels](const TempDir& d, const ProcessResult&) {
                     EXPECT_FALSE(fs::exists(d.file("trout-L13.dat")));
                     EXPECT_EQ(readFile(d.file("trout-L13.pca")), labels);
                 }});

    // Links and pipes at the names the run writes.
    c.push_back({"OutputNameIsALink",
                 [](const TempDir& d) {
                     writeFile(d.file("thesis.txt"), "my thesis\n");
                     fs::create_symlink("thesis.txt", d.file("trout.pca"));
                 },
                 "CLI trout.dat", 1, "The output file \"trout.pca\" is a symbolic link",
                 [](const TempDir& d, const ProcessResult&) {
                     EXPECT_EQ(readFile(d.file("thesis.txt")), "my thesis\n");
                     EXPECT_TRUE(isLink(d.file("trout.pca")));
                     EXPECT_FALSE(fs::exists(d.file("trout.fre")));
                 }});
    c.push_back({"LinkAtTheOldTemporaryPlotName",
                 [](const TempDir& d) {
                     writeFile(d.file("thesis.txt"), "my thesis\n");
                     fs::create_symlink("thesis.txt", d.file("trout.bmp.tmp~"));
                 },
                 "CLI --plot 1,2 trout.dat", 0, "written to trout.bmp",
                 [](const TempDir& d, const ProcessResult&) {
                     EXPECT_EQ(readFile(d.file("thesis.txt")), "my thesis\n");
                     EXPECT_EQ(readFile(d.file("trout.bmp")).substr(0, 2), "BM");
                     for (const auto& entry : fs::directory_iterator(d.path()))
                         EXPECT_NE(entry.path().extension(), ".tmp") << "temporary file left: " << entry.path();
                 }});
    c.push_back({"FifoAsTheDataFile",
                 [](const TempDir& d) { ASSERT_EQ(::mkfifo(d.file("f.dat").c_str(), 0600), 0); },
                 "timeout 20 CLI f.dat", 1, "Cannot read the data file \"f.dat\": it is a pipe",
                 [](const TempDir& d, const ProcessResult&) { EXPECT_FALSE(fs::exists(d.file("f.pca"))); }});
    c.push_back({"StandardInputAsTheDataFile",
                 nothing,
                 "cat trout.dat | timeout 20 CLI /dev/stdin",
                 1,
                 "it is a pipe or a socket, not a file",
                 {}});
    c.push_back({"FifoAtAnOutputName",
                 [](const TempDir& d) { ASSERT_EQ(::mkfifo(d.file("trout.al").c_str(), 0600), 0); },
                 "timeout 20 CLI trout.dat", 1, "The output file \"trout.al\" exists and is not a regular file",
                 [](const TempDir& d, const ProcessResult&) { EXPECT_FALSE(fs::exists(d.file("trout.pca"))); }});

    // Seeds.
    c.push_back({"SeedFileLinkKeepsTheLinkAndAdvancesTheTarget",
                 [](const TempDir& d) {
                     fs::create_directory(d.file("keep"));
                     writeFile(d.file("keep/real.ini"), "12345 67890\r\n");
                     fs::create_symlink("keep/real.ini", d.file("link.ini"));
                     writeFile(d.file("plain.ini"), "12345 67890\r\n");
                 },
                 "CLI --quiet --test 100 --seed-file link.ini trout.dat && "
                 "CLI --quiet --test 100 --seed-file plain.ini trout.dat",
                 0, "",
                 [](const TempDir& d, const ProcessResult&) {
                     EXPECT_TRUE(isLink(d.file("link.ini")));
                     EXPECT_NE(readFile(d.file("plain.ini")), "12345 67890\r\n");
                     EXPECT_EQ(readFile(d.file("keep/real.ini")), readFile(d.file("plain.ini")));
                 }});
    c.push_back({"UnsavedSeedsAreAFailure",
                 [](const TempDir& d) {
                     writeFile(d.file("ro.ini"), "12345 67890\r\n");
                     fs::permissions(d.file("ro.ini"), fs::perms::owner_read | fs::perms::group_read);
                 },
                 "CLI --quiet --test 100 --seed-file ro.ini trout.dat", 1,
                 "The results are complete, but the seeds could not be written to \"ro.ini\": the random stream "
                 "was not advanced",
                 [](const TempDir& d, const ProcessResult&) {
                     EXPECT_EQ(readFile(d.file("ro.ini")), "12345 67890\r\n");
                     EXPECT_NE(readFile(d.file("trout.pca")).find("P-values are given after 100"),
                               std::string::npos);
                 }});
    c.push_back({"StaleTemporarySeedFilesAreRemoved",
                 [](const TempDir& d) {
                     // No process has this number (above the kernel's largest).
                     writeFile(d.file(".zeltric-99999999-0.tmp"), "1 2\r\n");
                     writeFile(d.file(".zeltric-notes.tmp"), "not ours\n");
                 },
                 "CLI --quiet --test 100 --seeds 3,4 trout.dat", 0, "",
                 [](const TempDir& d, const ProcessResult&) {
                     EXPECT_FALSE(fs::exists(d.file(".zeltric-99999999-0.tmp")));
                     EXPECT_TRUE(fs::exists(d.file(".zeltric-notes.tmp")));
                     EXPECT_TRUE(fs::exists(d.file("ZELTRIC.INI")));
                 }});
    for (const auto& [tag, seeds, shown] :
         {std::tuple{"FirstSeedAMultipleOfItsModulus", "2147483563 67890", "the first seed 2147483563"},
          std::tuple{"NegativeMultiple", "-2147483563 5", "the first seed -2147483563"},
          std::tuple{"SecondSeedAMultipleOfItsModulus", "17 -2147483399", "the second seed -2147483399"}}) {
        const std::string content = std::string(seeds) + "\r\n";
        c.push_back({tag, [content](const TempDir& d) { writeFile(d.file("m.ini"), content); },
                     "CLI --quiet --test 100 --seed-file m.ini trout.dat", 2,
                     "the seed file \"m.ini\" holds " + std::string(shown), unchanged("m.ini", content)});
    }
    c.push_back(
        {"NegativeSeedsAreUsedAsRead", [](const TempDir& d) { writeFile(d.file("n.ini"), "-5 -7\r\n"); },
         "CLI --quiet --test 100 --seed-file n.ini trout.dat", 0, "",
         [](const TempDir& d, const ProcessResult&) { EXPECT_NE(readFile(d.file("n.ini")), "-5 -7\r\n"); }});

    // Exit status and messages.
    c.push_back(
        {"FullStandardOutput", nothing, "CLI trout.dat > /dev/full", 1, "cannot write standard output", {}});
    // Some bytes get through, then the reader closes the pipe (SIGPIPE
    // ignored, as a scheduler's wrapper may do): the report is incomplete.
    c.push_back({"StandardOutputClosedEarly",
                 [](const TempDir& d) {
                     std::string longLabels;
                     for (int s = 1; s <= 8; ++s)
                         longLabels += "label" + std::to_string(s) + std::string(30000, 'a') + "\r\n";
                     writeFile(d.file("long.lab"), longLabels);
                 },
                 "trap '' PIPE; { CLI --labels long.lab trout.dat; echo $? > status; } | head -c 10 > /dev/null; "
                 "exit $(cat status)",
                 1,
                 "cannot write standard output",
                 {}});
    // Once a test has drawn from the stream, seeds that could not be saved
    // are told however the run ends.
    c.push_back({"UnsavedSeedsAreToldWhenTheFigureFailsAfterwards",
                 [](const TempDir& d) {
                     writeFile(d.file("ro.ini"), "12345 67890\r\n");
                     fs::permissions(d.file("ro.ini"), fs::perms::owner_read | fs::perms::group_read);
                 },
                 "CLI --quiet --test 100 --seed-file ro.ini --figure missing/f.svg trout.dat", 1,
                 "the seeds could not be written to \"ro.ini\"",
                 [](const TempDir&, const ProcessResult& r) {
                     EXPECT_NE(r.err.find("missing/f.svg"), std::string::npos) << r.err;
                 }});
    // Axes the samples cannot give are refused before anything is written.
    for (const auto& [tag, options, message] :
         {std::tuple{"FigureAxesBeyondTheSamples", "--figure f.svg --axes 1,9",
                     "--axes 1,9: both axes must lie in 1..7 (the samples analysed give at most 7 reported axes)"},
          std::tuple{"PlotAxesBeyondTheSelectedSamples", "--pops 1-3 --plot 2,3 --figure f.svg",
                     "--plot 2,3: X must lie in 1..1 and Y in 2..2"}}) {
        c.push_back(
            {tag, nothing, "CLI --test 100 --seeds 3,4 " + std::string(options) + " trout.dat", 2, message,
             [](const TempDir& d, const ProcessResult&) {
                 for (const char* name : {"trout.pca", "trout-P123.pca", "f.svg", "ZELTRIC.INI", "trout.json"})
                     EXPECT_FALSE(fs::exists(d.file(name))) << name;
             }});
    }
    // Two alleles in all give one reported axis, whatever the samples: known
    // after the analysis, refused before the test and its record.
    c.push_back({"FigureAxesBeyondTheAnalysis",
                 [](const TempDir& d) {
                     writeFile(d.file("few.dat"), "4 1 2 1\r\nL\r\n1 11\r\n2 12\r\n3 22\r\n4 21\r\n");
                 },
                 "CLI --quiet --test 100 --seeds 3,4 --figure f.svg few.dat", 2,
                 "--figure: the analysis has 1 reported axes; a figure needs at least two",
                 [](const TempDir& d, const ProcessResult&) {
                     EXPECT_FALSE(fs::exists(d.file("f.svg")));
                     EXPECT_FALSE(fs::exists(d.file("few.json")));
                     EXPECT_FALSE(fs::exists(d.file("ZELTRIC.INI"))) << "no test ran";
                 }});
    c.push_back({"FigureNamedAsTheLabelFileIsRenamedNotTheData",
                 [labels](const TempDir& d) { writeFile(d.file("l.svg"), labels); },
                 "CLI --labels l.svg --figure l.svg trout.dat", 1, "choose another name for the figure",
                 unchanged("l.svg", labels)});
    c.push_back({"DoubleDashEndsTheOptions", [trout](const TempDir& d) { writeFile(d.file("-x.dat"), trout); },
                 "CLI --quiet -- -x.dat", 0, "",
                 [](const TempDir& d, const ProcessResult&) { EXPECT_TRUE(fs::exists(d.file("-x.pca"))); }});
    c.push_back({"CapacityMessageNamesFileAndLine",
                 [](const TempDir& d) { writeFile(d.file("cap.dat"), "501 1 9 1\r\nL\r\n1 11\r\n"); },
                 "CLI cap.dat",
                 1,
                 "zeltric-cli: cap.dat: line 1: Too many populations, loci or alleles.",
                 {}});
    c.push_back({"CodingMessageNamesFileAndLine",
                 [](const TempDir& d) { writeFile(d.file("c.dat"), "2 1 9 3\r\nL\r\n1 11\r\n2 11\r\n"); },
                 "CLI c.dat",
                 1,
                 "zeltric-cli: c.dat: line 1: error in the input file.",
                 {}});
    const std::string threeSamples = "3 1 9 1\r\nL\r\n1 11\r\n2 12\r\n\r\n2 11\r\n3 13\r\n3 10\r\n";
    c.push_back({"GenotypeMessageNamesFileAndLine",
                 [=](const TempDir& d) { writeFile(d.file("g.dat"), threeSamples); },
                 "CLI g.dat",
                 1,
                 "zeltric-cli: g.dat: line 8: Problem in the data file!!!!\nGenotype in sample: 3, individual: 2",
                 {}});
    c.push_back({"GenotypeMessageOfASelectionNamesTheOpenedFile",
                 [=](const TempDir& d) { writeFile(d.file("g.dat"), threeSamples); },
                 "CLI --pops 1,3 g.dat",
                 1,
                 "zeltric-cli: g.dat: line 8: Problem in the data file!!!!\nGenotype in sample: 2, individual: 2",
                 {}});
    c.push_back({"MatrixSizeMessageNamesTheFile",
                 [](const TempDir& d) {
                     // 50 loci with 12 alleles each: 600 allele columns.
                     std::string text = "2 50 12 2\r\n";
                     for (int l = 1; l <= 50; ++l) text += "L" + std::to_string(l) + "\r\n";
                     for (int a = 1; a <= 12; ++a) {
                         text += std::to_string(a <= 6 ? 1 : 2);
                         for (int l = 1; l <= 50; ++l) text += (a < 10 ? " 0" : " ") + std::to_string(a) + "01";
                         text += "\r\n";
                     }
                     writeFile(d.file("m.dat"), text);
                 },
                 "CLI m.dat",
                 1,
                 "zeltric-cli: m.dat: " + base::matrixDimensionMessage().substr(0, 20),
                 {}});
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    c.push_back({"OutOfMemoryIsAClearFailure",
                 [](const TempDir& d) { writeFile(d.file("big.dat"), manySamples(500, 20)); },
                 "ulimit -v 400000; CLI --quiet --threads 16 --test 100 --seeds 1,2 big.dat",
                 1,
                 "zeltric-cli: error: Out of memory",
                 {}});
#endif
    return c;
}

class FileSafety : public ::testing::TestWithParam<SafetyCase> {};

TEST_P(FileSafety, Case) {
    const SafetyCase& c = GetParam();
    TempDir dir;
    fs::copy(example("trout.dat"), dir.file("trout.dat"));
    fs::copy(example("trout.lab"), dir.file("trout.lab"));
    c.setup(dir);
    std::string command = c.command;
    for (std::size_t at; (at = command.find("CLI")) != std::string::npos;) command.replace(at, 3, cli());
    for (std::size_t at; (at = command.find("../X/")) != std::string::npos;)
        command.replace(at, 5, "../" + dir.path().filename().string() + "/");
    const ProcessResult r = runProcess("cd " + shellQuote(dir.path().string()) + " && " + command);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    if (c.check) c.check(dir, r);
}

INSTANTIATE_TEST_SUITE_P(Runs, FileSafety, ::testing::ValuesIn(cases()),
                         [](const auto& param) { return param.param.name; });

// Runs `script` with bash in a process group of its own, output to `log`.
pid_t startShell(const std::string& script, const std::string& log) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, SIG_DFL);
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        ::execl("/bin/bash", "bash", "-c", script.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::setpgid(pid, pid);
    return pid;
}

bool waitUntil(const std::function<bool()>& ready, int seconds = 120) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// The file's content, or nothing while it does not exist yet.
std::string readIfThere(const std::string& path) { return fs::exists(path) ? readFile(path) : std::string(); }

// The lock files left in `folder`.
std::vector<std::string> lockFilesIn(const TempDir& dir) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        if (entry.path().extension() == ".lock") found.push_back(entry.path().filename().string());
    return found;
}

int lineCount(const std::string& path) {
    if (!fs::exists(path)) return 0;
    const std::string text = readFile(path);
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// Ctrl-C during a test: the run finishes as a cancelled test does, then ends
// by the interrupt, so the shell loop around it stops too.
TEST(FileSafetyInterrupt, CtrlCDuringATestStopsTheShellLoop) {
    TempDir dir;
    writeFile(dir.file("a.dat"), manySamples(300, 20));
    const std::string script =
        "cd " + shellQuote(dir.path().string()) + "; for f in a.dat missing.dat; do echo start $f; " + cli() +
        " --quiet --test 15000 --threads 1 --seeds 1,2 \"$f\" || echo failed; done; echo end";
    const pid_t pid = startShell(script, dir.file("log"));
    // The observed share line is written just before the test starts.
    ASSERT_TRUE(waitUntil([&] { return lineCount(dir.file("a.per")) >= 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    ::kill(-pid, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    const std::string log = readFile(dir.file("log"));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << log;
    EXPECT_EQ(log.find("end"), std::string::npos) << log;
    EXPECT_EQ(log.find("missing.dat"), std::string::npos) << log;
    EXPECT_NE(log.find("The permutation test was cancelled"), std::string::npos) << log;
    const std::string results = readFile(dir.file("a.pca"));
    EXPECT_NE(results.find("Fst"), std::string::npos);
    EXPECT_EQ(results.find("P-values are given"), std::string::npos);
    EXPECT_GE(lineCount(dir.file("a.per")), 2);
    EXPECT_EQ(lockFilesIn(dir), std::vector<std::string>{});
}

// Ctrl-C while a large file is read stops at once, not after the analysis.
TEST(FileSafetyInterrupt, CtrlCWhileReadingStopsPromptly) {
    TempDir dir;
    std::string data = readFile(example("trout.dat"));
    data.reserve(data.size() + 60'000'000);
    for (int i = 0; i < 20'000'000; ++i) data += "0\r\n";  // lines of sample 0 are skipped
    writeFile(dir.file("a.dat"), data);
    data.clear();
    const std::string script =
        "cd " + shellQuote(dir.path().string()) + "; " + cli() + " --quiet a.dat || echo failed; echo end";
    const pid_t pid = startShell(script, dir.file("log"));
    ASSERT_TRUE(waitUntil([&] { return fs::exists(dir.file("a.pca")); }));
    ::kill(-pid, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << readFile(dir.file("log"));
    EXPECT_EQ(readFile(dir.file("a.pca")), "");
    // Ended at once, by the interrupt, yet without leaving its lock file.
    EXPECT_EQ(lockFilesIn(dir), std::vector<std::string>{});
}

// SIGTERM (a scheduler's time limit) and SIGHUP (a closed terminal) during a
// test stop it as Ctrl-C does: the observed results, a record marked
// cancelled and the seeds saved, then the run ends by the same signal.
class FileSafetyStopSignal : public ::testing::TestWithParam<int> {};

TEST_P(FileSafetyStopSignal, DuringATestEndsLikeCtrlC) {
    const int signal = GetParam();
    TempDir dir;
    writeFile(dir.file("a.dat"), manySamples(300, 20));
    writeFile(dir.file("seeds.ini"), "12345 67890\r\n");
    const pid_t pid = startShell("cd " + shellQuote(dir.path().string()) + " && exec " + cli() +
                                     " --quiet --test 15000 --threads 1 --seed-file seeds.ini a.dat",
                                 dir.file("log"));
    ASSERT_TRUE(waitUntil([&] { return lineCount(dir.file("a.per")) >= 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    ::kill(pid, signal);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    const std::string log = readFile(dir.file("log"));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status << log;
    EXPECT_NE(log.find("The permutation test was cancelled"), std::string::npos) << log;
    const std::string results = readFile(dir.file("a.pca"));
    EXPECT_NE(results.find("Fst"), std::string::npos);
    EXPECT_EQ(results.find("P-values are given"), std::string::npos);
    const std::string record = readIfThere(dir.file("a.json"));
    EXPECT_NE(record.find("\"cancelled\": true"), std::string::npos) << record;
    EXPECT_NE(readFile(dir.file("seeds.ini")), "12345 67890\r\n");
    EXPECT_EQ(lockFilesIn(dir), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Signals, FileSafetyStopSignal, ::testing::Values(SIGTERM, SIGHUP, SIGINT), [](const auto& param) {
        return std::string(param.param == SIGTERM ? "Term" : param.param == SIGHUP ? "Hangup" : "Interrupt");
    });

// Starts the program in the background; its status lands in `status`.
void startCli(const TempDir& dir, const std::string& arguments, const std::string& tag) {
    const std::string command = "cd " + shellQuote(dir.path().string()) + " && ( " + cli() + " " + arguments +
                                " 2> " + tag + ".err; echo $? > " + tag + ".status.tmp; mv " + tag +
                                ".status.tmp " + tag + ".status ) &";
    ASSERT_EQ(std::system(command.c_str()), 0);
}

// A second run waits for the first: one stream of seeds continues across
// both, and outputs are not emptied while another run writes them.
TEST(FileSafetyLocks, RunsWaitForEachOther) {
    TempDir dir;
    fs::copy(example("trout.dat"), dir.file("a.dat"));
    fs::copy(example("trout.dat"), dir.file("b.dat"));
    writeFile(dir.file("seeds.ini"), "12345 67890\r\n");
    {
        platform::FileLock held;
        ASSERT_EQ(held.acquireIdentity(dir.file("seeds.ini"), {}), platform::FileLock::State::Held);
        startCli(dir, "--quiet --test 500 --seed-file seeds.ini a.dat", "a");
        // Standard error is unbuffered: wait for the whole line, not its first piece.
        ASSERT_TRUE(waitUntil([&] {
            const std::string err = readIfThere(dir.file("a.err"));
            return err.find("waiting") != std::string::npos && err.back() == '\n';
        }));
        EXPECT_EQ(readFile(dir.file("a.err")), "zeltric-cli: waiting for another run using seeds.ini\n");
        startCli(dir, "--quiet --test 500 --seed-file seeds.ini b.dat", "b");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_FALSE(fs::exists(dir.file("a.status")));
        EXPECT_FALSE(fs::exists(dir.file("b.status")));
    }
    // A status file counts once its line is written, not when it is created.
    const auto statusWritten = [&](const char* name) {
        const std::string status = readIfThere(dir.file(name));
        return !status.empty() && status.back() == '\n';
    };
    ASSERT_TRUE(waitUntil([&] { return statusWritten("a.status") && statusWritten("b.status"); }));
    EXPECT_EQ(readFile(dir.file("a.status")), "0\n");
    EXPECT_EQ(readFile(dir.file("b.status")), "0\n");

    // The same two runs one after the other.
    TempDir serial;
    fs::copy(example("trout.dat"), serial.file("a.dat"));
    writeFile(serial.file("seeds.ini"), "12345 67890\r\n");
    for (int run = 0; run < 2; ++run)
        ASSERT_EQ(runProcess("cd " + shellQuote(serial.path().string()) + " && " + cli() +
                             " --quiet --test 500 --seed-file seeds.ini a.dat")
                      .exitCode,
                  0);
    EXPECT_EQ(readFile(dir.file("seeds.ini")), readFile(serial.file("seeds.ini")));

    // The outputs of one data file.
    {
        platform::FileLock held;
        ASSERT_EQ(held.acquire(dir.file("a.lock"), {}), platform::FileLock::State::Held);
        const std::string before = readFile(dir.file("a.pca"));
        startCli(dir, "--quiet a.dat", "c");
        ASSERT_TRUE(waitUntil([&] {
            const std::string err = readIfThere(dir.file("c.err"));
            return !err.empty() && err.back() == '\n';
        }));
        EXPECT_EQ(readFile(dir.file("c.err")), "zeltric-cli: waiting for another run using a.dat\n");
        EXPECT_EQ(readFile(dir.file("a.pca")), before);
    }
    ASSERT_TRUE(waitUntil([&] { return statusWritten("c.status"); }));
    EXPECT_EQ(readFile(dir.file("c.status")), "0\n");
    EXPECT_EQ(lockFilesIn(dir), std::vector<std::string>{});
}

// The run one after another that the runs at once must match: `runs` runs
// of --test `count` on copies of one data file, from `seeds`.
std::string seedsAfterSerialRuns(int runs, int count, const std::string& seeds) {
    TempDir serial;
    fs::copy(example("trout.dat"), serial.file("a.dat"));
    writeFile(serial.file("seeds.ini"), seeds);
    for (int run = 0; run < runs; ++run)
        EXPECT_EQ(runProcess("cd " + shellQuote(serial.path().string()) + " && " + cli() + " --quiet --test " +
                             std::to_string(count) + " --seed-file seeds.ini a.dat")
                      .exitCode,
                  0);
    return readFile(serial.file("seeds.ini"));
}

// Many short runs at once on one seed file continue one stream, as if they
// had run one after another (pairs of them also share their outputs' lock),
// and no lock file stays.
TEST(FileSafetyLocks, ManyRunsAtOnceContinueOneStreamAndLeaveNoLock) {
    constexpr int kRuns = 12;
    TempDir dir;
    for (int i = 0; i < kRuns / 2; ++i) fs::copy(example("trout.dat"), dir.file("d" + std::to_string(i) + ".dat"));
    writeFile(dir.file("seeds.ini"), "12345 67890\r\n");
    const ProcessResult r =
        runProcess("cd " + shellQuote(dir.path().string()) + " && for i in $(seq 0 " + std::to_string(kRuns - 1) +
                   "); do ( " + cli() + " --quiet --test 100 --seed-file seeds.ini d$((i % " +
                   std::to_string(kRuns / 2) + ")).dat 2> err$i || echo \"run $i failed\" ) & done; wait");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    // Each run says at most that it waited, once for each lock.
    for (int i = 0; i < kRuns; ++i) {
        const std::string errors = readFile(dir.file("err" + std::to_string(i)));
        const std::string seeds = "zeltric-cli: waiting for another run using seeds.ini\n";
        const std::string outputs =
            "zeltric-cli: waiting for another run using d" + std::to_string(i % (kRuns / 2)) + ".dat\n";
        EXPECT_TRUE(errors.empty() || errors == seeds || errors == outputs || errors == outputs + seeds) << errors;
        fs::remove(dir.file("err" + std::to_string(i)));
    }
    EXPECT_EQ(readFile(dir.file("seeds.ini")), seedsAfterSerialRuns(kRuns, 100, "12345 67890\r\n"));
    EXPECT_EQ(lockFilesIn(dir), std::vector<std::string>{});
}

// Two names of one seed file (hard links) share one lock and one stream:
// a run through either name waits for a holder of the other, and both names
// hold the seeds where the stream stands.
TEST(FileSafetyLocks, NamesOfAHardLinkedSeedFileShareOneStream) {
    TempDir dir;
    fs::copy(example("trout.dat"), dir.file("a.dat"));
    fs::copy(example("trout.dat"), dir.file("b.dat"));
    writeFile(dir.file("seeds.ini"), "12345 67890\r\n");
    fs::create_hard_link(dir.file("seeds.ini"), dir.file("other.ini"));
    {
        platform::FileLock held;
        ASSERT_EQ(held.acquireIdentity(dir.file("seeds.ini"), {}), platform::FileLock::State::Held);
        startCli(dir, "--quiet --test 500 --seed-file other.ini a.dat", "a");
        ASSERT_TRUE(waitUntil([&] {
            const std::string err = readIfThere(dir.file("a.err"));
            return err.find("waiting") != std::string::npos && err.back() == '\n';
        }));
        EXPECT_EQ(readFile(dir.file("a.err")), "zeltric-cli: waiting for another run using other.ini\n");
        startCli(dir, "--quiet --test 500 --seed-file seeds.ini b.dat", "b");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_FALSE(fs::exists(dir.file("a.status")));
    }
    const auto statusWritten = [&](const char* name) {
        const std::string status = readIfThere(dir.file(name));
        return !status.empty() && status.back() == '\n';
    };
    ASSERT_TRUE(waitUntil([&] { return statusWritten("a.status") && statusWritten("b.status"); }));
    EXPECT_EQ(readFile(dir.file("a.status")), "0\n");
    EXPECT_EQ(readFile(dir.file("b.status")), "0\n");
    const std::string serial = seedsAfterSerialRuns(2, 500, "12345 67890\r\n");
    EXPECT_EQ(readFile(dir.file("seeds.ini")), serial);
    EXPECT_EQ(readFile(dir.file("other.ini")), serial);
    EXPECT_EQ(fs::hard_link_count(dir.file("seeds.ini")), 2u);
    EXPECT_EQ(lockFilesIn(dir), std::vector<std::string>{});
}

// Where no lock can be had, the run says so once and carries on.
TEST(FileSafetyLocks, RefusedLocksAreReportedOnce) {
    TempDir dir;
    fs::copy(example("trout.dat"), dir.file("trout.dat"));
    fs::create_directory(dir.file("trout.lock"));
    fs::create_directory(dir.file("ZELTRIC.INI.lock"));
    const ProcessResult r = runProcess("cd " + shellQuote(dir.path().string()) + " && " + cli() +
                                       " --quiet --test 100 --seeds 1,2 trout.dat");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err,
              "zeltric-cli: cannot lock \"trout.lock\"; carrying on without guarding against runs at the "
              "same time.\n");
    EXPECT_TRUE(fs::exists(dir.file("trout.pca")));
    // Folders at the lock files' names are left as they are.
    EXPECT_TRUE(fs::is_directory(dir.file("trout.lock")));
    EXPECT_TRUE(fs::is_directory(dir.file("ZELTRIC.INI.lock")));

    // So is a link, and nothing is created where it points.
    TempDir linked;
    fs::copy(example("trout.dat"), linked.file("trout.dat"));
    fs::create_symlink("elsewhere", linked.file("trout.lock"));
    const ProcessResult l =
        runProcess("cd " + shellQuote(linked.path().string()) + " && " + cli() + " --quiet trout.dat");
    EXPECT_EQ(l.exitCode, 0) << l.err;
    EXPECT_NE(l.err.find("cannot lock \"trout.lock\""), std::string::npos) << l.err;
    EXPECT_TRUE(fs::is_symlink(linked.file("trout.lock")));
    EXPECT_FALSE(fs::exists(linked.file("elsewhere")));
}

// The default number of workers follows the processors this process may use.
TEST(FileSafetyPlatform, ProcessorCountFollowsTheAffinity) {
    cpu_set_t saved;
    ASSERT_EQ(::sched_getaffinity(0, sizeof saved, &saved), 0);
    if (CPU_COUNT(&saved) < 2) GTEST_SKIP() << "one processor only";
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &saved)) {
            CPU_SET(cpu, &one);
            break;
        }
    ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
    const int count = platform::usableProcessorCount();
    ASSERT_EQ(::sched_setaffinity(0, sizeof saved, &saved), 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(platform::usableProcessorCount(), CPU_COUNT(&saved));
}

}  // namespace
}  // namespace zeltric::test
