#include "run/run_record_step.hpp"

#include <filesystem>
#include <thread>

#include "analysis/fast_kernels.hpp"
#include "data/fatal_error.hpp"
#include "data/output_file.hpp"
#include "platform/sha256.hpp"
#include "randomisation/permutation_test.hpp"

namespace zeltric::run {

namespace {

std::string absolute(const std::string& path) {
    std::error_code ec;
    const auto full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

std::string digestOf(const std::string& path) {
    const auto digest = platform::fileSha256(path);
    if (!digest) throw data::FatalError("Cannot read the file \"" + path + "\" to record its SHA-256.");
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

}  // namespace

bool clearRunRecord(const Session& session, UserInterface& ui, const std::string& recordPath) {
    bool userFile = false;
    for (const std::string* own : {&session.openedPath, &session.labelFileName, &session.seedFileName})
        userFile = userFile || (!own->empty() && data::sameFile(recordPath, *own));
    if (!userFile) {
        switch (record::inspectRecordFile(recordPath)) {
            case record::RecordFile::Absent:
                return true;
            case record::RecordFile::Ours: {
                std::error_code ec;
                std::filesystem::remove(recordPath, ec);
                if (ec)
                    throw data::FatalError("Cannot remove the run record \"" + recordPath +
                                           "\" of the earlier run: " + ec.message() + ".");
                return true;
            }
            case record::RecordFile::Foreign:
                break;
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
    const analysis::KernelSelection kernels = analysis::KernelSelection::fromEnvironment();
    facts.program.version = ZELTRIC_VERSION;
    facts.program.kernels = kernels.reference ? "reference" : analysis::isaName(kernels.isa);
    facts.program.threads =
        session.threads > 0 ? session.threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));

    record::InputFacts& input = facts.input;
    input.dataPath = absolute(session.openedPath);
    input.dataSha256 = digestOf(session.openedPath);
    if (session.menu.labelChecked && !session.labelFileName.empty()) {
        input.labelPath = absolute(session.labelFileName);
        input.labelSha256 = digestOf(session.labelFileName);
    }
    input.lociChosen = session.menu.lociChecked;
    input.samplesChosen = session.menu.popsChecked;
    input.loci = chosenNumbers(opened.locusSelected, opened.nl, input.lociChosen);
    input.samples = chosenNumbers(opened.populationSelected, opened.np, input.samplesChosen);

    if (seedsStart) {
        record::TestFacts test;
        test.randomisations = session.analysed.randomisationCount;
        test.seedsStart = *seedsStart;
        test.seedsEnd = {session.generator.seed1, session.generator.seed2};
        test.cancelled = !session.testCompleted;
        test.fstPValue = session.fstPValue;
        test.axisPValues = session.axisPValues;
        test.reportedAxes = randomisation::reportedPValueAxes(session.axisPValues, session.pca.dimension);
        facts.test = test;
    }
    facts.started = clock.started;
    facts.elapsedSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - clock.start).count();

    data::replaceFileAtomically(recordPath,
                                record::recordText(record::buildRecord(facts, session.analysed, session.pca)));
}

}  // namespace zeltric::run
