#include "run/statistics_step.hpp"

#include <fstream>
#include <sstream>

#include "base/fatal_error.hpp"
#include "base/output_file.hpp"
#include "extended/from_dataset.hpp"
#include "record/run_record.hpp"
#include "run/port_observer.hpp"
#include "statistics/statistics_tables.hpp"

namespace zeltric::run {

namespace {

using record::Json;

Json number(const std::optional<double>& value) { return value ? Json(*value) : Json(nullptr); }

Json locusNames(const extended::ExtendedData& data, const std::vector<std::size_t>& loci) {
    Json names = Json::array();
    for (const std::size_t l : loci) names.push_back(data.locusNames[l]);
    return names;
}

Json statisticsJson(const extended::ExtendedData& data, const StatisticsRun& run) {
    const statistics::Statistics& s = run.statistics;
    Json pairwise = {{"pairs", s.pairs.size()}, {"table", run.files.pairwise}, {"test", nullptr}};
    if (run.test && run.testOptions) {
        const statistics::PairwiseTestResult& test = *run.test;
        std::size_t significant = 0;
        for (const auto& holm : test.holm)
            if (holm && *holm < 0.05) ++significant;
        Json tested = {{"randomisations", run.testOptions->randomisations},
                       {"seeds", {run.testOptions->seed1, run.testOptions->seed2}},
                       {"cancelled", test.cancelled}};
        if (!test.cancelled) {
            tested["seeds_after"] = {test.seed1After, test.seed2After};
            tested["holm_below_0_05"] = significant;
        }
        pairwise["test"] = std::move(tested);
    }
    return {{"theta", number(s.theta)},
            {"F", number(s.bigF)},
            {"f", number(s.smallF)},
            {"nei",
             {{"loci", s.neiLoci},
              {"Ho", number(s.ho)},
              {"Hs", number(s.hs)},
              {"Ht", number(s.ht)},
              {"Dst", number(s.dst)},
              {"Fst", number(s.fst)},
              {"Fis", number(s.fis)}}},
            {"loci_left_out",
             {{"theta", locusNames(data, s.thetaLeftOut)},
              {"nei", locusNames(data, s.neiLeftOut)},
              {"Fis", locusNames(data, s.fisLeftOut)}}},
            {"pairwise", std::move(pairwise)},
            {"tables", {run.files.loci, run.files.pairwise, run.files.samples}}};
}

void addToRecord(const std::string& recordPath, const Json& statistics) {
    if (record::inspectRecordFile(recordPath) != record::RecordFile::Ours) return;
    std::ifstream in(recordPath, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    Json json = Json::parse(text.str(), nullptr, false);
    if (json.is_discarded() || !json.is_object()) return;
    if (json.contains("outputs") && json["outputs"].is_array())
        for (const auto& file : statistics["tables"]) json["outputs"].push_back(file);
    json["statistics"] = statistics;
    base::replaceFileAtomically(recordPath, record::recordText(json));
}

}  // namespace

StatisticsFiles statisticsFiles(const std::string& base) {
    return {base + "-loci.csv", base + "-pairwise.csv", base + "-sample-diversity.csv"};
}

StatisticsInput statisticsInput(const Session& session) {
    StatisticsInput input;
    if (session.results.extended) {
        // The extended analysis ran on the opened data whole.
        ZELTRIC_ASSERT(session.settings.extended != nullptr);
        input.data = session.settings.extended->data;
        const extended::ExtendedResult& result = session.results.extended->result;
        input.firstAxis.assign(input.data.samples(), 0.0);
        if (result.dimension > 1)
            for (std::size_t j = 0; j < input.data.samples(); ++j)
                input.firstAxis[j] = result.sampleCoordinate(j, 0);
        return input;
    }
    const data::Dataset& ds = session.results.analysed;
    int before = 0;
    for (int s = 1; s <= ds.np; ++s) {
        const int end = ds.sampleEnds[static_cast<std::size_t>(s)];
        if (end > before)
            input.firstAxis.push_back(session.results.pca.dimension > 1
                                          ? static_cast<double>(session.results.pca.populationCoordinates(s, 1))
                                          : 0.0);
        before = end;
    }
    input.data = extended::FromDataset(ds);
    return input;
}

StatisticsRun startStatistics(const extended::ExtendedData& data, const StatisticsRequest& request,
                              const std::string& base) {
    StatisticsRun run;
    run.files = statisticsFiles(base);
    run.statistics = statistics::computeStatistics(data, request.threads);
    if (request.randomisations) {
        statistics::PairwiseTestOptions options;
        options.randomisations = *request.randomisations;
        options.seed1 = request.seed1;
        options.seed2 = request.seed2;
        options.threads = request.threads;
        run.testOptions = options;
    }
    return run;
}

std::vector<std::string> writeStatisticsTables(const extended::ExtendedData& data,
                                               const statistics::Statistics& statistics,
                                               const statistics::PairwiseTestResult* test,
                                               const StatisticsFiles& files) {
    base::replaceFileAtomically(files.loci, statistics::lociTable(data, statistics));
    base::replaceFileAtomically(files.pairwise, statistics::pairwiseTable(statistics, test));
    base::replaceFileAtomically(files.samples, statistics::sampleDiversityTable(data, statistics));
    return {files.loci, files.pairwise, files.samples};
}

void writeStatisticsOutputs(const extended::ExtendedData& data, const StatisticsRun& run,
                            const std::string& resultsPath, const std::string& recordPath) {
    const statistics::PairwiseTestResult* test = run.test ? &*run.test : nullptr;
    writeStatisticsTables(data, run.statistics, test, run.files);
    base::appendToFile(resultsPath, statistics::statisticsSection(data, run.statistics, test,
                                                                  run.testOptions ? &*run.testOptions : nullptr));
    addToRecord(recordPath, statisticsJson(data, run));
}

StatisticsRun runStatisticsStep(const extended::ExtendedData& data, const StatisticsRequest& request,
                                const std::string& base, const std::string& resultsPath,
                                const std::string& recordPath, UserInterface& ui) {
    StatisticsRun run = startStatistics(data, request, base);
    if (run.testOptions) {
        PortObserver observer(ui);
        run.test = statistics::runPairwiseTest(data, run.statistics.pairTheta, *run.testOptions, observer);
    }
    writeStatisticsOutputs(data, run, resultsPath, recordPath);
    return run;
}

}  // namespace zeltric::run
