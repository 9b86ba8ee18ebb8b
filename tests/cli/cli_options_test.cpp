// How zeltric-cli reads its command line: values that look like options,
// repeated options, "--", and which of several mistakes is reported.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_options.hpp"

namespace {

zeltric::cli::CliParse parse(std::vector<std::string> args) {
    args.insert(args.begin(), "zeltric-cli");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    return zeltric::cli::parseCliOptions(static_cast<int>(argv.size()), argv.data());
}

TEST(CliOptions, AValueMayLookLikeAnOption) {
    auto p = parse({"--labels", "-x.lab", "x.dat"});
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.options.labels, "-x.lab");
    EXPECT_EQ(p.options.dataFile, "x.dat");

    p = parse({"--labels", "--quiet", "--seed-file", "--", "x.dat"});
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.options.labels, "--quiet");
    EXPECT_FALSE(p.options.quiet);
    EXPECT_EQ(p.options.seedFile, "--");

    // An option's value is taken whole, equals sign and all.
    p = parse({"--labels", "--loci=3", "x.dat"});
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.options.labels, "--loci=3");
    EXPECT_FALSE(p.options.loci.has_value());
}

TEST(CliOptions, EqualsSignForm) {
    auto p = parse({"--labels=-x.lab", "--test=200", "--seeds=5,6", "x.dat"});
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.options.labels, "-x.lab");
    EXPECT_EQ(p.options.test, 200);
    EXPECT_EQ(p.options.seeds, std::make_pair(5LL, 6LL));

    // An empty value after the sign is the value; the next argument stays the data file.
    p = parse({"--loci=", "x.dat"});
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.options.loci, "");
    EXPECT_EQ(p.options.dataFile, "x.dat");
    EXPECT_EQ(parse({"--test=", "x.dat"}).error,
              "--test needs a number of randomisations within 100..15000, not \"\"");
    EXPECT_EQ(parse({"--seed-file=", "x.dat"}).error, "option --seed-file needs a value");
}

TEST(CliOptions, ARepeatedOptionKeepsItsLastValueAndEveryMistake) {
    auto p = parse(
        {"--test", "200", "--seed-file", "a.ini", "x.dat", "--test", "300", "--seed-file=b.ini", "-q", "--quiet"});
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.options.test, 300);
    EXPECT_EQ(p.options.seedFile, "b.ini");
    EXPECT_TRUE(p.options.quiet);
    EXPECT_EQ(parse({"--test", "50", "--test", "300", "x.dat"}).error,
              "--test needs a number of randomisations within 100..15000, not \"50\"");
}

TEST(CliOptions, DoubleDashEndsTheOptions) {
    EXPECT_EQ(parse({"--", "-x.dat"}).options.dataFile, "-x.dat");
    EXPECT_EQ(parse({"--quiet", "--", "--test"}).options.dataFile, "--test");
    EXPECT_EQ(parse({"--", "--"}).options.dataFile, "--");
    EXPECT_EQ(parse({"--", "a.dat", "b.dat"}).error, "only one data file can be analysed per run");
    EXPECT_EQ(parse({"-"}).options.dataFile, "-");
}

TEST(CliOptions, ShortNamesOnlyAlone) {
    auto p = parse({"-q", "-h"});
    ASSERT_EQ(p.error, "");
    EXPECT_TRUE(p.options.quiet && p.options.help);
    EXPECT_EQ(parse({"-qh", "x.dat"}).error, "unknown option -qh");
    EXPECT_EQ(parse({"-h5"}).error, "unknown option -h5");
    EXPECT_EQ(parse({"-5", "x.dat"}).error, "unknown option -5");
}

// With several mistakes the first on the line is reported, whatever its kind.
TEST(CliOptions, TheFirstMistakeIsReported) {
    const std::string badTest = "--test needs a number of randomisations within 100..15000, not \"5\"";
    EXPECT_EQ(parse({"--frobnicate", "--test", "5", "x.dat"}).error, "unknown option --frobnicate");
    EXPECT_EQ(parse({"--test", "5", "--frobnicate", "x.dat"}).error, badTest);
    EXPECT_EQ(parse({"a.dat", "b.dat", "--test", "5"}).error, "only one data file can be analysed per run");
    EXPECT_EQ(parse({"a.dat", "--test", "5", "b.dat"}).error, badTest);
    EXPECT_EQ(parse({"--test", "5", "x.dat", "--loci"}).error, badTest);
    EXPECT_EQ(parse({"--frobnicate", "--loci"}).error, "unknown option --frobnicate");
    EXPECT_EQ(parse({"x.dat", "--loci"}).error, "option --loci needs a value");
    // Mistakes in single options come before those between options.
    EXPECT_EQ(parse({"--plot-file", "p.bmp", "--test", "5", "x.dat"}).error, badTest);
    EXPECT_EQ(parse({"--rerun", "r.json", "--plot-file", "p.bmp", "--test", "200"}).error,
              "--rerun takes its settings from the record; --test cannot be given with it");
}

// --help is a flag like any other: no text of the library's own, and a
// mistake elsewhere on the line is still reported.
TEST(CliOptions, HelpIsOurs) {
    for (const char* help : {"--help", "-h", "--help=x"}) {
        auto p = parse({help});
        EXPECT_EQ(p.error, "") << help;
        EXPECT_TRUE(p.options.help) << help;
    }
    EXPECT_EQ(parse({"--help", "--frobnicate"}).error, "unknown option --frobnicate");
    EXPECT_EQ(parse({"--help", "--plot-file", "p.bmp"}).error, "--plot-file needs --plot X,Y");
}

}  // namespace
