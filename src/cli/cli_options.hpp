#pragma once

#include <optional>
#include <string>

#include "formats/foreign_formats.hpp"
#include "record/rerun_plan.hpp"

namespace zeltric::cli {

// The batch front end's command line.
struct CliOptions {
    std::string dataFile;
    std::optional<std::string> loci;  // list text as given, e.g. "1,3,5-8"
    std::optional<std::string> pops;
    std::optional<std::string> labels;
    std::optional<int> test;  // randomisations
    std::string seedFile = "ZELTRIC.INI";
    std::optional<std::pair<long long, long long>> seeds;
    int threads = 0;               // 0 = all cores
    std::optional<int> bootstrap;  // replicates of the bootstrap over loci
    std::optional<std::pair<long long, long long>> bootstrapSeeds;
    std::optional<std::pair<int, int>> plot;
    std::optional<std::string> plotFile;
    std::optional<std::string> kernels;     // a name analysis::KernelSelection::fromName takes
    std::optional<formats::Format> format;  // forced by --format
    formats::StructureOptions structure;
    bool convertOnly = false;
    std::optional<std::string> figure;        // .svg, .pdf or .png
    std::optional<std::pair<int, int>> axes;  // the figure's; default --plot's, else 1,2
    std::optional<int> figureWidth;           // PNG pixels across
    bool figureIntervals = false;
    bool tables =
        false;  // NAME-frequencies.csv, -samples, -alleles, -axes             // the bootstrap's intervals in the titles
    std::optional<std::string> figureAspect;  // "equal" or "free"
    std::optional<std::string> rerun;         // a run record: data, labels, selection, test and seeds from it
    std::optional<std::string> popmap;        // individual -> sample, for VCF, BCF and PLINK files
    std::optional<std::string> analysis;      // "exact" or "extended"
    bool alleleOutputs = false;               // per-allele files of the extended analysis for any size
    std::optional<std::string> out;           // the rerun's folder (default NAME-rerun beside the record)
    bool statistics = false;                  // theta, Nei's diversities and pairwise theta tables
    std::optional<int> pairwiseTest;          // randomisations per pair of the pairwise test
    std::optional<std::pair<long long, long long>> pairwiseSeeds;  // its generator's (default 1,1)
    std::optional<std::string> pairwiseFigure;                     // heat map of pairwise theta
    bool quiet = false;
    bool help = false;
    bool version = false;
    bool keepSeedFile = false;
};

struct CliParse {
    CliOptions options;
    std::string error;  // non-empty: a usage error (exit 2)
};

CliParse parseCliOptions(int argc, const char* const* argv);

// The parser takes up to the extended analysis's randomisations; the exact
// analysis's test refuses more than its own range with this usage error
// (empty when the count fits).
std::string exactTestProblem(const CliOptions& options);
std::string cliUsage();

// --rerun: the data file, labels, selection, test and seeds of the record's
// run take the place of the options that give them; the seed file is
// neither read nor written (keepSeedFile).
void applyRerunPlan(CliOptions& options, const record::RerunPlan& plan);

}  // namespace zeltric::cli
