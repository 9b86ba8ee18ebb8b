// The browser front end's binding: zeltric-cli's options and steps, driven
// from the worker in three calls (begin, advance until done, read the
// results) so that the worker can return to its event loop between batches
// of randomisations. No analysis is done here; every file is written by the
// same steps zeltric-cli runs, into the worker's in-memory file system.
#include <emscripten.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "data/fatal_error.hpp"
#include "run/cli_options.hpp"
#include "run/label_command.hpp"
#include "run/number_list.hpp"
#include "run/pick_logic.hpp"
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
    int status = 0;
    std::string error;
    std::string recordName;
};

std::unique_ptr<WebRun> current;

// zeltric-cli's steps up to the end of the go step.
int start(WebRun& web, int argc, char** argv) {
    const run::CliParse parse = run::parseCliOptions(argc, argv);
    if (!parse.error.empty()) {
        web.error = parse.error;
        return kUsageError;
    }
    const run::CliOptions& options = parse.options;
    run::Session& session = web.session;
    session.seedFileName = options.seedFile;
    session.threads = 1;
    try {
        run::openStep(session, web.ui, options.dataFile);
        if (session.opened.alleleCoding != 1 && session.opened.alleleCoding != 2) {
            if (!web.ui.messages.empty()) web.error = web.ui.messages.back();
            return kInputError;
        }
        if (options.labels) run::labelCommand(session, *options.labels);
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
            if (!options.seeds) {
                web.error = "a test in the browser needs its seeds: give seeds S1,S2";
                return kUsageError;
            }
            session.generator.seed1 = static_cast<std::int32_t>(options.seeds->first);
            session.generator.seed2 = static_cast<std::int32_t>(options.seeds->second);
            session.menu.testingChecked = true;
            session.opened.testingOn = true;
            session.opened.randomisationCount = *options.test;
        }
        run::goStep(session, web.ui);
        if (options.test && !run::exitStep(session))
            web.ui.information("The seeds could not be written to \"" + options.seedFile + "\".");
    } catch (const data::FatalError& e) {
        web.error = e.what();
        return kInputError;
    }
    return 0;
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* zeltric_version() { return ZELTRIC_VERSION; }

// Starts a run with zeltric-cli's command line in the current folder.
// Returns non-zero while there is work left for zeltric_advance.
EMSCRIPTEN_KEEPALIVE int zeltric_begin(int argc, char** argv) {
    current = std::make_unique<WebRun>();
    try {
        current->status = start(*current, argc, argv);
    } catch (const std::exception& e) {
        current->error = std::string("internal error: ") + e.what();
        current->status = kInternalError;
    }
    return 0;
}

// Takes up to `count` more randomisations. Returns non-zero while there is
// work left.
EMSCRIPTEN_KEEPALIVE int zeltric_advance(int count) {
    (void)count;
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
