// The browser front end's binding: zeltric-cli's options and steps, driven from the worker in three calls (begin, advance
// until done, read the results) so that the worker can return to its event
// loop between batches of randomisations. No analysis is done here; every file is written by the
// same steps zeltric-cli runs, into the worker's in-memory file system.
#include <emscripten.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/fatal_error.hpp"
#include "base/limits.hpp"
#include "base/messages.hpp"
#include "base/messages_cli.hpp"
#include "base/messages_run.hpp"
#include "cli/batch_run.hpp"
#include "cli/cli_options.hpp"
#include "extended/input_kind.hpp"
#include "figure/figure_layout.hpp"
#include "figure/label_placement.hpp"
#include "figure/session_figure.hpp"
#include "figure/svg_writer.hpp"
#include "formats/foreign_formats.hpp"
#include "randomisation/seed_file.hpp"
#include "run/go_step.hpp"
#include "run/message_place.hpp"
#include "run/open_summary.hpp"
#include "run/result_tables.hpp"
#include "run/session.hpp"
#include "run/steps.hpp"
#include "run/user_interface.hpp"

namespace zeltric::web {
namespace {

using cli::kInputError;
using cli::kUsageError;
constexpr int kInternalError = 3;

// Progress goes to the worker through the module object it created.
// The body is JavaScript, not for the C++ formatter.
// clang-format off
EM_JS(void, reportProgress, (int stage, int done, int total), {
    if (Module.zeltricProgress) Module.zeltricProgress(stage, done, total);
});
// clang-format on

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
    cli::CliOptions options;
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
    const cli::CliParse parse = cli::parseCliOptions(argc, argv);
    if (!parse.error.empty()) {
        web.error = parse.error;
        return kUsageError;
    }
    web.options = parse.options;
    const cli::CliOptions& options = web.options;
    // The page runs the exact analysis only.
    if (const std::string problem = cli::exactTestProblem(options); !problem.empty()) {
        web.error = problem;
        return kUsageError;
    }
    if (options.rerun) {
        web.error = base::notInBrowserRerunMessage();
        return kUsageError;
    }
    if (options.plot || options.figure) {
        web.error = base::notInBrowserPicturesMessage();
        return kUsageError;
    }
    // The option parser has refused an unknown name.
    const auto kernels = options.kernels ? analysis::KernelSelection::fromName(*options.kernels)
                                         : std::optional(analysis::KernelSelection::best());
    run::Session& session = web.session;
    session.settings.kernels = kernels.value_or(analysis::KernelSelection::best());
    session.settings.seedFileName = options.seedFile;
    // One thread in the browser; the results do not depend on it.
    session.settings.threads = 1;
    const cli::BatchOutcome opened = cli::openForBatch(session, options, web.ui);
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
        const cli::BatchOutcome seeds = cli::settleSeeds(session, options, web.ui, false);
        if (seeds.status != 0) {
            web.error = seeds.message;
            return seeds.status;
        }
        web.ui.testRuns = true;
    }
    cli::applyRandomisationChoices(session, options);
    web.go = std::make_unique<run::SteppedGoStep>(session, web.ui);
    return 0;
}

// What zeltric-cli does after the go step: a test's seeds are saved, and
// the tables written when asked.
int finish(WebRun& web) {
    if (web.options.test && !web.options.keepSeedFile &&
        !randomisation::saveSeeds(web.session.settings.generator, web.options.seedFile)) {
        web.error = base::seedsNotAdvancedMessage(web.options.seedFile);
        return kInputError;
    }
    if (web.options.tables) run::writeResultTables(web.session);
    return 0;
}

// Runs `stage` as zeltric-cli's main does: a fatal input error ends the run
// with its message and exit status 1, anything else is an internal error.
template <typename Stage>
void guarded(WebRun& web, Stage stage) {
    try {
        web.status = stage();
    } catch (const base::FatalError& e) {
        web.error = run::placeOfFixedMessage(web.session, web.options.dataFile, e) + e.what();
        web.status = kInputError;
    } catch (const std::exception& e) {
        web.error = std::string("internal error: ") + e.what();
        web.status = kInternalError;
    }
    if (web.status != 0) web.go.reset();
    if (web.session.results.runDone) web.recordName = run::outputPath(web.session, ".json");
}

// What the page shows once a file is chosen: the opened file as zeltric-cli
// would open it for the same command line (a foreign format converted first,
// the labels read), and the run layer's summary of its genotypes. A fault
// gets the message zeltric-cli would print.
nlohmann::json openSummary(int argc, char** argv) {
    nlohmann::json out = {{"error", nullptr}};
    const cli::CliParse parse = cli::parseCliOptions(argc, argv);
    if (!parse.error.empty()) {
        out["error"] = parse.error;
        return out;
    }
    // The opened file's own numbering: no --loci or --pops applied here.
    cli::CliOptions options = parse.options;
    options.loci.reset();
    options.pops.reset();
    options.convertOnly = false;
    run::Session session;
    WorkerInterface ui;
    try {
        // The extended analysis is not built into the page yet.
        if (!options.format && extended::DetectInputKind(options.dataFile) != extended::InputKind::Other) {
            out["error"] =
                base::notInBrowserExtendedMessage(std::filesystem::path(options.dataFile).filename().string());
            return out;
        }
        out["format"] = "zeltric";
        out["notes"] = std::vector<std::string>{};
        const cli::BatchOutcome opened =
            cli::openForBatch(session, options, ui, [&out](const formats::FileConversion& conversion) {
                out["format"] = formats::formatName(conversion.format);
                out["notes"] = conversion.notes;
            });
        if (opened.status != 0) {
            out["error"] = !opened.message.empty() ? opened.message
                           : ui.messages.empty()   ? base::dataFileNotOpenedMessage()
                                                   : ui.messages.back();
            return out;
        }
        const run::OpenedSummary summary = run::summariseOpened(session);
        const data::Dataset& ds = session.settings.opened;
        out["samples"] = ds.np;
        out["loci"] = ds.nl;
        out["individuals"] = summary.individuals;
        out["labelled"] = session.settings.useLabels;
        std::vector<std::string> names, loci;
        for (int s = 1; s <= ds.np; ++s) names.push_back(ds.populationLabels[static_cast<std::size_t>(s)]);
        for (int l = 1; l <= ds.nl; ++l) loci.push_back(ds.locusNames[static_cast<std::size_t>(l)]);
        out["sampleNames"] = names;
        out["sampleSizes"] = summary.sampleSizes;
        out["locusNames"] = loci;
        out["allelesPerLocus"] = summary.allelesPerLocus;
        out["alleles"] = summary.alleles;
    } catch (const base::FatalError& e) {
        out["error"] = run::placeOfFixedMessage(session, options.dataFile, e) + e.what();
    } catch (const std::exception& e) {
        out["error"] = std::string("internal error: ") + e.what();
    }
    return out;
}

// An axis's range and ticks in the data's units, as the figure draws them.
nlohmann::json scaleJson(const figure::AxisScale& scale) {
    nlohmann::json ticks = nlohmann::json::array();
    for (const auto& [value, text] : scale.ticks) ticks.push_back({{"value", value}, {"text", text}});
    return {{"lo", scale.lo}, {"hi", scale.hi}, {"ticks", ticks}};
}

// The figure of the last run's axes x and y: the samples' coordinates and
// the figure layer's titles, ranges and ticks for the page's own plot, and
// the figure file's SVG, the bootstrap's intervals in the titles only with
// `intervals` (as --figure-intervals). `colours` gives
// each analysed sample's colour as RRGGBB, comma-separated (missing: black).
nlohmann::json figureOf(WebRun& web, int x, int y, const std::string& colours, bool intervals) {
    const run::Session& session = web.session;
    if (!session.results.runDone) return {{"error", base::noFinishedRunMessage()}};
    const int axes = figure::figureAxisCount(session.results);
    if (const auto why = figure::figureUnavailable(session.results, x, y))
        return {{"error", *why}, {"axes", axes}};
    figure::FigureOptions options;
    options.intervals = intervals;
    figure::FigureInput input = figure::figureInput(session.settings, session.results, x, y, options);
    std::size_t at = 0;
    for (figure::FigureSample& sample : input.samples) {
        if (at >= colours.size()) break;
        const std::size_t comma = std::min(colours.find(',', at), colours.size());
        const std::string hex = colours.substr(at, comma - at);
        if (hex.size() == 6 && hex.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos)
            sample.rgb = static_cast<std::uint32_t>(std::stoul(hex, nullptr, 16));
        at = comma + 1;
    }
    nlohmann::json samples = nlohmann::json::array();
    for (const figure::FigureSample& sample : input.samples)
        samples.push_back({{"label", sample.label}, {"x", sample.x}, {"y", sample.y}, {"rgb", sample.rgb}});
    return {{"error", nullptr},
            {"axes", axes},
            {"samples", samples},
            {"title", figure::figureTitle(x, y)},
            {"xTitle", figure::axisTitle(input.horizontal)},
            {"yTitle", figure::axisTitle(input.vertical)},
            {"xScale", scaleJson(figure::axisScale(input.samples, true))},
            {"yScale", scaleJson(figure::axisScale(input.samples, false))},
            {"svg", figure::writeSvg(figure::layoutFigure(input), figure::figureTitle(x, y))}};
}

// The figure layer's placement of the page plot's labels: `request` gives
// the frame {left, top, right, bottom}, the markers' radius, the gap and one
// {x, y, width, height} per label (pixels, y down); the answer one place per
// label: {kind: "near", "leader" or "omitted", box, start, end}.
nlohmann::json placeLabels(const nlohmann::json& request) {
    const auto rect = [](const nlohmann::json& r) {
        return figure::Rect{r.at("left").get<double>(), r.at("top").get<double>(), r.at("right").get<double>(),
                            r.at("bottom").get<double>()};
    };
    std::vector<figure::LabelRequest> labels;
    for (const nlohmann::json& label : request.at("labels"))
        labels.push_back({{label.at("x").get<double>(), label.at("y").get<double>()},
                          label.at("width").get<double>(),
                          label.at("height").get<double>()});
    figure::PlacementStyle style;
    style.markerRadius = request.at("radius").get<double>();
    style.gap = request.at("gap").get<double>();
    nlohmann::json places = nlohmann::json::array();
    for (const figure::LabelPlace& place : figure::placeLabels(rect(request.at("frame")), labels, style)) {
        const char* kind = place.kind == figure::LabelPlace::Kind::Near     ? "near"
                           : place.kind == figure::LabelPlace::Kind::Leader ? "leader"
                                                                            : "omitted";
        const figure::Rect& b = place.box;
        places.push_back({{"kind", kind},
                          {"box", {{"left", b.left}, {"top", b.top}, {"right", b.right}, {"bottom", b.bottom}}},
                          {"start", {{"x", place.leaderStart.x}, {"y", place.leaderStart.y}}},
                          {"end", {{"x", place.leaderEnd.x}, {"y", place.leaderEnd.y}}}});
    }
    return places;
}

// The ranges a request is checked against, for the page's hints, fields and
// its own check of a seed pair before it keeps it.
nlohmann::json limits() {
    return {{"minRandomisations", base::kMinRandomisations},
            {"maxRandomisations", base::kMaxRandomisations},
            {"minReplicates", base::kMinReplicates},
            {"maxReplicates", base::kMaxReplicates},
            {"seed1Max", base::kSeed1Max},
            {"seed2Max", base::kSeed2Max}};
}

std::string jsonReply;

}  // namespace

extern "C" {

// The open summary (JSON) for zeltric-cli's command line in the current folder.
EMSCRIPTEN_KEEPALIVE const char* zeltric_open_summary(int argc, char** argv) {
    jsonReply = openSummary(argc, argv).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return jsonReply.c_str();
}

// The last run's figure of axes x and y (JSON), coloured as `colours` says,
// with the bootstrap's intervals in its titles when `intervals` is non-zero.
EMSCRIPTEN_KEEPALIVE const char* zeltric_figure(int x, int y, const char* colours, int intervals) {
    const nlohmann::json reply = current ? figureOf(*current, x, y, colours, intervals != 0)
                                         : nlohmann::json{{"error", base::noFinishedRunMessage()}};
    jsonReply = reply.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return jsonReply.c_str();
}

// The labels of the page's plot placed by the figure layer (JSON in and out;
// {"error"} for a request it cannot read).
EMSCRIPTEN_KEEPALIVE const char* zeltric_place_labels(const char* request) {
    nlohmann::json reply;
    try {
        reply = placeLabels(nlohmann::json::parse(request));
    } catch (const std::exception& e) {
        reply = {{"error", std::string("internal error: ") + e.what()}};
    }
    jsonReply = reply.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return jsonReply.c_str();
}

EMSCRIPTEN_KEEPALIVE const char* zeltric_version() { return ZELTRIC_VERSION; }

// The ranges of the randomisations, the replicates and the seeds (JSON).
EMSCRIPTEN_KEEPALIVE const char* zeltric_limits() {
    jsonReply = limits().dump();
    return jsonReply.c_str();
}

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

}  // namespace zeltric::web
