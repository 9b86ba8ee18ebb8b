#include "run/statistics_step.hpp"

#include <fstream>
#include <sstream>

#include "base/output_file.hpp"
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

StatisticsRun runStatisticsStep(const extended::ExtendedData& data, const StatisticsRequest& request,
                                const std::string& base, const std::string& resultsPath,
                                const std::string& recordPath, UserInterface& ui) {
    StatisticsRun run;
    run.files = statisticsFiles(base);
    run.statistics = statistics::computeStatistics(data, request.threads);
    if (request.randomisations) {
        statistics::PairwiseTestOptions options;
        options.randomisations = *request.randomisations;
        options.seed1 = request.seed1;
        options.seed2 = request.seed2;
        options.threads = request.threads;
        PortObserver observer(ui);
        run.testOptions = options;
        run.test = statistics::runPairwiseTest(data, run.statistics.pairTheta, options, observer);
    }
    const statistics::PairwiseTestResult* test = run.test ? &*run.test : nullptr;
    base::replaceFileAtomically(run.files.loci, statistics::lociTable(data, run.statistics));
    base::replaceFileAtomically(run.files.pairwise, statistics::pairwiseTable(run.statistics, test));
    base::replaceFileAtomically(run.files.samples, statistics::sampleDiversityTable(data, run.statistics));
    base::appendToFile(resultsPath, statistics::statisticsSection(data, run.statistics, test,
                                                                  run.testOptions ? &*run.testOptions : nullptr));
    addToRecord(recordPath, statisticsJson(data, run));
    return run;
}

}  // namespace zeltric::run
