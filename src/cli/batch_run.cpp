#include "cli/batch_run.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <tuple>
#include <vector>

#include "base/fatal_error.hpp"

#include "base/messages.hpp"
#include "base/messages_cli.hpp"
#include "base/messages_ranges.hpp"
#include "cli/number_list.hpp"
#include "data/dataset.hpp"
#include "randomisation/random_generator.hpp"
#include "randomisation/seed_file.hpp"
#include "run/asking.hpp"
#include "run/label_command.hpp"
#include "run/pick_logic.hpp"
#include "run/steps.hpp"

namespace zeltric::cli {

namespace {

bool mayBeOtherFormat(const std::string& path) {
    // Only a regular file is looked into: a pipe would block here, and the
    // data file reader names what else it is.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    std::string head(4096, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return formats::mayBeOtherFormat(head, std::filesystem::path(path).extension().string());
}

// What is wrong with a seed file that gave no two usable seeds, as it is.
std::string seedFileProblem(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) return "does not exist";
    if (std::filesystem::is_directory(status)) return "is a folder, not a file";
    if (!std::filesystem::is_regular_file(status)) return "is not a regular file";
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot be read";
    std::string head(256, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    std::vector<std::string> words;
    for (std::size_t i = 0; i < head.size() && words.size() < 2;) {
        while (i < head.size() && static_cast<unsigned char>(head[i]) <= 32) ++i;
        const std::size_t start = i;
        while (i < head.size() && static_cast<unsigned char>(head[i]) > 32) ++i;
        if (i > start) words.push_back(head.substr(start, std::min<std::size_t>(i - start, 30)));
    }
    if (words.empty()) return "is empty";
    for (const std::string& word : words) {
        const std::size_t digits = word[0] == '+' || word[0] == '-' ? 1 : 0;
        if (digits >= word.size() || word[digits] < '0' || word[digits] > '9')
            return "holds \"" + word + "\" where a seed (a whole number) is expected";
        if (word.find_first_not_of('0', digits) == std::string::npos ||
            word[word.find_first_not_of('0', digits)] < '1' || word[word.find_first_not_of('0', digits)] > '9')
            return "holds the seed 0, which would hold the generator at 0";
    }
    if (words.size() < 2) return "holds one number; two seeds are expected";
    return "holds a number beyond the seeds' range (" + base::firstSeedRange() + " and " +
           base::secondSeedRange() + ")";
}

}  // namespace

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
    // A file taken for a data file that may be another program's: the data
    // file reader's refusal says how to state the format.
    const bool hint = !conversion && !options.format && mayBeOtherFormat(options.dataFile);
    try {
        run::openStep(session, ui, conversion ? conversion->paths.dataFile : options.dataFile);
    } catch (const base::FatalError& e) {
        if (!hint) throw;
        throw base::FatalError(e.code(),
                               std::string(e.what()) + base::kLineBreak + base::otherFormatHint(options.dataFile),
                               e.individual());
    }
    if (conversion)
        session.settings.convertedFrom =
            run::ConvertedSource{options.dataFile, formats::formatName(conversion->format),
                                 conversion->paths.alleleTable, conversion->sha256};
    // The open step has told the coding's message.
    if (!data::validCoding(session.settings.opened.alleleCoding)) {
        if (hint) ui.information(base::otherFormatHint(options.dataFile));
        return {kInputError, {}};
    }
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
        return {kUsageError, base::seedFileUnusableMessage(options.seedFile, seedFileProblem(options.seedFile))};
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
