#include "cli/extended_batch.hpp"

#include <fstream>
#include <iostream>
#include <memory>
#include <new>

#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "base/messages_cli.hpp"
#include "base/messages_run.hpp"
#include "base/output_file.hpp"
#include "cli/batch_run.hpp"
#include "cli/statistics_batch.hpp"
#include "extended/input_kind.hpp"
#include "platform/platform.hpp"
#include "randomisation/seed_file.hpp"
#include "run/extended_step.hpp"
#include "run/port_observer.hpp"
#include "run/session.hpp"
#include "run/steps.hpp"

namespace zeltric::cli {

namespace {

int usage(const std::string& message) {
    std::cerr << "zeltric-cli: " << message << "\nTry 'zeltric-cli --help'.\n";
    return kUsageError;
}

// The options the extended analysis does not offer yet.
std::optional<int> refuseUnsupported(const CliOptions& o, bool pictures) {
    for (const auto& [given, option] : {std::pair{o.loci.has_value(), "--loci"},
                                        {o.pops.has_value(), "--pops"},
                                        {o.labels.has_value(), "--labels"},
                                        {o.plot.has_value() && !pictures, "--plot"},
                                        {o.figure.has_value() && !pictures, "--figure"},
                                        {o.tables && !pictures, "--tables"},
                                        {o.convertOnly, "--convert-only"}})
        if (given) return usage(std::string(option) + " is not available with the extended analysis yet");
    return std::nullopt;
}

// Takes `lock` on the seed file (randomisation::lockSeedFile), saying once
// that another run holds it.
void lockSeedFile(platform::FileLock& lock, const std::string& target, const std::string& shownName,
                  TerminalInterface& ui) {
    bool told = false;
    const std::string refused = randomisation::lockSeedFile(lock, target, [&] {
        if (!told) ui.information(base::waitingForLockNotice(shownName));
        told = true;
    });
    if (!refused.empty()) ui.information(base::lockUnsupportedNotice(refused));
}

}  // namespace

std::optional<int> runExtendedIfChosen(const CliOptions& options, TerminalInterface& ui,
                                       const ExtendedSpread& spread, const figure::FigureRenderer& render,
                                       const ExtendedPictures& pictures) {
    if (options.rerun) return std::nullopt;
    const bool asked = options.analysis == std::optional<std::string>("extended");
    const bool exactAsked = options.analysis == std::optional<std::string>("exact");
    const extended::InputKind kind =
        options.format ? extended::InputKind::Other : extended::DetectInputKind(options.dataFile);
    if (kind != extended::InputKind::Other && exactAsked)
        return usage("--analysis exact: VCF, BCF and PLINK files are analysed by the extended analysis only");
    if (exactAsked) {
        if (options.popmap) return usage("--popmap is for VCF, BCF and PLINK files");
        if (options.bootstrapBlock) return usage(base::blockExactMessage());
        return std::nullopt;
    }
    if (kind != extended::InputKind::Other || asked)
        if (auto refused = refuseUnsupported(options, static_cast<bool>(pictures))) return refused;

    run::ExtendedRequest request;
    request.dataFile = options.dataFile;
    request.popmapFile = options.popmap;
    request.forcedFormat = options.format;
    request.structure = options.structure;
    request.asked = asked;
    request.threads = options.threads > 0 ? options.threads : platform::usableProcessorCount();
    request.alleleOutputs = options.alleleOutputs;
    request.version = ZELTRIC_VERSION;
    request.note = [&](const std::string& text) { ui.information(text); };
    run::PortObserver observer(ui);
    run::Session seedSession;
    platform::FileLock seedLock;
    const std::string seedTarget = randomisation::resolveSeedFileName(options.seedFile);
    std::pair<std::int32_t, std::int32_t> streamStart{0, 0};
    bool seedsSaved = true;
    // Once the test has drawn from the stream its continuation is saved,
    // however the run ends, or the next run would repeat the stream.
    const auto saveSeeds = [&] {
        const randomisation::RandomGenerator& g = seedSession.settings.generator;
        if (!options.test || options.keepSeedFile || request.generator == nullptr ||
            std::pair{g.seed1, g.seed2} == streamStart)
            return;
        if (options.seeds) lockSeedFile(seedLock, seedTarget, options.seedFile, ui);
        seedsSaved = randomisation::saveSeeds(g, options.seedFile);
        seedLock.release();
        request.generator = nullptr;
    };
    const auto seedFailure = [&](int status) {
        if (seedsSaved) return status;
        ui.error(base::seedsNotAdvancedMessage(options.seedFile));
        return status == 0 ? kInputError : status;
    };
    if (!options.quiet)
        request.progress = [](std::size_t loci) { std::cerr << "zeltric-cli: " << loci << " loci read\n"; };
    try {
        std::optional<extended::ExtendedData> data = run::LoadForExtended(request);
        if (!data) {
            if (options.popmap) return usage("--popmap is for VCF, BCF and PLINK files");
            if (options.bootstrapBlock) return usage(base::blockExactMessage());
            return std::nullopt;
        }
        if (auto refused = refuseUnsupported(options, static_cast<bool>(pictures))) return refused;
        // A picture is never written over the data or its map.
        for (const std::optional<std::string>& picture : {options.figure, options.plotFile})
            for (const std::optional<std::string>& input : {std::optional(options.dataFile), options.popmap})
                if (picture && input && base::sameFile(*picture, *input))
                    return usage(base::figureIsInputMessage(*picture, *input));
        const std::string outputBase = run::baseName(options.dataFile);
        for (const std::optional<std::string>& picture : {options.figure, options.plotFile})
            for (const char* extension : {".pca", ".pop", ".json", ".fre", ".al", ".fre.gz", ".al.gz"})
                if (picture && base::sameFile(*picture, outputBase + extension))
                    return usage(base::figureIsResultsMessage(*picture, outputBase + extension));
        if (options.bootstrapBlock && static_cast<unsigned long long>(*options.bootstrapBlock) > data->loci())
            return usage(base::blockPastLociMessage(*options.bootstrapBlock, data->loci()));
        if (options.bootstrap) {
            request.bootstrapReplicates = *options.bootstrap;
            if (options.bootstrapSeeds) {
                request.bootstrapSeed1 = static_cast<std::int32_t>(options.bootstrapSeeds->first);
                request.bootstrapSeed2 = static_cast<std::int32_t>(options.bootstrapSeeds->second);
            }
            request.bootstrapBlock =
                options.bootstrapBlock ? static_cast<std::size_t>(*options.bootstrapBlock) : 0;
            request.observer = &observer;
        }
        if (options.test) {
            // The seeds as the exact analysis's test takes them: --seeds, else
            // the seed file, locked from reading to saving.
            if (!options.seeds && !options.keepSeedFile) lockSeedFile(seedLock, seedTarget, options.seedFile, ui);
            const BatchOutcome seeds = settleSeeds(seedSession, options, ui, ui.interactive());
            if (seeds.status != 0) return usage(seeds.message);
            streamStart = {seedSession.settings.generator.seed1, seedSession.settings.generator.seed2};
            request.randomisations = *options.test;
            request.generator = &seedSession.settings.generator;
            request.observer = &observer;
            request.shareData = spread.shareData;
            request.buildGram = spread.buildGram;
            request.analyseBatch = spread.analyseBatch;
            request.spreadProcesses = spread.processes;
        }
        auto opened = std::make_shared<run::ExtendedOpened>();
        opened->data = std::move(*data);
        opened->popmapFile = options.popmap;
        run::Session session;
        session.settings.openedPath = options.dataFile;
        session.settings.fileOpen = true;
        session.settings.extended = opened;
        std::vector<double> firstAxis;
        auto extendedRun =
            std::make_shared<run::ExtendedRun>(run::RunExtendedStep(request, opened->data, &firstAxis));
        saveSeeds();
        const std::string results = extendedRun->resultsPath;
        session.results.dataFileName = outputBase;
        session.results.extended = std::move(extendedRun);
        session.results.runDone = true;
        const std::string base = results.substr(0, results.size() - std::string(".pca").size());
        if (const int status = writeStatistics(options, opened->data, base, firstAxis, ui, render); status != 0)
            return status;
        if ((options.plot || options.figure || options.tables) && pictures)
            if (const int failed = pictures(session); failed != 0) return failed;
        if (!options.quiet) {
            std::ifstream in(results, std::ios::binary);
            std::cout << in.rdbuf();
        }
    } catch (const base::FatalError& e) {
        saveSeeds();
        ui.error(e.what());
        return seedFailure(kInputError);
    } catch (const std::bad_alloc&) {
        saveSeeds();
        ui.error(base::outOfMemoryMessage(options.dataFile));
        return seedFailure(kInputError);
    }
    return seedFailure(0);
}

}  // namespace zeltric::cli
