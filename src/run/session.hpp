#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/fast_kernels.hpp"
#include "analysis/pca_result.hpp"
#include "analysis/square_matrix.hpp"
#include "base/limits.hpp"
#include "data/dataset.hpp"
#include "extended/extended_analysis.hpp"
#include "extended/extended_data.hpp"
#include "randomisation/bootstrap.hpp"
#include "randomisation/random_generator.hpp"
#include "record/rerun_plan.hpp"

namespace zeltric::run {

inline constexpr const char* kStartCaption = "ZELTRIC for Windows, version 1.2.";
inline constexpr const char* kApplicationTitle = "Zeltric for Windows, Version 1.2";
inline constexpr const char* kDefaultSeedFile = "ZELTRIC.INI";

// A file in another format converted to the opened data file: the file the
// user chose, its format's name and the allele table beside it.
struct ConvertedSource {
    std::string path;
    std::string format;
    std::string alleleTable;
    std::string sha256;  // of the bytes that were converted
};

// A file opened for the extended analysis (VCF, BCF, PLINK, or a foreign file
// past the data file's limits): its data read whole, and the population map
// it was read with.
struct ExtendedOpened {
    extended::ExtendedData data;
    std::optional<std::string> popmapFile;
};

// What the extended analysis of the last go step found.
struct ExtendedRun {
    std::vector<std::string> sampleNames;
    extended::ExtendedResult result;
    std::string resultsPath;
    bool testCancelled = false;  // a test was asked and cancelled
};

// What a run is asked to do. The front ends fill it (the open step, the label
// file, the selection and option commands, the batch options); the go step
// reads it, and only advances the test's generator.
struct RunSettings {
    // The opened data file: header, names, selection flags and labels, always
    // in that file's numbering, so every go step starts again from it.
    data::Dataset opened;
    bool fileOpen = false;
    std::string openedPath;  // the data file chosen in the open step
    std::optional<ConvertedSource> convertedFrom;
    // Set when the opened file goes to the extended analysis (`opened` is then
    // empty); the exact analysis's open step clears it.
    std::shared_ptr<const ExtendedOpened> extended;
    // A rerun: what its record said of the original run (the source file of
    // a conversion, the allele names) and which record it was; the rerun's
    // own record carries them.
    std::optional<record::RerunOrigin> rerunOrigin;
    std::string labelFileName;  // the label file chosen last; kept across open steps
    std::string seedFileName = kDefaultSeedFile;
    // SHA-256 of the label file's bytes as the label command read and parsed
    // them, for the run record.
    std::string labelSha256;
    // When set, the outputs go into this folder (named as beside the data
    // file): a rerun's check never writes over the original run's files.
    std::string outputFolder;

    // What the go step does beside the observed analysis. The desktop's check
    // marks show these flags; the open step clears them.
    bool useLabels = false;    // "&Label file for pops": samples named by their labels
    bool selectPops = false;   // "Pops to use": the samples' selection flags apply
    bool selectLoci = false;   // "Loci to use": the loci's selection flags apply
    bool testingOn = false;    // "&Testing": the permutation test runs
    bool bootstrapOn = false;  // "Bootstrap over loci": the bootstrap runs

    // Randomisations of the permutation test, as last confirmed; kept across
    // open steps.
    std::int32_t randomisationCount = 0;
    // The test's generator, seeded by the front end (seed file or options);
    // the test advances it, so the next test continues the stream.
    randomisation::RandomGenerator generator;
    int threads = 0;  // worker threads of the permutation test and the bootstrap; 0 = all cores
    // Which kernels the analysis uses (the results are the same bits); the
    // front ends set it from their option or environment.
    analysis::KernelSelection kernels = analysis::KernelSelection::best();

    // Bootstrap over loci: replicates and seeds.
    int bootstrapReplicates = 0;
    std::int32_t bootstrapSeed1 = 1;
    std::int32_t bootstrapSeed2 = 1;
};

// What the last go step found. The go step fills it (the open step clears
// runDone); the figure, the run record and the front ends read it.
struct RunResults {
    // The data set analysed by the last go step (after any selection,
    // renumbered), with its genotype and count tables.
    data::Dataset analysed;
    // The opened file's number of each analysed sample (entry s for s = 1..analysed.np),
    // set by every go step, so that labels read after it reach the plot.
    std::array<std::uint16_t, base::NPMax + 1> analysedOrigin{};
    std::string dataFileName;  // base of every output name (with the selection suffix)
    // SHA-256 of the opened data file's bytes as the last go step read and
    // parsed them, for the run record.
    std::string dataSha256;
    bool runDone = false;  // a go step completed its observed analysis

    analysis::PcaResult pca;

    bool testCancelled = false;  // the last go step's test was cancelled (no P-values)
    // Randomisations of the last go step's completed test (its P-values are
    // axisPValues); 0 when that go step completed none.
    std::int32_t testedRandomisations = 0;
    float fstPValue = 0.0f;  // the global Fst's P-value of that test
    // Axis P-values of the last completed permutation test (the plot shows them).
    analysis::RealVector axisPValues{};

    // The summaries of the last completed bootstrap (replicates 0: none).
    randomisation::BootstrapSummaries bootstrap;

    // Set when the last go step ran the extended analysis: then it, not
    // `analysed` and `pca`, holds what the windows and the figure show.
    std::shared_ptr<const ExtendedRun> extended;
};

// What the windows show beside the run's settings and results: only the
// desktop reads it (the open and go steps set the menus and the caption as
// the desktop shows them).
struct DesktopState {
    bool optionsEnabled = false;  // the Options menu
    bool goEnabled = false;       // "&Go"
    std::string caption = kStartCaption;
    // Text colour of each sample in the plot, 0x00BBGGRR (0 is black), index
    // 1..samples; the plot window widens it for an extended analysis of more
    // samples than a data file holds.
    std::vector<std::int32_t> popColor = std::vector<std::int32_t>(base::NPMax + 1, 0);
    bool graphShown = false;  // a plot window exists
};

// The one instance of the program's state. Created once by a front end and
// passed by reference; tests create as many as they like.
struct Session {
    RunSettings settings;
    RunResults results;
    DesktopState desktop;
};

}  // namespace zeltric::run
