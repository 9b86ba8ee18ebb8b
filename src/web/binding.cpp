// The browser front end's binding: zeltric-cli's options and steps, driven from the worker in three calls (begin, advance
// until done, read the results) so that the worker can return to its event
// loop between batches of randomisations. No analysis is done here; every file is written by the
// same steps zeltric-cli runs, into the worker's in-memory file system.
#include <emscripten.h>

#include <memory>
#include <string>
#include <vector>

#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "cli/batch_run.hpp"
#include "cli/cli_options.hpp"
#include "formats/foreign_formats.hpp"
#include "randomisation/seed_file.hpp"
#include "run/message_place.hpp"
#include "run/go_step.hpp"
#include "run/session.hpp"
#include "run/steps.hpp"
#include "run/user_interface.hpp"

namespace {

using namespace zeltric;

using run::kInputError;
using run::kUsageError;
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

    void information(const std::string& text) override { messages.push_back(text); }
    void error(const std::string& text) override { messages.push_back(text); }
    std::optional<std::pair<std::string, std::string>> askSeeds() override { return std::nullopt; }
    std::optional<std::string> askCount(const std::string&) override { return std::nullopt; }
    void showResults(const std::string&) override {}
    void setCaption(const std::string&) override {}
    void progressStart(int maximum) override {
        maximum_ = maximum;
        reportProgress(0, 0, maximum);
    }
    void progressStep(int position) override { reportProgress(0, position, maximum_); }
    void progressEnd() override {}
    bool cancelRequested() override { return cancel; }

private:
    int maximum_ = 0;
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
    const run::BatchOutcome opened = run::openForBatch(session, options, web.ui);
    if (opened.finished) return 0;
    if (opened.status != 0) {
        // An input error here is the coding's, told as the open step's message.
        if (!opened.message.empty())
            web.error = opened.message;
        else if (!web.ui.messages.empty())
            web.error = web.ui.messages.back();
        return opened.status;
    }
    if (options.test) {
        // No terminal to type seeds on.
        const run::BatchOutcome seeds = run::settleSeeds(session, options, web.ui, false);
        if (seeds.status != 0) {
            web.error = seeds.message;
            return seeds.status;
        }
    }
    run::applyRandomisationChoices(session, options);
    web.go = std::make_unique<run::SteppedGoStep>(session, web.ui);
    return 0;
}

// What zeltric-cli does after the go step: a test's seeds are saved.
int finish(WebRun& web) {
    if (web.options.test && !web.options.keepSeedFile &&
        !randomisation::saveSeeds(web.session.generator, web.options.seedFile)) {
        web.error = data::seedsNotAdvancedMessage(web.options.seedFile);
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
