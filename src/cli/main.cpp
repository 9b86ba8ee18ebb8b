// The batch front end: the open and go steps driven by options.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <sstream>
#include <vector>

#if ZELTRIC_HAS_PLOT
#include <QGuiApplication>
#include <QImage>
#endif

#include "analysis/fast_kernels.hpp"
#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "base/messages_cli.hpp"
#include "base/messages_run.hpp"
#include "cli/batch_main.hpp"
#include "cli/batch_run.hpp"
#include "cli/cli_options.hpp"
#include "cli/extended_batch.hpp"
#include "cli/rerun_check.hpp"
#include "cli/statistics_batch.hpp"
#include "cli/terminal_interface.hpp"
#include "data/selection_filter.hpp"
#include "extended/from_dataset.hpp"
#include "figure/figure_file.hpp"
#include "figure/session_figure.hpp"
#include "formats/foreign_formats.hpp"
#include "platform/platform.hpp"
#include "randomisation/seed_file.hpp"
#include "run/file_roles.hpp"
#include "run/go_step.hpp"
#include "run/message_place.hpp"
#include "run/result_tables.hpp"
#include "run/run_files.hpp"
#include "run/session.hpp"
#include "run/shown_results.hpp"
#include "run/steps.hpp"
#if ZELTRIC_HAS_PLOT
#include "ui/plot_figure.hpp"
#include "ui/plot_painter.hpp"
#endif

namespace zeltric::cli {
namespace {

int usageError(const std::string& message) {
    std::cerr << "zeltric-cli: " << message << "\nTry 'zeltric-cli --help'.\n";
    return kUsageError;
}

// The kernels of --kernels, else of ZELTRIC_KERNELS (read here, once: the
// core never reads the environment); an unknown name is a usage error.
std::optional<analysis::KernelSelection> chooseKernels(const CliOptions& options) {
    if (options.kernels) return analysis::KernelSelection::fromName(*options.kernels);
    const char* variable = std::getenv("ZELTRIC_KERNELS");
    if (variable == nullptr) return analysis::KernelSelection::best();
    return analysis::KernelSelection::fromName(variable);
}

// What is wrong with --plot's and the figure's axes when the analysis reports
// axes 1..last (`bound`: at most that many, known before the analysis), as
// a usage error's text; empty when they can be drawn.
std::string axesProblem(const CliOptions& options, int last, bool bound) {
    const std::string has = std::string(bound ? "the samples analysed give at most " : "the analysis has ") +
                            std::to_string(std::max(last, 0)) + " reported axes";
    if (options.plot) {
        const auto [x, y] = *options.plot;
        if (last < 2) return "--plot: " + has + "; a plot needs at least two";
        if (x < 1 || x > last - 1 || y < 2 || y > last)
            return "--plot " + std::to_string(x) + "," + std::to_string(y) + ": X must lie in 1.." +
                   std::to_string(last - 1) + " and Y in 2.." + std::to_string(last) +
                   (bound ? " (" + has + ")" : "");
    }
    if (options.figure) {
        const auto [x, y] = options.axes ? *options.axes : options.plot ? *options.plot : std::pair{1, 2};
        if (last < 2) return "--figure: " + has + "; a figure needs at least two";
        if (x < 1 || x > last || y < 1 || y > last)
            return "--axes " + std::to_string(x) + "," + std::to_string(y) + ": both axes must lie in 1.." +
                   std::to_string(last) + (bound ? " (" + has + ")" : "");
    }
    return {};
}

// An impossible --plot or --axes is refused before anything is written: by
// the samples analysed before the go step (an analysis of n samples reports
// at most n - 1 axes), by the analysis's own dimension before the test.
std::string axesProblemBeforeGo(const run::Session& session, const CliOptions& options) {
    int samples = 0;
    for (int s = 1; s <= session.settings.opened.np; ++s)
        if (!session.settings.selectPops ||
            session.settings.opened.populationSelected[static_cast<std::size_t>(s)] != 0)
            ++samples;
    return axesProblem(options, samples - 1, true);
}

// Axes 1..reportedAxes are reported, by either analysis.
int reportedAxes(const run::Session& session) {
    if (session.results.extended) return run::shownAxes(session.results);
    return static_cast<int>(session.results.pca.dimension) - 1;
}

#if ZELTRIC_HAS_PLOT
// Qt Gui without a display, for the plot and the PDF and PNG figures.
std::unique_ptr<QGuiApplication> startHeadlessGui(int& argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt warns on every start without a runtime folder; give it a private one.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const std::string folder = platform::privateRuntimeFolder();
        if (!folder.empty()) qputenv("XDG_RUNTIME_DIR", folder.c_str());
    }
    return std::make_unique<QGuiApplication>(argc, argv);
}

// The plot of a new plot window, drawn headless. Returns an exit status.
int writePlot(const run::Session& session, const CliOptions& options) {
    const auto [x, y] = *options.plot;
    const int last = reportedAxes(session);
    if (const std::string problem = axesProblem(options, last, false); !problem.empty())
        return usageError(problem);
    const auto [width, height] = ui::newWindowBitmapSize();
    const QImage picture = ui::renderPlot(session, x, y, width, height, nullptr);
    const std::string chosen = options.plotFile ? *options.plotFile : session.results.dataFileName + ".bmp";
    std::string written;
    std::string error;
    if (!ui::savePlotBmp(picture, chosen, &written, &error)) {
        std::cerr << "zeltric-cli: error: " << error << '\n';
        return kInputError;
    }
    if (!options.quiet) std::cerr << "zeltric-cli: " << base::pictureWrittenNotice("plot", x, y, written) << '\n';
    return 0;
}
#endif

// The publication figure of --axes (or --plot's axes, or 1 and 2). Returns an
// exit status. The figure's file was checked with the run's other files.
int writeFigure(const run::Session& session, const CliOptions& options) {
    const auto [x, y] = options.axes ? *options.axes : options.plot ? *options.plot : std::pair{1, 2};
    const int last = reportedAxes(session);
    if (const std::string problem = axesProblem(options, last, false); !problem.empty())
        return usageError(problem);
    const std::string& path = *options.figure;
#if ZELTRIC_HAS_PLOT
    const figure::FigureRenderer render = ui::renderFigure;
#else
    const figure::FigureRenderer render;
#endif
    try {
        figure::FigureOptions figureOptions;
        figureOptions.intervals = options.figureIntervals;
        figureOptions.freeAspect = options.figureAspect == "free";
        figure::writeFigureFile(path, figure::figureSvg(session.settings, session.results, x, y, figureOptions),
                                options.figureWidth.value_or(figure::kDefaultPngWidth), render);
    } catch (const base::FatalError& e) {
        std::cerr << "zeltric-cli: error: " << e.what() << '\n';
        return kInputError;
    }
    if (!options.quiet) std::cerr << "zeltric-cli: " << base::pictureWrittenNotice("figure", x, y, path) << '\n';
    return 0;
}

// --statistics on the analysed data set: the samples as the PCA numbered
// them, those with individuals, in order.
int writeStatistics(const run::Session& session, const CliOptions& options, cli::TerminalInterface& ui,
                    const figure::FigureRenderer& render) {
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
        return cli::writeStatistics(options, data, session.results.dataFileName, firstAxis, ui, render);
    } catch (const base::FatalError& e) {
        ui.error(e.what());
        return kInputError;
    }
}

#if ZELTRIC_HAS_PLOT
// The plot's file name as savePlotBmp will write it.
std::string plotPath(const CliOptions& options, const std::string& base) {
    return ui::bitmapFileName(options.plotFile ? *options.plotFile : base + ".bmp");
}
#endif

// Every file of the run, checked before the seeds are read or anything is
// written: no two roles may share a file, no output is a link or a pipe.
void refuseUnsafeFiles(const run::Session& session, const CliOptions& options) {
    const bool loci = session.settings.selectLoci;
    const bool pops = session.settings.selectPops;
    const std::string plain = run::outputBase(session);
    const std::string base =
        loci || pops ? data::selectionBaseName(plain, session.settings.opened, loci, pops) : plain;
    std::vector<run::FileRole> roles =
        run::goStepFiles(session.settings.openedPath, options.labels.value_or(""),
                         options.test && !options.keepSeedFile ? options.seedFile : "", base, loci || pops);
#if ZELTRIC_HAS_PLOT
    if (options.plot) roles.push_back({"plot file", plotPath(options, base), true});
#endif
    if (options.figure) roles.push_back({"figure file", *options.figure, true});
    for (run::FileRole& role : cli::statisticsFileRoles(options, base)) roles.push_back(std::move(role));
    run::refuseUnsafeFileRoles(roles);
}

// Says once per run that locks cannot be had; the run carries on without.
void tellUnsupported(const std::string& lockName, cli::TerminalInterface& ui) {
    static bool told = false;
    if (told) return;
    told = true;
    ui.information(base::lockUnsupportedNotice(lockName));
}

// Says once per lock that another run holds it.
std::function<void()> waitingNotice(const std::string& shownName, cli::TerminalInterface& ui) {
    return [&ui, shownName, told = false]() mutable {
        if (!told) ui.information(base::waitingForLockNotice(shownName));
        told = true;
    };
}

// Takes `lock` on the lock file NAME.lock of the outputs NAME.*.
void lockOutputs(platform::FileLock& lock, const std::string& name, const std::string& shownName,
                 cli::TerminalInterface& ui) {
    if (lock.acquire(name + ".lock", waitingNotice(shownName, ui)) != platform::FileLock::State::Held)
        tellUnsupported(name + ".lock", ui);
}

// Takes `lock` on the seed file (randomisation::lockSeedFile).
void lockSeedFile(platform::FileLock& lock, const std::string& target, const std::string& shownName,
                  cli::TerminalInterface& ui) {
    const std::string refused = randomisation::lockSeedFile(lock, target, waitingNotice(shownName, ui));
    if (!refused.empty()) tellUnsupported(refused, ui);
}

int runCli(int& argc, char** argv, const cli::ExtendedSpread& spread) {
    const cli::CliParse parse = cli::parseCliOptions(argc, argv);
    if (!parse.error.empty()) return usageError(parse.error);
    CliOptions options = parse.options;
    if (options.help) {
        std::cout << cli::cliUsage();
        return 0;
    }
    if (options.version) {
        std::cout << "zeltric-cli " << ZELTRIC_VERSION << '\n';
        return 0;
    }

#if !ZELTRIC_HAS_PLOT
    if (options.plot) return usageError(base::noBmpPlotMessage());
    if (options.figure && figure::figureFormat(*options.figure) != figure::FigureFormat::Svg)
        return usageError(base::figureNeedsQtBuildMessage());
    if (options.pairwiseFigure && figure::figureFormat(*options.pairwiseFigure) != figure::FigureFormat::Svg)
        return usageError(base::figureNeedsQtBuildMessage());
    const figure::FigureRenderer render;
#else
    const figure::FigureRenderer render = ui::renderFigure;
    // Started before either analysis when the pairwise figure needs it.
    std::unique_ptr<QGuiApplication> gui;
    if (options.pairwiseFigure && figure::figureFormat(*options.pairwiseFigure) != figure::FigureFormat::Svg)
        gui = startHeadlessGui(argc, argv);
#endif
    const auto kernels = chooseKernels(options);
    if (!kernels)
        return usageError(
            base::kernelsVariableMessage(std::getenv("ZELTRIC_KERNELS"), analysis::KernelSelection::names()));

    // From here a stop signal removes the lock files before it ends the run.
    cli::installInterruptHandler();
    cli::TerminalInterface ui(options.quiet);
    ui.setDataFile(options.dataFile);
    const cli::ExtendedPictures extendedPictures = [&](const run::Session& analysed) -> int {
#if ZELTRIC_HAS_PLOT
        // One application per process: the pairwise figure may have started it.
        if (!gui && (options.plot ||
                     (options.figure && figure::figureFormat(*options.figure) != figure::FigureFormat::Svg)))
            gui = startHeadlessGui(argc, argv);
        if (options.plot)
            if (const int failed = writePlot(analysed, options); failed != 0) return failed;
#endif
        if (options.figure)
            if (const int failed = writeFigure(analysed, options); failed != 0) return failed;
        if (options.tables) try {
                run::writeResultTables(analysed);
            } catch (const base::FatalError& e) {
                std::cerr << "zeltric-cli: error: " << e.what() << '\n';
                return kInputError;
            }
        return 0;
    };
    if (const std::optional<int> extendedStatus =
            cli::runExtendedIfChosen(options, ui, spread, render, extendedPictures))
        return *extendedStatus;
    if (const std::string problem = cli::exactTestProblem(options); !problem.empty()) return usageError(problem);
    run::Session session;
    session.settings.kernels = *kernels;
    session.settings.seedFileName = options.seedFile;
    session.settings.threads = options.threads;
    // Held for the go step and until the plot and the results are out, so two
    // runs on one data file never mix their outputs.
    platform::FileLock outputsLock;
    // Held from reading the seeds to saving them, so two runs continue one stream.
    platform::FileLock seedLock;
    const std::string seedTarget = randomisation::resolveSeedFileName(options.seedFile);
    // Once a test has drawn from the stream, its continuation must be saved,
    // or the next run silently repeats the stream: whatever ends the run
    // after that says so when saving failed.
    bool seedsSaved = true;
    const int status = [&]() -> int {
        std::optional<record::RerunPlan> plan;
        try {
            if (options.rerun) {
                plan = record::planRerun(*options.rerun);
                if (plan->cancelled) ui.information(base::recordedTestCancelledNotice());
                cli::applyRerunPlan(options, *plan);
                session.settings.outputFolder = cli::rerunFolder(options, *plan);
                session.settings.rerunOrigin = plan->origin;
                ui.setDataFile(options.dataFile);
            }
            const cli::BatchOutcome opened =
                cli::openForBatch(session, options, ui, [&](const formats::FileConversion& converted) {
                    if (!options.quiet)
                        std::cerr << "zeltric-cli: "
                                  << base::convertedNotice(converted.paths.dataFile, converted.paths.labelFile,
                                                           converted.paths.alleleTable)
                                  << '\n';
                });
            if (opened.finished) return 0;
            if (opened.status != 0) return opened.message.empty() ? opened.status : usageError(opened.message);
            if (plan) cli::checkRerunData(session, *plan);
            if (const std::string problem = axesProblemBeforeGo(session, options); !problem.empty())
                return usageError(problem);
            refuseUnsafeFiles(session, options);
            lockOutputs(outputsLock, run::outputBase(session), options.dataFile, ui);
            if (options.test) {
                if (!options.seeds) lockSeedFile(seedLock, seedTarget, options.seedFile, ui);
                const cli::BatchOutcome seeds = cli::settleSeeds(session, options, ui, ui.interactive());
                if (seeds.status != 0) return usageError(seeds.message);
            }
            cli::applyRandomisationChoices(session, options);
            const std::pair<std::int32_t, std::int32_t> streamStart{session.settings.generator.seed1,
                                                                    session.settings.generator.seed2};
            const auto saveSeeds = [&] {
                const bool drawn =
                    std::pair{session.settings.generator.seed1, session.settings.generator.seed2} != streamStart;
                if (!options.test || options.keepSeedFile || !drawn) return;
                if (options.seeds) lockSeedFile(seedLock, seedTarget, options.seedFile, ui);
                seedsSaved = randomisation::saveSeeds(session.settings.generator, options.seedFile);
                seedLock.release();
            };
            try {
                run::goStep(session, ui, [&](const run::Session& analysed) {
                    const int last = static_cast<int>(analysed.results.pca.dimension) - 1;
                    if (const std::string problem = axesProblem(options, last, false); !problem.empty())
                        throw cli::UsageRefusal(problem);
                });
            } catch (...) {
                saveSeeds();  // a run that failed after its test still moves the stream on
                throw;
            }
            saveSeeds();
            if (plan) cli::checkRerunAnalysed(session, *plan);
        } catch (const cli::UsageRefusal& e) {
            return usageError(e.what());
        } catch (const base::FatalError& e) {
            const std::string place = run::placeOfFixedMessage(session, options.dataFile, e);
            if (place.empty())
                ui.error(e.what());
            else
                std::cerr << "zeltric-cli: " << place << cli::TerminalInterface::displayText(e.what()) << '\n';
            return kInputError;
        } catch (const std::bad_alloc&) {
            ui.error(base::outOfMemoryMessage(options.dataFile));
            return kInputError;
        }
#if ZELTRIC_HAS_PLOT
        if (!gui && (options.plot ||
                     (options.figure && figure::figureFormat(*options.figure) != figure::FigureFormat::Svg)))
            gui = startHeadlessGui(argc, argv);
        if (options.plot)
            if (const int failed = writePlot(session, options); failed != 0) return failed;
#endif
        if (options.figure)
            if (const int failed = writeFigure(session, options); failed != 0) return failed;
        if (options.tables) try {
                run::writeResultTables(session);
            } catch (const base::FatalError& e) {
                std::cerr << "zeltric-cli: error: " << e.what() << '\n';
                return kInputError;
            }
        if (options.statistics)
            if (const int failed = writeStatistics(session, options, ui, render); failed != 0) return failed;
        if (!options.quiet) {
            std::ifstream results(run::outputPath(session, ".pca"), std::ios::binary);
            std::cout << results.rdbuf();
        }
        if (plan) return cli::compareRerunOutputs(session, *plan, ui);
        return 0;
    }();
    if (!seedsSaved) {
        ui.error(base::seedsNotAdvancedMessage(options.seedFile));
        return status == 0 ? kInputError : status;
    }
    return status;
}

// Everything printed must have arrived: a full disk or a closed pipe on
// standard output is a failure, not a success.
int finishStandardOutput(int status) {
    std::cout.flush();
    const bool streamOk = static_cast<bool>(std::cout);
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int error = errno;
    // A write that failed after earlier bytes got through (a full disk, a
    // reader that closed the pipe) leaves only the stream's error mark: the
    // stream state and the last flush may both look fine.
    const bool noEarlierError = std::ferror(stdout) == 0;
    const bool closed = std::fclose(stdout) == 0;
    if (streamOk && flushed && noEarlierError && closed) return status;
    const int reason = !closed && error == 0 ? errno : error;
    std::cerr << "zeltric-cli: error: " << base::standardOutputFailedMessage(reason) << '\n';
    return status == 0 ? kInputError : status;
}

}  // namespace

int batchMain(int& argc, char** argv, const ExtendedSpread& spread) {
    int status = 3;
    try {
        status = runCli(argc, argv, spread);
    } catch (const std::bad_alloc&) {
        std::cerr << "zeltric-cli: error: " << base::outOfMemoryFailure() << '\n';
        status = kInputError;
    } catch (const std::exception& e) {
        std::cerr << "zeltric-cli: internal error: " << e.what() << '\n';
        status = 3;
    }
    return finishStandardOutput(status);
}

}  // namespace zeltric::cli

#ifndef ZELTRIC_SPREAD_FRONT_END
int main(int argc, char** argv) {
    const int status = zeltric::cli::batchMain(argc, argv, {});
    // A cancelled test finished as usual; the caller (a shell loop) must still
    // see that the run was interrupted.
    if (zeltric::platform::interruptRequested()) zeltric::platform::endByInterrupt();
    return status;
}
#endif
