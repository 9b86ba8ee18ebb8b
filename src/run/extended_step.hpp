#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "extended/extended_data.hpp"
#include "formats/foreign_formats.hpp"
#include "randomisation/permutation_engine.hpp"
#include "randomisation/random_generator.hpp"
#include "run/extended_test.hpp"
#include "run/session.hpp"
#include "run/user_interface.hpp"

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
    std::function<void(const std::string&)> note;            // information for the user
    std::function<void(std::size_t loci)> progress;          // while reading
    std::function<void(std::size_t loci)> analysisProgress;  // while analysing
    // The permutation test, when randomisations > 0: drawn from `generator`
    // (left after the last arrangement taken), progress and cancel through
    // `observer`.
    int randomisations = 0;
    randomisation::RandomGenerator* generator = nullptr;
    randomisation::TestObserver* observer = nullptr;
    // Set when the arrangements are analysed elsewhere (other processes):
    // hands them the data before this process builds its analyser (so that
    // they build theirs meanwhile), builds the analyser's Gram matrix and
    // analyses each batch.
    std::function<void(const extended::ExtendedData&, const extended::ExtendedResult&, int threads)> shareData;
    std::function<void(extended::ArrangementAnalyser&, int threads)> buildGram;
    std::function<void(const extended::ArrangementAnalyser&, ArrangementBatch&)> analyseBatch;
    int spreadProcesses = 1;
    // The bootstrap over blocks of loci, when bootstrapReplicates > 0 (after
    // the test; progress and cancel through `observer`); bootstrapBlock 0
    // takes the default block.
    int bootstrapReplicates = 0;
    std::int32_t bootstrapSeed1 = 1;
    std::int32_t bootstrapSeed2 = 1;
    std::size_t bootstrapBlock = 0;
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
// record; with a bootstrap, its section appended to NAME.pca and its object
// in the record; the results and the record are written once both are over.
// `firstAxis`, when given, receives each sample's coordinate on the first
// axis (0 when there is none).
ExtendedRun RunExtendedStep(const ExtendedRequest& request, const extended::ExtendedData& data,
                            std::vector<double>* firstAxis = nullptr);

// The population map beside a data file: NAME.popmap, NAME the file's name
// without its data extension (.vcf.gz, .vcf.bgz, .vcf, .bcf, .bed or the
// last one), else popmap.txt in its folder; nothing when neither is a
// regular file.
std::optional<std::string> PopulationMapBeside(const std::string& dataFile);

// Whether `path` is a VCF or BCF file, which cannot be read without a
// population map.
bool NeedsPopulationMap(const std::string& path);

// The desktop's open step for a file that goes to the extended analysis:
// reads it whole (LoadForExtended, the notes shown as information) into
// session.settings.extended and opens it as the exact open step opens a data
// file (selections, labels and check marks reset, Go enabled). Returns false,
// touching nothing, when the file goes to the exact analysis. Raises
// base::FatalError for unreadable input, the session's state then untouched.
bool ExtendedOpenStep(Session& session, UserInterface& ui, ExtendedRequest request);

// The desktop's go step for an opened extended file: its analysis and files
// (RunExtendedStep), the results shown, session.results.extended set. With
// Testing or the bootstrap checked it says that they do not run with the
// extended analysis yet, and runs the analysis alone.
void ExtendedGoStep(Session& session, UserInterface& ui,
                    const std::function<void(std::size_t loci)>& progress = {});

}  // namespace zeltric::run
