#include "statistics/statistics_tables.hpp"

#include "base/csv_text.hpp"

namespace zeltric::statistics {

namespace {

constexpr const char* kLineEnd = "\r\n";

std::string cell(const std::optional<double>& value) {
    return value ? base::shortestDecimal(*value) : std::string();
}

void row(std::string& out, std::initializer_list<std::string> fields) {
    bool first = true;
    for (const std::string& field : fields) {
        if (!first) out += ',';
        out += base::csvField(field);
        first = false;
    }
    out += kLineEnd;
}

std::string figure(const std::optional<double>& value) {
    return value ? base::shortestDecimal(*value) : "undefined";
}

std::string locusList(const extended::ExtendedData& data, const std::vector<std::size_t>& loci) {
    if (loci.empty()) return "none";
    std::string out;
    for (const std::size_t l : loci) out += (out.empty() ? "" : " ") + data.locusNames[l];
    return out;
}

}  // namespace

std::string lociTable(const extended::ExtendedData& data, const Statistics& statistics) {
    std::string out;
    row(out, {"locus", "theta", "Ho", "Hs", "Ht", "Dst", "Fis"});
    for (std::size_t l = 0; l < statistics.loci.size(); ++l) {
        const LocusStatistics& locus = statistics.loci[l];
        if (!locus.typed) continue;
        row(out, {data.locusNames[l], cell(locus.theta), cell(locus.ho), cell(locus.hs), cell(locus.ht),
                  cell(locus.dst), cell(locus.fis)});
    }
    return out;
}

std::string pairwiseTable(const Statistics& statistics, const PairwiseTestResult* test) {
    const bool tested = test != nullptr && !test->cancelled;
    std::string out;
    row(out, {"j", "k", "theta", "P", "Holm_P"});
    for (std::size_t p = 0; p < statistics.pairs.size(); ++p)
        row(out, {std::to_string(statistics.pairs[p].j + 1), std::to_string(statistics.pairs[p].k + 1),
                  cell(statistics.pairTheta[p]), tested ? cell(test->p[p]) : std::string(),
                  tested ? cell(test->holm[p]) : std::string()});
    return out;
}

std::string sampleDiversityTable(const extended::ExtendedData& data, const Statistics& statistics) {
    std::string out;
    row(out, {"sample", "n", "Ho", "Hs", "Fis"});
    for (std::size_t s = 0; s < statistics.samples.size(); ++s) {
        const SampleStatistics& sample = statistics.samples[s];
        row(out, {data.sampleNames[s], std::to_string(sample.individuals), cell(sample.ho), cell(sample.hs),
                  cell(sample.fis)});
    }
    return out;
}

std::string statisticsSection(const extended::ExtendedData& data, const Statistics& statistics,
                              const PairwiseTestResult* test, const PairwiseTestOptions* options) {
    std::string out = kLineEnd;
    const auto line = [&](const std::string& text) { out += text + kLineEnd; };
    line("Fixation indices (Weir and Cockerham 1984)");
    line("theta: " + figure(statistics.theta));
    line("F:     " + figure(statistics.bigF));
    line("f:     " + figure(statistics.smallF));
    line("Loci left out of theta (no figure): " + locusList(data, statistics.thetaLeftOut));
    line("Gene diversities (Nei 1987), means over " + std::to_string(statistics.neiLoci) + " loci");
    line("Ho: " + figure(statistics.ho) + "  Hs: " + figure(statistics.hs) + "  Ht: " + figure(statistics.ht));
    line("Dst: " + figure(statistics.dst) + "  Fst: " + figure(statistics.fst) +
         "  Fis: " + figure(statistics.fis));
    line("Loci left out of the means (nobody typed twice in a sample): " + locusList(data, statistics.neiLeftOut));
    if (test != nullptr && options != nullptr) {
        if (test->cancelled) {
            line("Pairwise permutation test cancelled: no P-values");
        } else {
            std::size_t significant = 0;
            std::size_t tested = 0;
            for (const auto& holm : test->holm)
                if (holm) {
                    ++tested;
                    if (*holm < 0.05) ++significant;
                }
            line("Pairwise permutation test: " + std::to_string(options->randomisations) +
                 " randomisations per pair (the observed arrangement among them), seeds " +
                 std::to_string(options->seed1) + "," + std::to_string(options->seed2));
            line("Pairs below 0.05 after Holm's adjustment: " + std::to_string(significant) + " of " +
                 std::to_string(tested));
        }
    }
    return out;
}

}  // namespace zeltric::statistics
