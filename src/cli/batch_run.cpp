#include "cli/batch_run.hpp"

#include <tuple>

#include "cli/number_list.hpp"
#include "randomisation/seed_file.hpp"
#include "run/asking.hpp"
#include "run/label_command.hpp"
#include "run/pick_logic.hpp"
#include "run/steps.hpp"

namespace zeltric::run {

namespace {

constexpr int kInputError = 1;
constexpr int kUsageError = 2;

// Seeds for a test: given on the command line, read from the seed file, or
// asked on the terminal.
int settleSeeds(Session& session, const CliOptions& options, UserInterface& ui, bool interactive,
                std::string& usage) {
    if (options.seeds) {
        session.generator.seed1 = static_cast<std::int32_t>(options.seeds->first);
        session.generator.seed2 = static_cast<std::int32_t>(options.seeds->second);
        return 0;
    }
    const auto [seed1, seed2] = randomisation::readSeedFile(options.seedFile);
    if ((seed1 == 0 || seed2 == 0) && !interactive) {
        usage = "the seed file \"" + options.seedFile +
                "\" is missing or holds a zero; give --seeds S1,S2 or run on a terminal to type them";
        return kUsageError;
    }
    if (!loadSeeds(session.generator, options.seedFile, ui))
        ui.information("The seeds could not be written to \"" + options.seedFile + "\".");
    return 0;
}

}  // namespace

int prepareBatch(Session& session, const CliOptions& options, UserInterface& ui, bool interactive,
                 std::string& usage) {
    session.seedFileName = options.seedFile;
    session.threads = options.threads;
    openStep(session, ui, options.dataFile);
    if (session.opened.alleleCoding != 1 && session.opened.alleleCoding != 2) return kInputError;
    if (options.labels) labelCommand(session, *options.labels);
    for (const auto& [list, kind, option] :
         {std::tuple{options.loci, PickKind::Loci, "--loci"},
          std::tuple{options.pops, PickKind::Populations, "--pops"}}) {
        if (!list) continue;
        const bool loci = kind == PickKind::Loci;
        std::string reason;
        const auto numbers = parseNumberList(*list, loci ? session.opened.nl : session.opened.np,
                                             minimumChoice(kind), reason);
        if (!numbers) {
            usage = std::string(option) + " " + *list + ": " + reason;
            return kUsageError;
        }
        chooseByNumbers(session, kind, *numbers);
    }
    if (options.test) {
        if (const int status = settleSeeds(session, options, ui, interactive, usage); status != 0) return status;
        session.menu.testingChecked = true;
        session.randomisationCount = *options.test;
    }
    return 0;
}

void finishBatch(Session& session, const CliOptions& options, UserInterface& ui) {
    if (options.test && !exitStep(session))
        ui.information("The seeds could not be written to \"" + options.seedFile + "\".");
}

}  // namespace zeltric::run
