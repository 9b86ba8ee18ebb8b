// The batch front end: the open and go steps driven by options.
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <fstream>
#include <iostream>
#include <sstream>
#include <tuple>

#if ZELTRIC_HAS_PLOT
#include <QGuiApplication>
#include <QImage>
#endif

#include "analysis/fast_kernels.hpp"
#include "base/fatal_error.hpp"
#include "run/asking.hpp"
#include "randomisation/seed_file.hpp"
#include "cli/cli_options.hpp"
#include "run/label_command.hpp"
#include "cli/number_list.hpp"
#include "run/pick_logic.hpp"
#include "run/session.hpp"
#include "run/go_step.hpp"
#include "run/steps.hpp"
#include "cli/terminal_interface.hpp"
#if ZELTRIC_HAS_PLOT
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
    if (!run::loadSeeds(session.generator, options.seedFile, ui))
        ui.information("The seeds could not be written to \"" + options.seedFile + "\".");
    return 0;
}

// The kernels of --kernels, else of ZELTRIC_KERNELS (read here, once: the
// core never reads the environment); an unknown name is a usage error.
std::optional<analysis::KernelSelection> chooseKernels(const run::CliOptions& options) {
    if (options.kernels) return analysis::KernelSelection::fromName(*options.kernels);
    const char* variable = std::getenv("ZELTRIC_KERNELS");
    if (variable == nullptr) return analysis::KernelSelection::best();
    return analysis::KernelSelection::fromName(variable);
}

#if ZELTRIC_HAS_PLOT
// The plot of a new plot window, drawn headless. Returns an exit status.
int writePlot(run::Session& session, const run::CliOptions& options, int argc, char** argv) {
    const auto [x, y] = *options.plot;
    const int last = static_cast<int>(session.pca.dimension) - 1;  // axes 1..last are reported
    if (last < 2)
        return usageError("--plot: the analysis has " + std::to_string(std::max(last, 0)) +
                          " reported axes; a plot needs at least two");
    if (x < 1 || x > last - 1 || y < 2 || y > last)
        return usageError("--plot " + std::to_string(x) + "," + std::to_string(y) + ": X must lie in 1.." +
                          std::to_string(last - 1) + " and Y in 2.." + std::to_string(last));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt warns on every start without a runtime folder; give it a private one.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const std::string folder = "/tmp/zeltric-runtime-" + std::to_string(::getuid());
        struct stat info {};
        if ((::mkdir(folder.c_str(), 0700) == 0 || ::stat(folder.c_str(), &info) == 0) &&
            (info.st_mode == 0 || (S_ISDIR(info.st_mode) && info.st_uid == ::getuid())))
            qputenv("XDG_RUNTIME_DIR", folder.c_str());
    }
    QGuiApplication app(argc, argv);
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

int runCli(int argc, char** argv) {
    const run::CliParse parse = run::parseCliOptions(argc, argv);
    if (!parse.error.empty()) return usageError(parse.error);
    const run::CliOptions& options = parse.options;
    if (options.help) {
        std::cout << run::cliUsage();
        return 0;
    }
    if (options.version) {
        std::cout << "zeltric-cli " << ZELTRIC_VERSION << '\n';
        return 0;
    }

#if !ZELTRIC_HAS_PLOT
    if (options.plot) return usageError("--plot: this build of zeltric-cli has no BMP plot (it was built without Qt)");
#endif
    const auto kernels = chooseKernels(options);
    if (!kernels)
        return usageError("the environment variable ZELTRIC_KERNELS holds \"" +
                          std::string(std::getenv("ZELTRIC_KERNELS")) + "\"; it takes one of " +
                          analysis::KernelSelection::names() + " (or unset it)");

    run::TerminalInterface ui(options.quiet);
    run::Session session;
    session.kernels = *kernels;
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
            session.randomisationCount = *options.test;
        }
        run::installInterruptHandler();
        run::goStep(session, ui);
        if (options.test && !run::exitStep(session))
            ui.information("The seeds could not be written to \"" + options.seedFile + "\".");
    } catch (const data::FatalError& e) {
        ui.error(e.what());
        return kInputError;
    }
#if ZELTRIC_HAS_PLOT
    if (options.plot)
        if (const int status = writePlot(session, options, argc, argv); status != 0) return status;
#endif
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
