#include "run/run_record_step.hpp"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "analysis/fast_kernels.hpp"
#include "analysis/results_report.hpp"
#include "base/decimal.hpp"
#include "base/fatal_error.hpp"
#include "base/output_file.hpp"
#include "platform/platform.hpp"
#include "platform/sha256.hpp"
#include "randomisation/permutation_engine.hpp"
#include "run/allele_table.hpp"

namespace zeltric::run {

namespace {

std::string absolute(const std::string& path) {
    std::error_code ec;
    const auto full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

std::string digestOf(const std::string& path) {
    const auto digest = platform::fileSha256(path);
    if (!digest) throw base::FatalError("Cannot read the file \"" + path + "\" to record its SHA-256.");
    return *digest;
}

// The opened file's numbers of the items that take part.
template <std::size_t N>
std::vector<int> chosenNumbers(const std::array<std::uint8_t, N>& flags, int count, bool applied) {
    std::vector<int> numbers;
    for (int i = 1; i <= count; ++i)
        if (!applied || flags[static_cast<std::size_t>(i)] != 0) numbers.push_back(i);
    return numbers;
}

// The observed value is a stored single-precision figure; the estimate (the
// observed value measured as the replicates are) and the summaries over the
// replicates are double. Without an interval, its bounds are null and the
// reason is given.
record::Json summaryJson(const randomisation::BootstrapFigure& f) {
    record::Json json = {{"observed", record::floatNumber(static_cast<float>(f.observed))},
                         {"estimate", f.estimate},
                         {"mean", f.mean},
                         {"se", f.se}};
    json["z0"] = std::isfinite(f.z0) ? record::Json(f.z0) : record::Json(nullptr);
    json["lower"] = f.hasInterval ? record::Json(f.lower) : record::Json(nullptr);
    json["upper"] = f.hasInterval ? record::Json(f.upper) : record::Json(nullptr);
    if (!f.hasInterval) json["no_interval"] = f.noInterval;
    return json;
}

record::Json bootstrapJson(const randomisation::BootstrapSummaries& b) {
    record::Json axes = record::Json::array();
    for (const randomisation::BootstrapAxis& axis : b.axes)
        axes.push_back({{"axis", axis.axis}, {"fst", summaryJson(axis.fst)}, {"share", summaryJson(axis.share)}});
    return {{"replicates", b.replicates},
            {"seeds", {b.seed1, b.seed2}},
            {"method", randomisation::kIntervalMethod},
            {"global_fst", summaryJson(b.globalFst)},
            {"axes", std::move(axes)}};
}

}  // namespace

bool clearRunRecord(const Session& session, UserInterface& ui, const std::string& recordPath) {
    bool userFile = false;
    for (const std::string* own : {&session.openedPath, &session.labelFileName, &session.seedFileName})
        userFile = userFile || (!own->empty() && base::sameFile(recordPath, *own));
    if (!userFile) {
        switch (record::inspectRecordFile(recordPath)) {
            case record::RecordFile::Absent: return true;
            case record::RecordFile::Ours: {
                std::error_code ec;
                std::filesystem::remove(recordPath, ec);
                if (ec)
                    throw base::FatalError("Cannot remove the run record \"" + recordPath +
                                           "\" of the earlier run: " + ec.message() + ".");
                return true;
            }
            case record::RecordFile::Foreign: break;
        }
    }
    ui.information("The file \"" + recordPath +
                   "\" is not a ZELTRIC run record; it was left alone and this run writes no record.");
    return false;
}

void writeRunRecord(const Session& session, const std::string& recordPath, const RunClock& clock,
                    const std::optional<record::SeedPair>& seedsStart) {
    const data::Dataset& opened = session.opened;
    record::RunFacts facts;
    const analysis::KernelSelection kernels = session.kernels;
    facts.program.version = ZELTRIC_VERSION;
    facts.program.kernels = kernels.reference ? "reference" : analysis::isaName(kernels.isa);
    facts.program.threads = session.threads > 0 ? session.threads : platform::usableProcessorCount();

    record::InputFacts& input = facts.input;
    input.dataPath = absolute(session.openedPath);
    input.dataSha256 = digestOf(session.openedPath);
    if (session.menu.labelChecked && !session.labelFileName.empty()) {
        input.labelPath = absolute(session.labelFileName);
        input.labelSha256 = digestOf(session.labelFileName);
    }
    if (session.convertedFrom) {
        input.sourcePath = absolute(session.convertedFrom->path);
        input.sourceSha256 = digestOf(session.convertedFrom->path);
        input.sourceFormat = session.convertedFrom->format;
        const AlleleTable table = readAlleleTable(session.convertedFrom->alleleTable);
        input.originalAlleleNames = table.names;
        input.fullLocusNames = table.locusNames;
    }
    if (!session.convertedFrom && session.rerunOrigin) {
        const record::RerunOrigin& origin = *session.rerunOrigin;
        input.sourcePath = origin.sourcePath;
        input.sourceSha256 = origin.sourceSha256;
        input.sourceFormat = origin.sourceFormat;
        input.originalAlleleNames = origin.originalAlleleNames;
        input.fullLocusNames = origin.fullLocusNames;
    }
    input.lociChosen = session.menu.lociChecked;
    input.samplesChosen = session.menu.popsChecked;
    input.loci = chosenNumbers(opened.locusSelected, opened.nl, input.lociChosen);
    input.samples = chosenNumbers(opened.populationSelected, opened.np, input.samplesChosen);

    if (seedsStart) {
        record::TestFacts test;
        test.randomisations = session.randomisationCount;
        test.seedsStart = *seedsStart;
        test.seedsEnd = {session.generator.seed1, session.generator.seed2};
        test.cancelled = session.testCancelled;
        test.fstPValue = session.fstPValue;
        test.axisPValues = session.axisPValues;
        test.reportedAxes = analysis::reportedPValueAxes(session.axisPValues, session.pca.dimension);
        facts.test = test;
    }
    facts.started = clock.started;
    facts.elapsedSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - clock.start).count();

    record::Json json = record::buildRecord(facts, session.analysed, session.pca);
    if (session.bootstrap.replicates > 0) json["bootstrap"] = bootstrapJson(session.bootstrap);
    if (session.rerunOrigin)
        json["input"]["rerun_of"] = {{"record", absolute(session.rerunOrigin->recordPath)},
                                     {"sha256", session.rerunOrigin->recordSha256}};
    base::replaceFileAtomically(recordPath, record::recordText(json));
}

}  // namespace zeltric::run
