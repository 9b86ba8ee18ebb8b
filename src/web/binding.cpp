// The browser front end's binding: zeltric-cli's options and steps, driven from the worker in three calls (begin, advance
// until done, read the results) so that the worker can return to its event
// loop between batches of randomisations. No analysis is done here; every file is written by the
// same steps zeltric-cli runs, into the worker's in-memory file system.
#include <emscripten.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "base/fatal_error.hpp"
#include "cli/cli_options.hpp"
#include "cli/number_list.hpp"
#include "formats/foreign_formats.hpp"
#include "randomisation/seed_file.hpp"
#include "run/asking.hpp"
#include "run/label_command.hpp"
#include "run/message_place.hpp"
#include "run/pick_logic.hpp"
#include "run/go_step.hpp"
#include "run/session.hpp"
#include "run/steps.hpp"
#include "run/user_interface.hpp"

namespace {

using namespace zeltric;

constexpr int kInputError = 1;
constexpr int kUsageError = 2;
constexpr int kInternalError = 3;

// Progress goes to the worker through the module object it created.
EM_JS(void, reportProgress, (int stage, int done, int total), {
    if (Module.zeltricProgress) Module.zeltricProgress(stage, done, total);
});

// The port for a run in the worker: messages are kept for the caller, no
// dialog is ever shown (every answer comes with the request).
class WorkerInterface final : public run::UserInterface {
public:
    std::vector<std::string> messages;
    bool cancel = false;
    // The first progress is the test's when one runs; the bootstrap's follows.
    bool testRuns = false;

    void information(const std::string& text) override { messages.push_back(text); }
    void error(const std::string& text) override { messages.push_back(text); }
    std::optional<std::pair<std::string, std::string>> askSeeds() override { return std::nullopt; }
    std::optional<std::string> askCount(const std::string&) override { return std::nullopt; }
    void showResults(const std::string&) override {}
    void setCaption(const std::string&) override {}
    void progressStart(int maximum) override {
        maximum_ = maximum;
        stage_ = testRuns && starts_ == 0 ? 0 : 1;
        ++starts_;
        reportProgress(stage_, 0, maximum);
    }
    void progressStep(int position) override { reportProgress(stage_, position, maximum_); }
    void progressEnd() override {}
    bool cancelRequested() override { return cancel; }

private:
    int maximum_ = 0;
    int starts_ = 0;
    int stage_ = 0;  // 0 the test, 1 the bootstrap
};

struct WebRun {
    run::Session session;
    WorkerInterface ui;
    run::CliOptions options;
    std::unique_ptr<run::SteppedGoStep> go;
    int status = 0;
    std::string error;
    std::string recordName;
};

std::unique_ptr<WebRun> current;

// zeltric-cli's seeds for a test: given, or read from the seed file (there
// is no terminal to type them on). Returns an exit status.
int settleSeeds(WebRun& web) {
    const run::CliOptions& options = web.options;
    run::Session& session = web.session;
    if (options.seeds) {
        session.generator.seed1 = static_cast<std::int32_t>(options.seeds->first);
        session.generator.seed2 = static_cast<std::int32_t>(options.seeds->second);
        return 0;
    }
    const auto [seed1, seed2] = randomisation::readSeedFile(options.seedFile);
    if (seed1 == 0 || seed2 == 0 || !randomisation::seedsUsable(seed1, seed2)) {
        web.error = "the seed file \"" + options.seedFile +
                    "\" is missing or holds seeds the generator cannot use; give seeds S1,S2";
        return kUsageError;
    }
    if (!run::loadSeeds(session.generator, options.seedFile, web.ui))
        web.ui.information("The seeds could not be written to \"" + options.seedFile + "\".");
    return 0;
}

// zeltric-cli's steps up to the go step (its main, less the terminal, the
// locks and the plot), then the go step's stages up to the test. Returns an
// exit status.
int start(WebRun& web, int argc, char** argv) {
    const run::CliParse parse = run::parseCliOptions(argc, argv);
    if (!parse.error.empty()) {
        web.error = parse.error;
        return kUsageError;
    }
    web.options = parse.options;
    const run::CliOptions& options = web.options;
    if (options.rerun) {
        web.error = "--rerun is not offered in the browser";
        return kUsageError;
    }
    if (options.plot || options.figure) {
        web.error = "this build has no plot or figure files yet";
        return kUsageError;
    }
    // The option parser has refused an unknown name.
    const auto kernels = options.kernels ? analysis::KernelSelection::fromName(*options.kernels)
                                         : std::optional(analysis::KernelSelection::best());
    run::Session& session = web.session;
    session.kernels = kernels.value_or(analysis::KernelSelection::best());
    session.seedFileName = options.seedFile;
    // One thread in the browser; the results do not depend on it.
    session.threads = 1;
    // A file in another format is analysed through its converted data and label files.
    const auto converted = formats::convertFile(options.dataFile, options.format, options.structure);
    if (converted) {
        for (const std::string& note : converted->notes) web.ui.information(note);
        if (options.convertOnly) return 0;
    } else if (options.convertOnly) {
        web.error = "--convert-only: \"" + options.dataFile + "\" is a data file already";
        return kUsageError;
    }
    run::openStep(session, web.ui, converted ? converted->paths.dataFile : options.dataFile);
    if (converted)
        session.convertedFrom = run::Session::ConvertedSource{
            options.dataFile, formats::formatName(converted->format), converted->paths.alleleTable};
    if (session.opened.alleleCoding != 1 && session.opened.alleleCoding != 2) {
        if (!web.ui.messages.empty()) web.error = web.ui.messages.back();
        return kInputError;
    }
    if (options.labels)
        run::labelCommand(session, *options.labels);
    else if (converted)
        run::labelCommand(session, converted->paths.labelFile);
    for (const auto& [list, kind, option] :
         {std::tuple{options.loci, run::PickKind::Loci, "--loci"},
          std::tuple{options.pops, run::PickKind::Populations, "--pops"}}) {
        if (!list) continue;
        const bool loci = kind == run::PickKind::Loci;
        std::string reason;
        const auto numbers = run::parseNumberList(*list, loci ? session.opened.nl : session.opened.np,
                                                  run::minimumChoice(kind), reason);
        if (!numbers) {
            web.error = std::string(option) + " " + *list + ": " + reason;
            return kUsageError;
        }
        run::chooseByNumbers(session, kind, *numbers);
    }
    if (options.test) {
        if (const int status = settleSeeds(web); status != 0) return status;
        session.menu.testingChecked = true;
        session.randomisationCount = *options.test;
        web.ui.testRuns = true;
    }
    if (options.bootstrap) {
        session.menu.bootstrapChecked = true;
        session.bootstrapReplicates = *options.bootstrap;
        if (options.bootstrapSeeds) {
            session.bootstrapSeed1 = static_cast<std::int32_t>(options.bootstrapSeeds->first);
            session.bootstrapSeed2 = static_cast<std::int32_t>(options.bootstrapSeeds->second);
        }
    }
    web.go = std::make_unique<run::SteppedGoStep>(session, web.ui);
    return 0;
}

// What zeltric-cli does after the go step: a test's seeds are saved.
int finish(WebRun& web) {
    if (web.options.test && !web.options.keepSeedFile &&
        !randomisation::saveSeeds(web.session.generator, web.options.seedFile)) {
        web.error = "The results are complete, but the seeds could not be written to \"" + web.options.seedFile +
                    "\": the random stream was not advanced, so the next run would repeat this test's "
                    "randomisations. Make the seed file writable or choose another with --seed-file.";
        return kInputError;
    }
    return 0;
}

// Runs `stage` as zeltric-cli's main does: a fatal input error ends the run
// with its message and exit status 1, anything else is an internal error.
template <typename Stage>
void guarded(WebRun& web, Stage stage) {
    try {
        web.status = stage();
    } catch (const data::FatalError& e) {
        web.error = run::placeOfFixedMessage(web.session, web.options.dataFile, e) + e.what();
        web.status = kInputError;
    } catch (const std::exception& e) {
        web.error = std::string("internal error: ") + e.what();
        web.status = kInternalError;
    }
    if (web.status != 0) web.go.reset();
    if (web.session.runDone) web.recordName = run::outputPath(web.session, ".json");
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* zeltric_version() { return ZELTRIC_VERSION; }

// Starts a run with zeltric-cli's command line in the current folder.
// Returns non-zero while there is work left for zeltric_advance.
EMSCRIPTEN_KEEPALIVE int zeltric_begin(int argc, char** argv) {
    current = std::make_unique<WebRun>();
    WebRun& web = *current;
    guarded(web, [&] { return start(web, argc, argv); });
    if (web.go) return 1;
    if (web.status == 0) guarded(web, [&] { return finish(web); });
    return 0;
}

// Takes up to `count` more randomisations. Returns non-zero while there is
// work left.
EMSCRIPTEN_KEEPALIVE int zeltric_advance(int count) {
    if (!current || !current->go) return 0;
    WebRun& web = *current;
    bool more = false;
    guarded(web, [&] {
        more = web.go->advance(count);
        return 0;
    });
    if (more) return 1;
    if (web.go) {
        web.go.reset();
        guarded(web, [&] { return finish(web); });
    }
    return 0;
}

EMSCRIPTEN_KEEPALIVE void zeltric_cancel() {
    if (current) current->ui.cancel = true;
}

// zeltric-cli's exit status for the run.
EMSCRIPTEN_KEEPALIVE int zeltric_status() { return current ? current->status : 0; }

// The message zeltric-cli would print for a failed run, or "".
EMSCRIPTEN_KEEPALIVE const char* zeltric_error() { return current ? current->error.c_str() : ""; }

// Notices shown during the run, in order.
EMSCRIPTEN_KEEPALIVE int zeltric_message_count() {
    return current ? static_cast<int>(current->ui.messages.size()) : 0;
}
EMSCRIPTEN_KEEPALIVE const char* zeltric_message(int index) {
    if (!current || index < 0 || index >= static_cast<int>(current->ui.messages.size())) return "";
    return current->ui.messages[static_cast<std::size_t>(index)].c_str();
}

// The file name of the run record, or "".
EMSCRIPTEN_KEEPALIVE const char* zeltric_record_name() { return current ? current->recordName.c_str() : ""; }

}  // extern "C"
