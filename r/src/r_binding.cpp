// The R package's binding: zeltric-cli's options and steps, run inside R.
// No analysis and no output file is made here: the R side writes the data
// into a folder of the run's own and passes a command line; every file is
// written by the same steps zeltric-cli runs, and the R object is read back
// from the run record and the outputs.
#include <Rcpp.h>

#include <filesystem>
#include <fstream>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "base/messages_cli.hpp"
#include "base/messages_run.hpp"
#include "cli/batch_run.hpp"
#include "cli/cli_options.hpp"
#include "cli/rerun_check.hpp"
#include "cli/statistics_batch.hpp"
#include "data/selection_filter.hpp"
#include "extended/from_dataset.hpp"
#include "extended/input_kind.hpp"
#include "platform/platform.hpp"
#include "r_interface.h"
#include "randomisation/seed_file.hpp"
#include "run/extended_step.hpp"
#include "run/file_roles.hpp"
#include "run/go_step.hpp"
#include "run/message_place.hpp"
#include "run/port_observer.hpp"
#include "run/result_tables.hpp"
#include "run/run_files.hpp"
#include "run/session.hpp"
#include "run/steps.hpp"

namespace zeltric::r {
namespace {

using cli::kInputError;
using cli::kUsageError;
constexpr int kInternalError = 3;

// How a run ended, for the R side: zeltric-cli's exit status, the message it
// would print for a failure, the notices in order, and the files written.
struct Outcome {
    int status = 0;
    std::string error;
    std::string results;  // the results file, empty when none was written
    std::string record;   // the run record, empty when none was written
    bool extended = false;
};

// The options the extended analysis does not offer yet, refused with
// zeltric-cli's messages.
std::optional<std::string> extendedRefusal(const cli::CliOptions& o) {
    for (const auto& [given, option] : {std::pair{o.loci.has_value(), "--loci"},
                                        {o.pops.has_value(), "--pops"},
                                        {o.labels.has_value(), "--labels"},
                                        {o.tables, "--tables"},
                                        {o.plot.has_value(), "--plot"},
                                        {o.figure.has_value(), "--figure"},
                                        {o.convertOnly, "--convert-only"}})
        if (given) return std::string(option) + " is not available with the extended analysis yet";
    return std::nullopt;
}

// zeltric-cli's extended branch (cli/extended_batch.cpp) with the port for R:
// the test, its seeds and the statistics as there. Returns true when the
// extended analysis took the run (or refused it).
bool runExtendedIfChosen(const cli::CliOptions& options, RInterface& ui, Outcome& out) {
    if (options.rerun) return false;
    const bool asked = options.analysis == std::optional<std::string>("extended");
    const bool exactAsked = options.analysis == std::optional<std::string>("exact");
    const extended::InputKind kind =
        options.format ? extended::InputKind::Other : extended::DetectInputKind(options.dataFile);
    const auto usage = [&](const std::string& message) {
        out.status = kUsageError;
        out.error = message;
        return true;
    };
    if (kind != extended::InputKind::Other && exactAsked)
        return usage("--analysis exact: VCF, BCF and PLINK files are analysed by the extended analysis only");
    if (exactAsked) {
        if (options.popmap) return usage("--popmap is for VCF, BCF and PLINK files");
        return false;
    }
    if (kind != extended::InputKind::Other || asked)
        if (auto refused = extendedRefusal(options)) return usage(*refused);

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
    // Once the test has drawn from the stream its continuation is saved,
    // however the run ends, or the next run would repeat the stream.
    const auto saveSeeds = [&] {
        const randomisation::RandomGenerator& g = seedSession.settings.generator;
        if (!options.test || options.keepSeedFile || request.generator == nullptr ||
            std::pair{g.seed1, g.seed2} == streamStart)
            return;
        if (options.seeds) randomisation::lockSeedFile(seedLock, seedTarget, [] {});
        const bool saved = randomisation::saveSeeds(g, options.seedFile);
        seedLock.release();
        request.generator = nullptr;
        if (!saved && out.status == 0) {
            out.status = cli::kInputError;
            out.error = base::seedsNotAdvancedMessage(options.seedFile);
        }
    };
    try {
        std::optional<extended::ExtendedData> data = run::LoadForExtended(request);
        if (!data) {
            if (options.popmap) return usage("--popmap is for VCF, BCF and PLINK files");
            return false;
        }
        if (auto refused = extendedRefusal(options)) return usage(*refused);
        out.extended = true;
        // Blocks of loci as zeltric-cli takes them (its default block size).
        if (options.bootstrap) {
            request.bootstrapReplicates = *options.bootstrap;
            if (options.bootstrapSeeds) {
                request.bootstrapSeed1 = static_cast<std::int32_t>(options.bootstrapSeeds->first);
                request.bootstrapSeed2 = static_cast<std::int32_t>(options.bootstrapSeeds->second);
            }
            request.observer = &observer;
        }
        if (options.test) {
            if (!options.seeds && !options.keepSeedFile) randomisation::lockSeedFile(seedLock, seedTarget, [] {});
            const cli::BatchOutcome seeds = cli::settleSeeds(seedSession, options, ui, false);
            if (seeds.status != 0) return usage(seeds.message);
            streamStart = {seedSession.settings.generator.seed1, seedSession.settings.generator.seed2};
            request.randomisations = *options.test;
            request.generator = &seedSession.settings.generator;
            request.observer = &observer;
        }
        std::vector<double> firstAxis;
        const run::ExtendedRun outcome = run::RunExtendedStep(request, *data, &firstAxis);
        out.results = outcome.resultsPath;
        saveSeeds();
        const std::string base = out.results.substr(0, out.results.size() - std::string(".pca").size());
        if (const int status = cli::writeStatistics(options, *data, base, firstAxis, ui, {}); status != 0) {
            out.status = status;
            out.error = ui.messages.empty() ? std::string() : ui.messages.back();
        }
    } catch (...) {
        saveSeeds();
        throw;
    }
    return true;
}

// zeltric-cli's files check (cli/main.cpp) without the plot and figure.
void refuseUnsafeFiles(const run::Session& session, const cli::CliOptions& options) {
    const bool loci = session.settings.selectLoci;
    const bool pops = session.settings.selectPops;
    const std::string plain = run::outputBase(session);
    const std::string base =
        loci || pops ? data::selectionBaseName(plain, session.settings.opened, loci, pops) : plain;
    std::vector<run::FileRole> roles =
        run::goStepFiles(session.settings.openedPath, options.labels.value_or(""),
                         options.test && !options.keepSeedFile ? options.seedFile : "", base, loci || pops);
    for (run::FileRole& role : cli::statisticsFileRoles(options, base)) roles.push_back(std::move(role));
    run::refuseUnsafeFileRoles(roles);
}

// zeltric-cli's --statistics after the exact analysis (cli/main.cpp): the
// samples as the PCA numbered them, those with individuals, in order.
int writeExactStatistics(const run::Session& session, const cli::CliOptions& options, RInterface& ui) {
    const data::Dataset& ds = session.results.analysed;
    std::vector<double> firstAxis;
    int before = 0;
    for (int s = 1; s <= ds.np; ++s) {
        const int end = ds.sampleEnds[static_cast<std::size_t>(s)];
        if (end > before)
            firstAxis.push_back(session.results.pca.dimension > 1
                                    ? static_cast<double>(session.results.pca.populationCoordinates(s, 1))
                                    : 0.0);
        before = end;
    }
    try {
        const extended::ExtendedData data = extended::FromDataset(ds);
        return cli::writeStatistics(options, data, session.results.dataFileName, firstAxis, ui, {});
    } catch (const base::FatalError& e) {
        ui.error(e.what());
        return cli::kInputError;
    }
}

// Locks are taken as zeltric-cli takes them; where the file system has none
// the run goes on without, as there.
void lockOutputs(platform::FileLock& lock, const std::string& name) {
    lock.acquire(name + ".lock", [] {});
}

// zeltric-cli's run (cli/main.cpp) less the terminal, the plot and the
// figure; a rerun's comparison with the original outputs is kept.
void runExact(const cli::CliOptions& given, run::Session& session, RInterface& ui, Outcome& out) {
    cli::CliOptions options = given;
    platform::FileLock outputsLock;
    platform::FileLock seedLock;
    const std::string seedTarget = randomisation::resolveSeedFileName(options.seedFile);
    std::optional<record::RerunPlan> plan;
    if (options.rerun) {
        plan = record::planRerun(*options.rerun);
        if (plan->cancelled) ui.information(base::recordedTestCancelledNotice());
        cli::applyRerunPlan(options, *plan);
        session.settings.outputFolder = cli::rerunFolder(options, *plan);
        session.settings.rerunOrigin = plan->origin;
    }
    const cli::BatchOutcome opened = cli::openForBatch(session, options, ui);
    if (opened.status != 0) {
        out.status = opened.status;
        out.error = !opened.message.empty() ? opened.message
                    : ui.messages.empty()   ? base::dataFileNotOpenedMessage()
                                            : ui.messages.back();
        return;
    }
    if (plan) cli::checkRerunData(session, *plan);
    refuseUnsafeFiles(session, options);
    lockOutputs(outputsLock, run::outputBase(session));
    if (options.test) {
        if (!options.seeds) randomisation::lockSeedFile(seedLock, seedTarget, [] {});
        const cli::BatchOutcome seeds = cli::settleSeeds(session, options, ui, false);
        if (seeds.status != 0) {
            out.status = seeds.status;
            out.error = seeds.message;
            return;
        }
    }
    cli::applyRandomisationChoices(session, options);
    const std::pair<std::int32_t, std::int32_t> streamStart{session.settings.generator.seed1,
                                                            session.settings.generator.seed2};
    // A test that drew from the stream moves the seed file on, even when the
    // run failed after it, so the next run never repeats the stream.
    const auto saveSeeds = [&] {
        const bool drawn =
            std::pair{session.settings.generator.seed1, session.settings.generator.seed2} != streamStart;
        if (!options.test || options.keepSeedFile || !drawn) return true;
        if (options.seeds) randomisation::lockSeedFile(seedLock, seedTarget, [] {});
        const bool saved = randomisation::saveSeeds(session.settings.generator, options.seedFile);
        seedLock.release();
        return saved;
    };
    try {
        run::goStep(session, ui);
    } catch (...) {
        saveSeeds();
        throw;
    }
    if (!saveSeeds()) {
        out.status = kInputError;
        out.error = base::seedsNotAdvancedMessage(options.seedFile);
    }
    if (plan) cli::checkRerunAnalysed(session, *plan);
    if (options.tables) run::writeResultTables(session);
    out.results = run::outputPath(session, ".pca");
    if (options.statistics && out.status == 0)
        if (const int status = writeExactStatistics(session, options, ui); status != 0) {
            out.status = status;
            out.error = ui.messages.empty() ? std::string() : ui.messages.back();
            return;
        }
    if (plan && out.status == 0) out.status = cli::compareRerunOutputs(session, *plan, ui);
}

// A JSON value as the R value it reads as: objects become named lists,
// arrays of numbers (or of booleans, of strings) vectors, other arrays lists,
// null NULL.
SEXP toR(const nlohmann::ordered_json& value) {
    using json = nlohmann::ordered_json;
    switch (value.type()) {
        case json::value_t::null: return R_NilValue;
        case json::value_t::boolean: return Rcpp::wrap(value.get<bool>());
        case json::value_t::string: return Rcpp::wrap(value.get<std::string>());
        case json::value_t::number_integer:
        case json::value_t::number_unsigned:
        case json::value_t::number_float: return Rcpp::wrap(value.get<double>());
        case json::value_t::object: {
            Rcpp::List list(value.size());
            Rcpp::CharacterVector names(value.size());
            R_xlen_t i = 0;
            for (auto it = value.begin(); it != value.end(); ++it, ++i) {
                names[i] = it.key();
                list[i] = toR(it.value());
            }
            list.attr("names") = names;
            return list;
        }
        case json::value_t::array: {
            const auto all = [&](auto test) {
                if (value.empty()) return false;
                for (const json& item : value)
                    if (!test(item)) return false;
                return true;
            };
            if (all([](const json& v) { return v.is_number(); })) {
                Rcpp::NumericVector v(value.size());
                for (std::size_t i = 0; i < value.size(); ++i)
                    v[static_cast<R_xlen_t>(i)] = value[i].get<double>();
                return v;
            }
            if (all([](const json& v) { return v.is_string(); })) {
                Rcpp::CharacterVector v(value.size());
                for (std::size_t i = 0; i < value.size(); ++i)
                    v[static_cast<R_xlen_t>(i)] = value[i].get<std::string>();
                return v;
            }
            if (all([](const json& v) { return v.is_boolean(); })) {
                Rcpp::LogicalVector v(value.size());
                for (std::size_t i = 0; i < value.size(); ++i) v[static_cast<R_xlen_t>(i)] = value[i].get<bool>();
                return v;
            }
            Rcpp::List list(value.size());
            for (std::size_t i = 0; i < value.size(); ++i) list[static_cast<R_xlen_t>(i)] = toR(value[i]);
            return list;
        }
        case json::value_t::binary:
        case json::value_t::discarded: break;
    }
    return R_NilValue;
}

}  // namespace
}  // namespace zeltric::r

// Runs zeltric-cli's command line `args` (without the program name).
// `progress(stage, done, total)` is called during the test (stage 0) and the
// bootstrap (stage 1); `cancel_after` > 0 cancels the test after that many
// randomisations, as an interrupt would; `keep_seed_file` leaves the seed
// file unwritten (seeds given, no seed file named); `tables` writes the CSV
// tables after an exact analysis (the extended analysis has none). Returns status, error, messages,
// results, record, extended and cancelled.
// [[Rcpp::export(.zeltric_cli_run)]]
Rcpp::List zeltricCliRun(Rcpp::CharacterVector args, Rcpp::Nullable<Rcpp::Function> progress, int cancel_after,
                         bool keep_seed_file, bool tables) {
    using namespace zeltric;
    std::vector<std::string> words{"zeltric-cli"};
    for (R_xlen_t i = 0; i < args.size(); ++i) words.push_back(Rcpp::as<std::string>(args[i]));
    std::vector<const char*> argv;
    for (const std::string& word : words) argv.push_back(word.c_str());

    r::Outcome out;
    const cli::CliParse parse = cli::parseCliOptions(static_cast<int>(argv.size()), argv.data());
    std::function<bool(int, int, int)> report;
    if (progress.isNotNull()) {
        SEXP callback = progress.get();
        // An error or an interrupt inside the R callback must not unwind
        // through the core's frames: it is caught at a top level of its own
        // and cancels the run instead.
        report = [callback](int stage, int done, int total) {
            SEXP s = PROTECT(Rf_ScalarInteger(stage));
            SEXP d = PROTECT(Rf_ScalarInteger(done));
            SEXP t = PROTECT(Rf_ScalarInteger(total));
            SEXP call = PROTECT(Rf_lang4(callback, s, d, t));
            int failed = 0;
            R_tryEvalSilent(call, R_GlobalEnv, &failed);
            UNPROTECT(4);
            return failed == 0;
        };
    }
    std::vector<int> stages;
    if (parse.error.empty()) {
        if (parse.options.test) stages.push_back(0);
        if (parse.options.bootstrap) stages.push_back(1);
        if (parse.options.statistics && parse.options.pairwiseTest) stages.push_back(2);
    }
    r::RInterface ui(report, cancel_after, std::move(stages));
    run::Session session;
    if (!parse.error.empty()) {
        out.status = cli::kUsageError;
        out.error = parse.error;
    } else {
        cli::CliOptions options = parse.options;
        options.keepSeedFile = options.keepSeedFile || keep_seed_file;
        session.settings.kernels =
            options.kernels
                ? analysis::KernelSelection::fromName(*options.kernels).value_or(analysis::KernelSelection::best())
                : analysis::KernelSelection::best();
        session.settings.seedFileName = options.seedFile;
        session.settings.threads = options.threads;
        try {
            if (!r::runExtendedIfChosen(options, ui, out)) {
                options.tables = options.tables || tables;
                if (const std::string problem = cli::exactTestProblem(options); !problem.empty()) {
                    out.status = cli::kUsageError;
                    out.error = problem;
                } else {
                    r::runExact(options, session, ui, out);
                }
            }
        } catch (const cli::UsageRefusal& e) {
            out.status = cli::kUsageError;
            out.error = e.what();
        } catch (const base::FatalError& e) {
            out.status = cli::kInputError;
            out.error = run::placeOfFixedMessage(session, options.dataFile, e) + base::displayLineEnds(e.what());
        } catch (const std::bad_alloc&) {
            out.status = cli::kInputError;
            out.error = base::outOfMemoryMessage(options.dataFile);
        } catch (const std::exception& e) {
            out.status = r::kInternalError;
            out.error = std::string("internal error: ") + e.what();
        }
        if (session.results.runDone) out.record = run::outputPath(session, ".json");
        if (out.extended && !out.results.empty()) {
            const std::filesystem::path results(out.results);
            out.record = (results.parent_path() / results.stem()).string() + ".json";
        }
    }
    return Rcpp::List::create(Rcpp::Named("status") = out.status, Rcpp::Named("error") = out.error,
                              Rcpp::Named("messages") = ui.messages, Rcpp::Named("results") = out.results,
                              Rcpp::Named("record") = out.record, Rcpp::Named("extended") = out.extended,
                              Rcpp::Named("cancelled") = ui.cancelled);
}

// The JSON file at `path` (a run record) as an R list.
// [[Rcpp::export(.zeltric_read_json)]]
SEXP zeltricReadJson(std::string path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Rcpp::stop("cannot read " + path);
    nlohmann::ordered_json value;
    try {
        value = nlohmann::ordered_json::parse(in);
    } catch (const nlohmann::json::exception& e) {
        Rcpp::stop(path + ": " + e.what());
    }
    return zeltric::r::toR(value);
}
