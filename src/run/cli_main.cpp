// The batch front end: the open and go steps driven by options.
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <fstream>
#include <iostream>
#include <sstream>
#include <memory>
#include <tuple>
#include <vector>

#ifdef ZELTRIC_QT_RENDERER
#include <QGuiApplication>
#include <QImage>
#endif

#include "data/fatal_error.hpp"
#include "data/output_file.hpp"
#include "figure/figure_file.hpp"
#include "figure/session_figure.hpp"
#include "randomisation/integer_entry.hpp"
#include "randomisation/seed_file.hpp"
#include "run/cli_options.hpp"
#include "run/label_command.hpp"
#include "run/number_list.hpp"
#include "run/pick_logic.hpp"
#include "run/session.hpp"
#include "run/steps.hpp"
#include "run/terminal_interface.hpp"
#ifdef ZELTRIC_QT_RENDERER
#include "ui/plot_figure.hpp"
#include "ui/plot_painter.hpp"
#endif

namespace {

using namespace zeltric;

constexpr int kInputError = 1;
constexpr int kUsageError = 2;

int usageError(const std::string& message) {
    std::cerr << "zeltric-cli: " << message << "\nTry 'zeltric-cli --help'.\n";
    return kUsageError;
}

// Seeds for a test: given on the command line, read from the seed file, or
// asked on the terminal.
int settleSeeds(run::Session& session, const run::CliOptions& options, run::TerminalInterface& ui) {
    if (options.seeds) {
        session.generator.seed1 = static_cast<std::int32_t>(options.seeds->first);
        session.generator.seed2 = static_cast<std::int32_t>(options.seeds->second);
        return 0;
    }
    const auto [seed1, seed2] = randomisation::readSeedFile(options.seedFile);
    if ((seed1 == 0 || seed2 == 0) && !ui.interactive())
        return usageError("the seed file \"" + options.seedFile +
                          "\" is missing or holds a zero; give --seeds S1,S2 or run on a terminal to type them");
    if (!randomisation::loadSeeds(session.generator, options.seedFile, ui))
        ui.information("The seeds could not be written to \"" + options.seedFile + "\".");
    return 0;
}

#ifdef ZELTRIC_QT_RENDERER
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
int writePlot(run::Session& session, const run::CliOptions& options) {
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
    if (!options.quiet) std::cerr << "zeltric-cli: plot of axes " << x << " and " << y << " written to " << written << '\n';
    return 0;
}
#endif

// The publication figure of --axes (or --plot's axes, or 1 and 2). Returns an
// exit status.
int writeFigure(const run::Session& session, const run::CliOptions& options) {
    const auto [x, y] = options.axes ? *options.axes : options.plot ? *options.plot : std::pair{1, 2};
    const int last = static_cast<int>(session.pca.dimension) - 1;
    if (last < 2)
        return usageError("--figure: the analysis has " + std::to_string(std::max(last, 0)) +
                          " reported axes; a figure needs at least two");
    if (x < 1 || x > last || y < 1 || y > last)
        return usageError("--axes " + std::to_string(x) + "," + std::to_string(y) +
                          ": both axes must lie in 1.." + std::to_string(last));
    const std::string& path = *options.figure;
    // Never over the data, the labels or a file this run wrote.
    std::vector<std::string> taken = {session.openedPath};
    if (options.labels) taken.push_back(*options.labels);
    for (const char* extension : {".fre", ".pca", ".pop", ".al", ".per"})
        taken.push_back(run::outputPath(session, extension));
    for (const std::string& other : taken)
        if (data::sameFile(path, other))
            return usageError("--figure " + path + ": that is the file \"" + other + "\"; choose another name");
#ifdef ZELTRIC_QT_RENDERER
    if (options.plot && data::sameFile(path, ui::bitmapFileName(options.plotFile ? *options.plotFile
                                                                                 : session.dataFileName + ".bmp")))
        return usageError("--figure " + path + ": that is the plot's file; choose another name");
    const figure::FigureRenderer render = ui::renderFigure;
#else
    const figure::FigureRenderer render;
#endif
    try {
        figure::writeFigureFile(path, figure::figureSvg(session, x, y),
                                options.figureWidth.value_or(figure::kDefaultPngWidth), render);
    } catch (const data::FatalError& e) {
        std::cerr << "zeltric-cli: error: " << e.what() << '\n';
        return kInputError;
    }
    if (!options.quiet)
        std::cerr << "zeltric-cli: figure of axes " << x << " and " << y << " written to " << path << '\n';
    return 0;
}

int runCli(int& argc, char** argv) {
    const run::CliParse parse = run::parseCliOptions(argc, argv);
    if (!parse.error.empty()) return usageError(parse.error);
#ifndef ZELTRIC_QT_RENDERER
    if (parse.options.plot) return usageError("--plot needs the Qt build of zeltric-cli; this build has no BMP plot");
    if (parse.options.figure && figure::figureFormat(*parse.options.figure) != figure::FigureFormat::Svg)
        return usageError(figure::kNeedsQtBuild);
#endif
    const run::CliOptions& options = parse.options;
    if (options.help) {
        std::cout << run::cliUsage();
        return 0;
    }
    if (options.version) {
        std::cout << "zeltric-cli " << ZELTRIC_VERSION << '\n';
        return 0;
    }

    run::TerminalInterface ui(options.quiet);
    run::Session session;
    session.seedFileName = options.seedFile;
    session.threads = options.threads;
    try {
        run::openStep(session, ui, options.dataFile);
        if (session.opened.alleleCoding != 1 && session.opened.alleleCoding != 2) return kInputError;
        if (options.labels) run::labelCommand(session, *options.labels);
        for (const auto& [list, kind, option] :
             {std::tuple{options.loci, run::PickKind::Loci, "--loci"},
              std::tuple{options.pops, run::PickKind::Populations, "--pops"}}) {
            if (!list) continue;
            const bool loci = kind == run::PickKind::Loci;
            std::string reason;
            const auto numbers = run::parseNumberList(*list, loci ? session.opened.nl : session.opened.np,
                                                      run::minimumChoice(kind), reason);
            if (!numbers) return usageError(std::string(option) + " " + *list + ": " + reason);
            run::chooseByNumbers(session, kind, *numbers);
        }
        if (options.test) {
            if (const int status = settleSeeds(session, options, ui); status != 0) return status;
            session.menu.testingChecked = true;
            session.opened.testingOn = true;
            session.opened.randomisationCount = *options.test;
        }
        run::installInterruptHandler();
        run::goStep(session, ui);
        if (options.test && !run::exitStep(session))
            ui.information("The seeds could not be written to \"" + options.seedFile + "\".");
    } catch (const data::FatalError& e) {
        ui.error(e.what());
        return kInputError;
    }
#ifdef ZELTRIC_QT_RENDERER
    std::unique_ptr<QGuiApplication> gui;
    if (options.plot || (options.figure && figure::figureFormat(*options.figure) != figure::FigureFormat::Svg))
        gui = startHeadlessGui(argc, argv);
    if (options.plot)
        if (const int status = writePlot(session, options); status != 0) return status;
#endif
    if (options.figure)
        if (const int status = writeFigure(session, options); status != 0) return status;
    if (!options.quiet) {
        std::ifstream results(run::outputPath(session, ".pca"), std::ios::binary);
        std::cout << results.rdbuf();
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return runCli(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "zeltric-cli: internal error: " << e.what() << '\n';
        return 3;
    }
}
