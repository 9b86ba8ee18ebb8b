// The batch front end: the open and go steps driven by options.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <new>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#if ZELTRIC_HAS_PLOT
#include <QGuiApplication>
#include <QImage>
#endif

#include "analysis/fast_kernels.hpp"
#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "cli/batch_run.hpp"
#include "cli/cli_options.hpp"
#include "cli/terminal_interface.hpp"
#include "data/selection_filter.hpp"
#include "figure/figure_file.hpp"
#include "figure/session_figure.hpp"
#include "formats/foreign_formats.hpp"
#include "platform/platform.hpp"
#include "randomisation/seed_file.hpp"
#include "run/file_roles.hpp"
#include "run/go_step.hpp"
#include "run/message_place.hpp"
#include "run/result_tables.hpp"
#include "run/session.hpp"
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

#if ZELTRIC_HAS_PLOT
// Qt Gui without a display, for the plot and the PDF and PNG figures.
std::unique_ptr<QGuiApplication> startHeadlessGui(int& argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt warns on every start without a runtime folder; give it a private one.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const std::string folder = "/tmp/zeltric-runtime-" + std::to_string(::getuid());
        struct stat info {};
        if ((::mkdir(folder.c_str(), 0700) == 0 || ::stat(folder.c_str(), &info) == 0) &&
            (info.st_mode == 0 || (S_ISDIR(info.st_mode) && info.st_uid == ::getuid())))
            qputenv("XDG_RUNTIME_DIR", folder.c_str());
    }
    return std::make_unique<QGuiApplication>(argc, argv);
}

// The plot of a new plot window, drawn headless. Returns an exit status.
int writePlot(run::Session& session, const CliOptions& options) {
    const auto [x, y] = *options.plot;
    const int last = static_cast<int>(session.pca.dimension) - 1;  // axes 1..last are reported
    if (last < 2)
        return usageError("--plot: the analysis has " + std::to_string(std::max(last, 0)) +
                          " reported axes; a plot needs at least two");
    if (x < 1 || x > last - 1 || y < 2 || y > last)
        return usageError("--plot " + std::to_string(x) + "," + std::to_string(y) + ": X must lie in 1.." +
                          std::to_string(last - 1) + " and Y in 2.." + std::to_string(last));
    const auto [width, height] = ui::newWindowBitmapSize();
    const QImage picture = ui::renderPlot(session, x, y, width, height, nullptr);
    const std::string chosen = options.plotFile ? *options.plotFile : session.dataFileName + ".bmp";
    std::string written;
    std::string error;
    if (!ui::savePlotBmp(picture, chosen, &written, &error)) {
        std::cerr << "zeltric-cli: error: " << error << '\n';
        return kInputError;
    }
    if (!options.quiet)
        std::cerr << "zeltric-cli: plot of axes " << x << " and " << y << " written to " << written << '\n';
    return 0;
}
#endif

// The publication figure of --axes (or --plot's axes, or 1 and 2). Returns an
// exit status. The figure's file was checked with the run's other files.
int writeFigure(const run::Session& session, const CliOptions& options) {
    const auto [x, y] = options.axes ? *options.axes : options.plot ? *options.plot : std::pair{1, 2};
    const int last = static_cast<int>(session.pca.dimension) - 1;
    if (last < 2)
        return usageError("--figure: the analysis has " + std::to_string(std::max(last, 0)) +
                          " reported axes; a figure needs at least two");
    if (x < 1 || x > last || y < 1 || y > last)
        return usageError("--axes " + std::to_string(x) + "," + std::to_string(y) + ": both axes must lie in 1.." +
                          std::to_string(last));
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
        figure::writeFigureFile(path, figure::figureSvg(session, x, y, figureOptions),
                                options.figureWidth.value_or(figure::kDefaultPngWidth), render);
    } catch (const base::FatalError& e) {
        std::cerr << "zeltric-cli: error: " << e.what() << '\n';
        return kInputError;
    }
    if (!options.quiet)
        std::cerr << "zeltric-cli: figure of axes " << x << " and " << y << " written to " << path << '\n';
    return 0;
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
    const bool loci = session.menu.lociChecked;
    const bool pops = session.menu.popsChecked;
    const std::string plain = run::baseName(session.openedPath);
    const std::string base = loci || pops ? data::selectionBaseName(plain, session.opened, loci, pops) : plain;
    std::vector<run::FileRole> roles = {
        {"data file", session.openedPath, false},
        {"label file", options.labels.value_or(""), false},
        {"seed file", options.test && !options.keepSeedFile ? options.seedFile : "", false}};
    for (const char* extension : run::kOutputExtensions) roles.push_back({"output file", base + extension, true});
    if (loci || pops) roles.push_back({"filtered data file", base + ".dat", true});
#if ZELTRIC_HAS_PLOT
    if (options.plot) roles.push_back({"plot file", plotPath(options, base), true});
#endif
    if (options.figure) roles.push_back({"figure file", *options.figure, true});
    run::refuseSharedFiles(roles);
    for (const run::FileRole& role : roles)
        if (role.output) run::refuseUnsafeOutput(role);
}

// Takes `lock` on the companion lock file of `file`; says once per run when
// locks cannot be had and carries on without.
void lockFor(platform::FileLock& lock, const std::string& file, const std::string& shownName,
             cli::TerminalInterface& ui) {
    static bool toldUnsupported = false;
    const auto state =
        lock.acquire(file + ".lock", [&] { ui.information("waiting for another run using " + shownName); });
    if (state == platform::FileLock::State::Unsupported && !toldUnsupported) {
        toldUnsupported = true;
        ui.information("cannot lock \"" + file +
                       ".lock\"; carrying on without guarding against runs at "
                       "the same time.");
    }
}

int runCli(int& argc, char** argv) {
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
    if (options.plot)
        return usageError("--plot: this build of zeltric-cli has no BMP plot (it was built without Qt)");
    if (options.figure && figure::figureFormat(*options.figure) != figure::FigureFormat::Svg)
        return usageError(figure::kNeedsQtBuild);
#endif
    const auto kernels = chooseKernels(options);
    if (!kernels)
        return usageError("the environment variable ZELTRIC_KERNELS holds \"" +
                          std::string(std::getenv("ZELTRIC_KERNELS")) + "\"; it takes one of " +
                          analysis::KernelSelection::names() + " (or unset it)");

    cli::TerminalInterface ui(options.quiet);
    ui.setDataFile(options.dataFile);
    run::Session session;
    session.kernels = *kernels;
    session.seedFileName = options.seedFile;
    session.threads = options.threads;
    // Held for the go step and until the plot and the results are out, so two
    // runs on one data file never mix their outputs.
    platform::FileLock outputsLock;
    // Held from reading the seeds to saving them, so two runs continue one stream.
    platform::FileLock seedLock;
    const std::string seedTarget = randomisation::resolveSeedFileName(options.seedFile);
    bool seedsSaved = true;
    try {
        std::optional<record::RerunOrigin> rerunOrigin;
        if (options.rerun) {
            const record::RerunPlan plan = record::planRerun(*options.rerun);
            rerunOrigin = plan.origin;
            if (plan.cancelled)
                ui.information("The recorded test was cancelled; this rerun runs all its randomisations.");
            cli::applyRerunPlan(options, plan);
            ui.setDataFile(options.dataFile);
        }
        const cli::BatchOutcome opened =
            cli::openForBatch(session, options, ui, [&](const formats::FileConversion& converted) {
                if (!options.quiet)
                    std::cerr << "zeltric-cli: converted to " << converted.paths.dataFile << ", "
                              << converted.paths.labelFile << " and " << converted.paths.alleleTable << '\n';
            });
        if (opened.finished) return 0;
        session.rerunOrigin = rerunOrigin;
        if (opened.status != 0) return opened.message.empty() ? opened.status : usageError(opened.message);
        refuseUnsafeFiles(session, options);
        lockFor(outputsLock, run::baseName(session.openedPath), options.dataFile, ui);
        if (options.test) {
            if (!options.seeds) lockFor(seedLock, seedTarget, options.seedFile, ui);
            const cli::BatchOutcome seeds = cli::settleSeeds(session, options, ui, ui.interactive());
            if (seeds.status != 0) return usageError(seeds.message);
        }
        cli::applyRandomisationChoices(session, options);
        cli::installInterruptHandler();
        run::goStep(session, ui);
        if (options.test && !options.keepSeedFile) {
            if (options.seeds) lockFor(seedLock, seedTarget, options.seedFile, ui);
            seedsSaved = randomisation::saveSeeds(session.generator, options.seedFile);
            seedLock.release();
        }
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
    std::unique_ptr<QGuiApplication> gui;
    if (options.plot || (options.figure && figure::figureFormat(*options.figure) != figure::FigureFormat::Svg))
        gui = startHeadlessGui(argc, argv);
    if (options.plot)
        if (const int status = writePlot(session, options); status != 0) return status;
#endif
    if (options.figure)
        if (const int status = writeFigure(session, options); status != 0) return status;
    if (options.tables) try {
            run::writeResultTables(session);
        } catch (const base::FatalError& e) {
            std::cerr << "zeltric-cli: error: " << e.what() << '\n';
            return kInputError;
        }
    if (!options.quiet) {
        std::ifstream results(run::outputPath(session, ".pca"), std::ios::binary);
        std::cout << results.rdbuf();
    }
    if (!seedsSaved) {
        ui.error(base::seedsNotAdvancedMessage(options.seedFile));
        return kInputError;
    }
    return 0;
}

// Everything printed must have arrived: a full disk or a closed pipe on
// standard output is a failure, not a success.
int finishStandardOutput(int status) {
    std::cout.flush();
    const bool streamOk = static_cast<bool>(std::cout);
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int error = errno;
    const bool closed = std::fclose(stdout) == 0;
    if (streamOk && flushed && closed) return status;
    const int reason = !closed && error == 0 ? errno : error;
    std::cerr << "zeltric-cli: error: cannot write standard output"
              << (reason != 0 ? std::string(": ") + std::strerror(reason) : std::string()) << ".\n";
    return status == 0 ? kInputError : status;
}

}  // namespace
}  // namespace zeltric::cli

int main(int argc, char** argv) {
    int status = 3;
    try {
        status = zeltric::cli::runCli(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << "zeltric-cli: error: out of memory.\n";
        status = zeltric::cli::kInputError;
    } catch (const std::exception& e) {
        std::cerr << "zeltric-cli: internal error: " << e.what() << '\n';
        status = 3;
    }
    status = zeltric::cli::finishStandardOutput(status);
    // A cancelled test finished as usual; the caller (a shell loop) must still
    // see that the run was interrupted.
    if (zeltric::platform::interruptRequested()) zeltric::platform::endByInterrupt();
    return status;
}
