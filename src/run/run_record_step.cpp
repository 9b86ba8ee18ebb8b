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
#include "base/messages_run.hpp"
#include "base/output_file.hpp"
#include "platform/platform.hpp"
#include "randomisation/permutation_engine.hpp"
#include "run/allele_table.hpp"

namespace zeltric::run {

namespace {

std::string absolute(const std::string& path) {
    std::error_code ec;
    const auto full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

std::string certified(const std::string& digestRead, const std::string& path) {
    if (digestRead.empty()) throw base::FatalError(base::digestUnreadableMessage(path));
    return digestRead;
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
    for (const std::string* own :
         {&session.settings.openedPath, &session.settings.labelFileName, &session.settings.seedFileName})
        userFile = userFile || (!own->empty() && base::sameFile(recordPath, *own));
    if (!userFile) {
        switch (record::inspectRecordFile(recordPath)) {
            case record::RecordFile::Absent: return true;
            case record::RecordFile::Ours: {
                std::error_code ec;
                std::filesystem::remove(recordPath, ec);
                if (ec) throw base::FatalError(base::earlierRecordNotRemovedMessage(recordPath, ec.message()));
                return true;
            }
            case record::RecordFile::Foreign: break;
        }
    }
    ui.information(base::foreignRecordNotice(recordPath));
    return false;
}

void writeRunRecord(const Session& session, const std::string& recordPath, const RunClock& clock,
                    const std::optional<record::SeedPair>& seedsStart) {
    const data::Dataset& opened = session.settings.opened;
    record::RunFacts facts;
    const analysis::KernelSelection kernels = session.settings.kernels;
    facts.program.version = ZELTRIC_VERSION;
    facts.program.kernels = kernels.reference ? "reference" : analysis::isaName(kernels.isa);
    facts.program.threads =
        session.settings.threads > 0 ? session.settings.threads : platform::usableProcessorCount();

    record::InputFacts& input = facts.input;
    input.dataPath = absolute(session.settings.openedPath);
    // The digests of the bytes that were read, not of the files as they are
    // now: a file changed during a long test is not certified.
    input.dataSha256 = certified(session.results.dataSha256, session.settings.openedPath);
    if (session.settings.useLabels && !session.settings.labelFileName.empty()) {
        input.labelPath = absolute(session.settings.labelFileName);
        input.labelSha256 = certified(session.settings.labelSha256, session.settings.labelFileName);
    }
    if (session.settings.convertedFrom) {
        input.sourcePath = absolute(session.settings.convertedFrom->path);
        input.sourceSha256 =
            certified(session.settings.convertedFrom->sha256, session.settings.convertedFrom->path);
        input.sourceFormat = session.settings.convertedFrom->format;
        const AlleleTable table = readAlleleTable(session.settings.convertedFrom->alleleTable);
        input.originalAlleleNames = table.names;
        input.fullLocusNames = table.locusNames;
    }
    // A rerun that opened the converted data file still names the source as
    // the original run did.
    if (!session.settings.convertedFrom && session.settings.rerunOrigin) {
        const record::RerunOrigin& origin = *session.settings.rerunOrigin;
        input.sourcePath = origin.sourcePath;
        input.sourceSha256 = origin.sourceSha256;
        input.sourceFormat = origin.sourceFormat;
        input.originalAlleleNames = origin.originalAlleleNames;
        input.fullLocusNames = origin.fullLocusNames;
    }
    input.lociChosen = session.settings.selectLoci;
    input.samplesChosen = session.settings.selectPops;
    input.loci = chosenNumbers(opened.locusSelected, opened.nl, input.lociChosen);
    input.samples = chosenNumbers(opened.populationSelected, opened.np, input.samplesChosen);

    if (seedsStart) {
        record::TestFacts test;
        test.randomisations = session.settings.randomisationCount;
        test.seedsStart = *seedsStart;
        test.seedsEnd = {session.settings.generator.seed1, session.settings.generator.seed2};
        test.cancelled = session.results.testCancelled;
        test.fstPValue = session.results.fstPValue;
        test.axisPValues = session.results.axisPValues;
        test.reportedAxes =
            analysis::reportedPValueAxes(session.results.axisPValues, session.results.pca.dimension);
        facts.test = test;
    }
    facts.started = clock.started;
    facts.elapsedSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - clock.start).count();

    record::Json json = record::buildRecord(facts, session.results.analysed, session.results.pca);
    if (session.results.bootstrap.replicates > 0) json["bootstrap"] = bootstrapJson(session.results.bootstrap);
    if (session.settings.rerunOrigin)
        json["input"]["rerun_of"] = {{"record", absolute(session.settings.rerunOrigin->recordPath)},
                                     {"sha256", session.settings.rerunOrigin->recordSha256}};
    base::replaceFileAtomically(recordPath, record::recordText(json));
}

}  // namespace zeltric::run
