#include "run/extended_step.hpp"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "base/fatal_error.hpp"
#include "base/limits.hpp"
#include "base/messages.hpp"
#include "base/messages_run.hpp"
#include "base/number_field.hpp"
#include "base/output_file.hpp"
#include "extended/allele_outputs.hpp"
#include "extended/data_file_reader.hpp"
#include "extended/extended_analysis.hpp"
#include "extended/extended_report.hpp"
#include "extended/input_kind.hpp"
#include "formats/foreign_data.hpp"
#include "platform/platform.hpp"
#include "platform/sha256.hpp"
#include "record/run_record.hpp"
#include "run/bootstrap_record.hpp"
#include "run/extended_bootstrap.hpp"
#include "run/steps.hpp"

namespace zeltric::run {

namespace {

namespace fd = formats::detail;

void tell(const ExtendedRequest& request, const std::string& text) {
    if (request.note) request.note(text);
}

// Whether a foreign file's data fit a data file and the exact analysis's
// 500 allele columns.
bool fitsDataFile(const fd::ForeignData& d) {
    if (d.loci.size() > static_cast<std::size_t>(base::NLMax) ||
        d.samples.size() > static_cast<std::size_t>(base::NPMax))
        return false;
    std::size_t individuals = 0;
    for (const fd::ForeignSample& s : d.samples) individuals += s.individuals.size();
    if (individuals > static_cast<std::size_t>(base::NIMax)) return false;
    std::size_t columns = 0;
    for (std::size_t l = 0; l < d.loci.size(); ++l) {
        std::map<long long, int> seen;
        for (const fd::ForeignSample& s : d.samples)
            for (const fd::ForeignIndividual& i : s.individuals) {
                const fd::Genotype& g = i.genotypes[l];
                if (g.first == fd::kMissing || g.second == fd::kMissing) continue;
                seen[g.first] = seen[g.second] = 0;
            }
        if (seen.size() > static_cast<std::size_t>(base::NUMax)) return false;
        columns += seen.size();
    }
    return columns <= 500;
}

// Samples in file order; at each locus the allele names seen in complete
// genotypes, ascending (a genotype with one allele missing is missing), as
// the conversion numbers them.
extended::ExtendedData fromForeign(const fd::ForeignData& d) {
    extended::ExtendedData out;
    for (const fd::ForeignSample& s : d.samples) {
        if (s.individuals.empty()) continue;
        const int number = static_cast<int>(out.sampleNames.size());
        out.sampleNames.push_back(s.name.empty() ? std::to_string(number + 1) : s.name);
        for (std::size_t i = 0; i < s.individuals.size(); ++i) {
            out.sampleOf.push_back(number);
            out.individualNames.push_back(std::to_string(out.individualNames.size() + 1));
        }
    }
    out.genotypes = extended::GenotypeMatrix(out.sampleOf.size());
    std::vector<extended::Genotype> calls(out.sampleOf.size());
    for (std::size_t l = 0; l < d.loci.size(); ++l) {
        std::map<long long, int> numbers;
        for (const fd::ForeignSample& s : d.samples)
            for (const fd::ForeignIndividual& i : s.individuals) {
                const fd::Genotype& g = i.genotypes[l];
                if (g.first == fd::kMissing || g.second == fd::kMissing) continue;
                numbers[g.first] = numbers[g.second] = 0;
            }
        std::vector<std::string> names;
        for (auto& [value, index] : numbers) {
            index = static_cast<int>(names.size());
            names.push_back(std::to_string(value));
        }
        std::size_t at = 0;
        for (const fd::ForeignSample& s : d.samples)
            for (const fd::ForeignIndividual& i : s.individuals) {
                const fd::Genotype& g = i.genotypes[l];
                calls[at++] = g.first == fd::kMissing || g.second == fd::kMissing
                                  ? extended::Genotype{}
                                  : extended::Genotype{static_cast<std::uint16_t>(numbers[g.first]),
                                                       static_cast<std::uint16_t>(numbers[g.second])};
            }
        out.genotypes.addLocus(static_cast<int>(names.size()), calls);
        out.addLocusNames(d.loci[l], std::move(names));
    }
    return out;
}

fd::ForeignData readForeign(formats::Format format, const std::string& bytes, const std::string& path,
                            const formats::StructureOptions& structure) {
    switch (format) {
        case formats::Format::Genepop: return fd::readGenepop(bytes, path);
        case formats::Format::Structure: return fd::readStructure(bytes, path, structure);
        case formats::Format::Genetix: return fd::readGenetix(bytes, path);
        case formats::Format::Fstat: return fd::readFstat(bytes, path);
        case formats::Format::ZeltricData: break;
    }
    ZELTRIC_ASSERT(false);
    return {};
}

std::string kindName(extended::InputKind kind) {
    return kind == extended::InputKind::Plink ? "a PLINK file" : "a VCF or BCF file";
}

}  // namespace

std::optional<extended::ExtendedData> LoadForExtended(const ExtendedRequest& request) {
    const std::string& path = request.dataFile;
    const extended::InputKind kind =
        request.forcedFormat ? extended::InputKind::Other : extended::DetectInputKind(path);
    if (kind != extended::InputKind::Other) {
        std::optional<extended::PopulationMap> map;
        if (request.popmapFile) map = extended::ReadPopulationMap(*request.popmapFile);
        extended::ReadOptions options;
        options.map = map ? &*map : nullptr;
        options.progress = request.progress;
        options.threads = request.threads;
        extended::ReadNotes notes;
        extended::ExtendedData data = extended::ReadExtendedInput(path, kind, options, notes);
        tell(request, base::extendedAnalysisNote(path, kindName(kind)));
        for (const std::string& n : notes) tell(request, n);
        return data;
    }

    // Folders, devices, pipes and unreadable files go to the data file
    // reader, which names what is wrong with them (a pipe read here would be
    // gone for it).
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
    std::string bytes;
    try {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) return std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
    const formats::Format format = request.forcedFormat
                                       ? *request.forcedFormat
                                       : formats::detect(bytes, std::filesystem::path(path).extension().string());
    if (format == formats::Format::ZeltricData) {
        if (!request.asked) return std::nullopt;
        extended::ExtendedData data =
            extended::ReadDataFileUnlimited(path, [&](const std::string& text) { tell(request, text); });
        tell(request, base::extendedAnalysisNote(path, "--analysis extended"));
        return data;
    }
    const fd::ForeignData foreign = readForeign(format, bytes, path, request.structure);
    const bool fits = fitsDataFile(foreign);
    if (fits && !request.asked) return std::nullopt;
    tell(request, base::extendedAnalysisNote(path, fits ? "--analysis extended" : "past the data file's limits"));
    for (const std::string& n : foreign.notes) tell(request, n);
    return fromForeign(foreign);
}

ExtendedRun RunExtendedStep(const ExtendedRequest& request, const extended::ExtendedData& data,
                            std::vector<double>* firstAxis) {
    const std::string started = record::utcNow();
    const auto clockStart = std::chrono::steady_clock::now();
    extended::ExtendedOptions options;
    options.threads = request.threads;
    options.progress = request.analysisProgress;
    ExtendedRun run;
    run.sampleNames = data.sampleNames;
    run.result = extended::RunExtendedAnalysis(data, options);
    const extended::ExtendedResult& result = run.result;
    for (const std::string& text : result.informations) tell(request, text);
    if (firstAxis != nullptr) {
        firstAxis->assign(data.samples(), 0.0);
        if (result.dimension > 1)
            for (std::size_t j = 0; j < data.samples(); ++j) (*firstAxis)[j] = result.sampleCoordinate(j, 0);
    }

    const std::string base = baseName(request.dataFile);
    const std::string resultsPath = base + ".pca";
    const std::string sharePath = base + ".per";
    const bool testing = request.randomisations > 0;
    const bool bootstrapping = request.bootstrapReplicates > 0;
    // Written only once the test is over, so that a run that fails or is
    // ended on the way leaves no results looking complete.
    std::string resultsText = extended::ExtendedResultsText(data, result);
    std::optional<ExtendedTestOutcome> test;
    std::optional<record::SeedPair> seedsStart;
    if (testing || bootstrapping) {
        // No results of an earlier run beside a test or bootstrap that may be
        // ended.
        std::error_code ignored;
        std::filesystem::remove(resultsPath, ignored);
        std::filesystem::remove(base + ".json", ignored);
    }
    if (testing) {
        ZELTRIC_ASSERT(request.generator != nullptr && request.observer != nullptr);
        randomisation::RandomGenerator& generator = *request.generator;
        seedsStart = record::SeedPair{generator.seed1, generator.seed2};
        base::replaceFileAtomically(sharePath,
                                    extended::ExtendedShareLine(result, result.globalFst, result.axisShare));
        if (request.analyseBatch) {
            if (request.shareData) request.shareData(data, result, request.threads);
            extended::ArrangementAnalyser analyser(data, result, request.threads, true, false);
            request.buildGram(analyser, request.threads);
            test = RunExtendedPermutationTestBatched(
                data, result, generator, request.randomisations,
                ArrangementBatchSize(analyser, request.threads) * std::max(1, request.spreadProcesses), sharePath,
                *request.observer, [&](ArrangementBatch& batch) { request.analyseBatch(analyser, batch); });
        } else {
            const extended::ArrangementAnalyser analyser(data, result, request.threads);
            test = RunExtendedPermutationTest(data, result, analyser, generator, request.randomisations,
                                              request.threads, sharePath, *request.observer);
        }
        if (test->cancelled)
            tell(request, base::testCancelledMessage());
        else
            resultsText += extended::ExtendedTestSectionText(data, request.randomisations, test->fstPValue,
                                                             test->axisPValues);
    }
    std::optional<randomisation::BootstrapOutcome> bootstrap;
    if (bootstrapping && !(test && test->cancelled)) {
        ZELTRIC_ASSERT(request.observer != nullptr);
        ExtendedBootstrapRequest asked;
        asked.replicates = request.bootstrapReplicates;
        asked.seed1 = request.bootstrapSeed1;
        asked.seed2 = request.bootstrapSeed2;
        asked.blockLoci = request.bootstrapBlock > 0 ? request.bootstrapBlock : DefaultBootstrapBlock(data.loci());
        asked.threads = request.threads;
        bootstrap = RunExtendedBootstrap(data, result, asked, *request.observer);
        if (bootstrap->cancelled)
            tell(request, base::bootstrapCancelledMessage());
        else
            resultsText += randomisation::bootstrapSectionText(bootstrap->summaries);
    }
    const bool bootstrapped = bootstrap && !bootstrap->cancelled;
    base::replaceFileAtomically(resultsPath, resultsText);
    base::replaceFileAtomically(base + ".pop", extended::ExtendedSampleCoordinateText(result));
    const bool perAllele = request.alleleOutputs || data.loci() <= kPerAlleleLoci;
    const bool compressed = data.loci() > kPerAlleleLoci;
    std::optional<extended::AlleleOutputFiles> alleleFiles;
    if (perAllele) alleleFiles = extended::WriteAlleleOutputs(data, result, base, compressed);

    // The run record: the exact analysis's keys where they apply.
    using record::Json;
    const std::size_t axes = result.dimension > 0 ? result.dimension - 1 : 0;
    const bool tested = test && !test->cancelled;
    Json input = {{"data_file", std::filesystem::absolute(request.dataFile).string()},
                  {"sha256", platform::fileSha256(request.dataFile).value_or("")}};
    Json companions = Json::array();
    if (extended::DetectInputKind(request.dataFile) == extended::InputKind::Plink) {
        for (const char* extension : {".bim", ".fam"}) {
            std::filesystem::path companion(request.dataFile);
            companion.replace_extension(extension);
            companions.push_back({{"file", std::filesystem::absolute(companion).string()},
                                  {"sha256", platform::fileSha256(companion.string()).value_or("")}});
        }
    }
    input["companion_files"] = std::move(companions);
    input["popmap_file"] =
        request.popmapFile ? Json(std::filesystem::absolute(*request.popmapFile).string()) : Json(nullptr);
    input["popmap_sha256"] =
        request.popmapFile ? Json(platform::fileSha256(*request.popmapFile).value_or("")) : Json(nullptr);

    Json axisList = Json::array();
    for (std::size_t k = 0; k < axes; ++k)
        axisList.push_back({{"axis", k + 1},
                            {"inertia", result.eigenvalues[k]},
                            {"percent", extended::ExtendedPercent(result, k)},
                            {"fst", result.axisFst[k]},
                            {"share", result.axisShare[k]},
                            {"p_value", tested ? Json(test->axisPValues[k]) : Json(nullptr)}});
    Json samples = Json::array();
    for (std::size_t j = 0; j < data.samples(); ++j) {
        Json coordinates = Json::array();
        for (std::size_t k = 0; k < axes; ++k) coordinates.push_back(result.sampleCoordinate(j, k));
        samples.push_back({{"label", data.sampleNames[j]},
                           {"number", j + 1},
                           {"individuals", result.typedMembers[j]},
                           {"weight", result.weights[j]},
                           {"coordinates", std::move(coordinates)}});
    }
    Json results = {
        {"samples", data.samples()},
        {"loci", data.loci()},
        {"typed_loci", result.typedLoci},
        {"alleles", result.columns},
        {"total_heterozygosity",
         result.typedLoci > 0 ? result.heterozygositySum / static_cast<double>(result.typedLoci) : 0.0},
        {"total_inertia", result.totalInertia},
        {"global_fst", result.globalFst},
        {"global_fst_p_value", tested ? Json(test->fstPValue) : Json(nullptr)},
        {"broken_stick_axes", result.brokenStickAxes},
        {"axes", std::move(axisList)},
        {"sample_coordinates", std::move(samples)}};
    Json outputs = Json::array({resultsPath, base + ".pop"});
    if (testing) outputs.push_back(sharePath);
    if (alleleFiles) {
        outputs.push_back(alleleFiles->frequencies);
        outputs.push_back(alleleFiles->coordinates);
    }
    Json record = Json::object();
    // No thread count: the files are the same for any, and on any number of
    // processes.
    record["program"] = {{"name", record::kProgramName}, {"version", request.version}};
    record["analysis"] = "extended";
    record["input"] = std::move(input);
    record["randomisations"] = testing ? Json(request.randomisations) : Json(nullptr);
    auto seedJson = [](const record::SeedPair& seeds) { return Json::array({seeds.first, seeds.second}); };
    record["seeds_start"] = seedsStart ? seedJson(*seedsStart) : Json(nullptr);
    record["seeds_end"] = testing ? seedJson({request.generator->seed1, request.generator->seed2}) : Json(nullptr);
    record["cancelled"] = test && test->cancelled;
    record["started"] = started;
    record["elapsed_seconds"] =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - clockStart).count();
    record["outputs"] = std::move(outputs);
    record["results"] = std::move(results);
    if (bootstrapped) record["bootstrap"] = BootstrapJson(bootstrap->summaries, false);
    base::replaceFileAtomically(base + ".json", record::recordText(record));
    run.resultsPath = resultsPath;
    run.testCancelled = test && test->cancelled;
    return run;
}

std::optional<std::string> PopulationMapBeside(const std::string& dataFile) {
    const std::filesystem::path path(dataFile);
    std::string name = path.filename().string();
    for (const char* extension : {".vcf.gz", ".vcf.bgz", ".vcf", ".bcf", ".bed"}) {
        const std::string e(extension);
        if (name.size() > e.size() && name.compare(name.size() - e.size(), e.size(), e) == 0) {
            name.resize(name.size() - e.size());
            break;
        }
    }
    if (name == path.filename().string()) name = path.stem().string();
    std::error_code ec;
    for (const std::filesystem::path& candidate :
         {path.parent_path() / (name + ".popmap"), path.parent_path() / "popmap.txt"})
        if (std::filesystem::is_regular_file(candidate, ec)) return candidate.string();
    return std::nullopt;
}

bool NeedsPopulationMap(const std::string& path) {
    return extended::DetectInputKind(path) == extended::InputKind::Variants;
}

bool ExtendedOpenStep(Session& session, UserInterface& ui, ExtendedRequest request) {
    std::vector<std::string> notes;
    request.note = [&notes](const std::string& text) { notes.push_back(text); };
    std::optional<extended::ExtendedData> data = LoadForExtended(request);
    if (!data) return false;
    for (const std::string& text : notes) ui.information(text);
    auto opened = std::make_shared<ExtendedOpened>();
    opened->data = std::move(*data);
    opened->popmapFile = request.popmapFile;
    session.settings.opened = data::Dataset{};
    session.settings.extended = std::move(opened);
    settleOpenedFile(session, request.dataFile);
    return true;
}

void ExtendedGoStep(Session& session, UserInterface& ui, const std::function<void(std::size_t loci)>& progress) {
    ZELTRIC_ASSERT(session.settings.extended != nullptr);
    const ExtendedOpened& opened = *session.settings.extended;
    session.results.runDone = false;
    session.results.extended.reset();
    session.results.testCancelled = false;
    session.results.testedRandomisations = 0;
    session.results.bootstrap = {};
    if (session.settings.testingOn || session.settings.bootstrapOn)
        ui.information(base::extendedDesktopTestNote());
    ExtendedRequest request;
    request.dataFile = session.settings.openedPath;
    request.popmapFile = opened.popmapFile;
    request.threads = session.settings.threads > 0 ? session.settings.threads : platform::usableProcessorCount();
    request.version = ZELTRIC_VERSION;
    request.note = [&ui](const std::string& text) { ui.information(text); };
    request.analysisProgress = progress;
    auto run = std::make_shared<ExtendedRun>(RunExtendedStep(request, opened.data));
    session.results.dataFileName = baseName(request.dataFile);
    ui.showResults(run->resultsPath);
    session.results.extended = std::move(run);
    session.results.runDone = true;
}

}  // namespace zeltric::run
