// The batch front end: the open and go steps driven by options.
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <fstream>
#include <iostream>
#include <sstream>

#if ZELTRIC_HAS_PLOT
#include <QGuiApplication>
#include <QImage>
#endif

#include "analysis/fast_kernels.hpp"
#include "base/fatal_error.hpp"
#include "cli/batch_run.hpp"
#include "cli/cli_options.hpp"
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
    try {
        std::string usage;
        if (const int status = run::prepareBatch(session, options, ui, ui.interactive(), usage); status != 0)
            return usage.empty() ? status : usageError(usage);
        run::installInterruptHandler();
        run::goStep(session, ui);
        run::finishBatch(session, options, ui);
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
