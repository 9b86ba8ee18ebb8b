#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "extended/extended_data.hpp"
#include "formats/foreign_formats.hpp"
#include "randomisation/permutation_engine.hpp"
#include "randomisation/random_generator.hpp"
#include "run/extended_test.hpp"

namespace zeltric::run {

// The run of the extended analysis from a batch front end: which files go to
// it, reading them and writing its outputs. Kept apart from the exact
// analysis's session, which it does not touch.

struct ExtendedRequest {
    std::string dataFile;
    std::optional<std::string> popmapFile;
    std::optional<formats::Format> forcedFormat;  // --format
    formats::StructureOptions structure;
    bool asked = false;  // --analysis extended
    int threads = 1;
    bool alleleOutputs = false;  // per-allele files asked for
    std::string version;
    std::function<void(const std::string&)> note;    // information for the user
    std::function<void(std::size_t loci)> progress;  // while reading
    // The permutation test, when randomisations > 0: drawn from `generator`
    // (left after the last arrangement taken), progress and cancel through
    // `observer`.
    int randomisations = 0;
    randomisation::RandomGenerator* generator = nullptr;
    randomisation::TestObserver* observer = nullptr;
    // Set when the arrangements are analysed elsewhere (other processes):
    // builds the analyser's Gram matrix and analyses each batch.
    std::function<void(extended::ArrangementAnalyser&, int threads)> buildGram;
    std::function<void(const extended::ArrangementAnalyser&, ArrangementBatch&)> analyseBatch;
    int spreadProcesses = 1;
};

// What the step did besides writing its files.
struct ExtendedStepOutcome {
    std::string resultsPath;
    bool testCancelled = false;
};

// Loci above which the per-allele files (.fre, .al) are written only when
// asked for, and then compressed.
inline constexpr std::size_t kPerAlleleLoci = 5000;

// The data of the extended analysis when the file goes there: VCF, BCF and
// PLINK files always; Genepop, STRUCTURE, GENETIX and FSTAT files past any
// limit of the data file (with a note saying so); a data file or a foreign
// file within the limits only when asked. Nothing (the exact analysis runs as
// today) otherwise. Raises base::FatalError for unreadable input.
std::optional<extended::ExtendedData> LoadForExtended(const ExtendedRequest& request);

// Analyses `data` and writes NAME.pca (results), NAME.pop (sample
// coordinates), NAME.json (the run record) and, for at most kPerAlleleLoci
// loci or when asked, NAME.fre and NAME.al (compressed as .gz past
// kPerAlleleLoci). NAME is the data file without its extension. With a
// test, also NAME.per (the share file: the observed line, then one per
// arrangement), the test section appended to NAME.pca and the P-values in the
// record; the results and the record are written once the test is over.
// `firstAxis`, when given, receives each sample's coordinate on the first
// axis (0 when there is none).
ExtendedStepOutcome RunExtendedStep(const ExtendedRequest& request, const extended::ExtendedData& data,
                                    std::vector<double>* firstAxis = nullptr);

}  // namespace zeltric::run
