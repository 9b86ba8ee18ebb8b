#include "cli/batch_run.hpp"

#include <tuple>

#include "base/messages.hpp"
#include "base/messages_cli.hpp"
#include "cli/number_list.hpp"
#include "data/dataset.hpp"
#include "randomisation/random_generator.hpp"
#include "randomisation/seed_file.hpp"
#include "run/asking.hpp"
#include "run/label_command.hpp"
#include "run/pick_logic.hpp"
#include "run/steps.hpp"

namespace zeltric::cli {

BatchOutcome openForBatch(run::Session& session, const CliOptions& options, run::UserInterface& ui,
                          const std::function<void(const formats::FileConversion&)>& converted) {
    // A file in another format is analysed through its converted data and label files.
    const auto conversion = formats::convertFile(options.dataFile, options.format, options.structure);
    if (conversion) {
        for (const std::string& note : conversion->notes) ui.information(note);
        if (converted) converted(*conversion);
        if (options.convertOnly) return {0, {}, true};
    } else if (options.convertOnly) {
        return {kUsageError, base::convertOnlyDataFileMessage(options.dataFile)};
    }
    run::openStep(session, ui, conversion ? conversion->paths.dataFile : options.dataFile);
    if (conversion)
        session.settings.convertedFrom = run::ConvertedSource{
            options.dataFile, formats::formatName(conversion->format), conversion->paths.alleleTable};
    // The open step has told the coding's message.
    if (!data::validCoding(session.settings.opened.alleleCoding)) return {kInputError, {}};
    if (options.labels)
        run::labelCommand(session, *options.labels);
    else if (conversion)
        run::labelCommand(session, conversion->paths.labelFile);
    for (const auto& [list, kind, option] : {std::tuple{options.loci, run::PickKind::Loci, "--loci"},
                                             std::tuple{options.pops, run::PickKind::Populations, "--pops"}}) {
        if (!list) continue;
        const bool loci = kind == run::PickKind::Loci;
        std::string reason;
        const auto numbers = parseNumberList(*list, loci ? session.settings.opened.nl : session.settings.opened.np,
                                             run::minimumChoice(kind), reason);
        if (!numbers) return {kUsageError, base::numberListMessage(option, *list, reason)};
        run::chooseByNumbers(session, kind, *numbers);
    }
    return {};
}

BatchOutcome settleSeeds(run::Session& session, const CliOptions& options, run::UserInterface& ui,
                         bool interactive) {
    if (options.seeds) {
        session.settings.generator.seed1 = static_cast<std::int32_t>(options.seeds->first);
        session.settings.generator.seed2 = static_cast<std::int32_t>(options.seeds->second);
        return {};
    }
    const auto [seed1, seed2] = randomisation::readSeedFile(options.seedFile);
    if (!interactive && seed1 != 0 && seed2 != 0 && !randomisation::seedsUsable(seed1, seed2)) {
        const bool first = seed1 % (randomisation::kSeed1Max + 1) == 0;
        return {kUsageError, base::seedFileMultipleMessage(
                                 options.seedFile, first, first ? seed1 : seed2,
                                 first ? randomisation::kSeed1Max + 1LL : randomisation::kSeed2Max + 1LL)};
    }
    if (!interactive && (seed1 == 0 || seed2 == 0))
        return {kUsageError, base::seedFileMissingMessage(options.seedFile)};
    if (!run::loadSeeds(session.settings.generator, options.seedFile, ui))
        ui.information(base::seedsNotWrittenMessage(options.seedFile));
    return {};
}

void applyRandomisationChoices(run::Session& session, const CliOptions& options) {
    if (options.test) {
        session.settings.testingOn = true;
        session.settings.randomisationCount = *options.test;
    }
    if (options.bootstrap) {
        session.settings.bootstrapOn = true;
        session.settings.bootstrapReplicates = *options.bootstrap;
        if (options.bootstrapSeeds) {
            session.settings.bootstrapSeed1 = static_cast<std::int32_t>(options.bootstrapSeeds->first);
            session.settings.bootstrapSeed2 = static_cast<std::int32_t>(options.bootstrapSeeds->second);
        }
    }
}

}  // namespace zeltric::cli
