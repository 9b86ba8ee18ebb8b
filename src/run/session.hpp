#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "analysis/fast_kernels.hpp"
#include "analysis/pca_result.hpp"
#include "analysis/square_matrix.hpp"
#include "base/limits.hpp"
#include "data/dataset.hpp"
#include "randomisation/bootstrap.hpp"
#include "randomisation/random_generator.hpp"
#include "record/rerun_plan.hpp"

namespace zeltric::run {

// Menu states that the steps read and write; the desktop window mirrors them.
struct MenuState {
    bool optionsEnabled = false;
    bool goEnabled = false;
    bool labelChecked = false;      // "&Label file for pops"
    bool popsChecked = false;       // "Pops to use"
    bool lociChecked = false;       // "Loci to use"
    bool testingChecked = false;    // "&Testing"
    bool bootstrapChecked = false;  // "Bootstrap over loci"
};

inline constexpr const char* kStartCaption = "ZELTRIC for Windows, version 1.2.";
inline constexpr const char* kApplicationTitle = "Zeltric for Windows, Version 1.2";
inline constexpr const char* kDefaultSeedFile = "ZELTRIC.INI";

// The one instance of the program's state. Created once by a front end and
// passed by reference; tests create as many as they like.
struct Session {
    // The opened data file: header, names, selection flags and labels, always
    // in that file's numbering, so every go step starts again from it.
    data::Dataset opened;
    // The data set analysed by the last go step (after any selection,
    // renumbered), with its genotype and count tables.
    data::Dataset analysed;
    bool fileOpen = false;
    bool runDone = false;        // a go step completed its observed analysis
    bool testCancelled = false;  // the last go step's test was cancelled (no P-values)
    // Randomisations of the last go step's completed test (its P-values are
    // axisPValues); 0 when that go step completed none.
    std::int32_t testedRandomisations = 0;
    float fstPValue = 0.0f;  // the global Fst's P-value of that test
    // The opened file's number of each analysed sample (entry s for s = 1..analysed.np),
    // set by every go step, so that labels read after it reach the plot.
    std::array<std::uint16_t, base::NPMax + 1> analysedOrigin{};

    analysis::PcaResult pca;
    randomisation::RandomGenerator generator;

    // Axis P-values of the last completed permutation test (the plot shows them).
    analysis::RealVector axisPValues{};

    // Plot state.
    std::array<std::int32_t, base::NPMax + 1> popColor{};
    bool graphShown = false;

    MenuState menu;
    std::string caption = kStartCaption;

    // A file in another format converted to the opened data file: the file the
    // user chose, its format's name and the allele table beside it.
    struct ConvertedSource {
        std::string path;
        std::string format;
        std::string alleleTable;
    };
    std::optional<ConvertedSource> convertedFrom;
    // A rerun: what its record said of the original run (the source file of
    // a conversion, the allele names) and which record it was; the rerun's
    // own record carries them.
    std::optional<record::RerunOrigin> rerunOrigin;

    std::string openedPath;     // the data file chosen in the open step
    std::string dataFileName;   // base of every output name (with the selection suffix)
    std::string labelFileName;  // the label file chosen last; kept across open steps
    std::string seedFileName = kDefaultSeedFile;

    // Run options.
    // Randomisations of the permutation test, as last confirmed; kept across
    // open steps. The test runs when menu.testingChecked is set.
    std::int32_t randomisationCount = 0;
    int threads = 0;  // worker threads of the permutation test and the bootstrap; 0 = all cores
    // Which kernels the analysis uses (the results are the same bits); the
    // front ends set it from their option or environment.
    analysis::KernelSelection kernels = analysis::KernelSelection::best();

    // Bootstrap over loci: what was asked, and the summaries of the last
    // completed one (replicates 0: none).
    int bootstrapReplicates = 0;
    std::int32_t bootstrapSeed1 = 1;
    std::int32_t bootstrapSeed2 = 1;
    randomisation::BootstrapSummaries bootstrap;
};

}  // namespace zeltric::run
