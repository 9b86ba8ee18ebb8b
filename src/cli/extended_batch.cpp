#include "cli/extended_batch.hpp"

#include <fstream>
#include <iostream>
#include <new>

#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "cli/batch_run.hpp"
#include "extended/input_kind.hpp"
#include "platform/platform.hpp"
#include "run/extended_step.hpp"

namespace zeltric::cli {

namespace {

int usage(const std::string& message) {
    std::cerr << "zeltric-cli: " << message << "\nTry 'zeltric-cli --help'.\n";
    return kUsageError;
}

// The options the extended analysis does not offer yet.
std::optional<int> refuseUnsupported(const CliOptions& o) {
    if (o.test) return usage(base::extendedTestRefusalMessage());
    for (const auto& [given, option] : {std::pair{o.loci.has_value(), "--loci"},
                                        {o.pops.has_value(), "--pops"},
                                        {o.labels.has_value(), "--labels"},
                                        {o.bootstrap.has_value(), "--bootstrap"},
                                        {o.plot.has_value(), "--plot"},
                                        {o.figure.has_value(), "--figure"},
                                        {o.tables, "--tables"},
                                        {o.convertOnly, "--convert-only"}})
        if (given) return usage(std::string(option) + " is not available with the extended analysis yet");
    return std::nullopt;
}

}  // namespace

std::optional<int> runExtendedIfChosen(const CliOptions& options, TerminalInterface& ui) {
    if (options.rerun) return std::nullopt;
    const bool asked = options.analysis == std::optional<std::string>("extended");
    const bool exactAsked = options.analysis == std::optional<std::string>("exact");
    const extended::InputKind kind =
        options.format ? extended::InputKind::Other : extended::DetectInputKind(options.dataFile);
    if (kind != extended::InputKind::Other && exactAsked)
        return usage("--analysis exact: VCF, BCF and PLINK files are analysed by the extended analysis only");
    if (exactAsked) {
        if (options.popmap) return usage("--popmap is for VCF, BCF and PLINK files");
        return std::nullopt;
    }
    if (kind != extended::InputKind::Other || asked)
        if (auto refused = refuseUnsupported(options)) return refused;

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
    if (!options.quiet)
        request.progress = [](std::size_t loci) { std::cerr << "zeltric-cli: " << loci << " loci read\n"; };
    try {
        std::optional<extended::ExtendedData> data = run::LoadForExtended(request);
        if (!data) {
            if (options.popmap) return usage("--popmap is for VCF, BCF and PLINK files");
            return std::nullopt;
        }
        if (auto refused = refuseUnsupported(options)) return refused;
        const std::string results = run::RunExtendedStep(request, *data);
        if (!options.quiet) {
            std::ifstream in(results, std::ios::binary);
            std::cout << in.rdbuf();
        }
    } catch (const base::FatalError& e) {
        ui.error(e.what());
        return kInputError;
    } catch (const std::bad_alloc&) {
        ui.error(base::outOfMemoryMessage(options.dataFile));
        return kInputError;
    }
    return 0;
}

}  // namespace zeltric::cli
