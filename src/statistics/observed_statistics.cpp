#include "statistics/observed_statistics.hpp"

#include <algorithm>
#include <array>

#include "statistics/parallel_for.hpp"

namespace zeltric::statistics {

namespace {

// Loci tallied at a time: the pairs' sums run over a block while its tallies
// are at hand, so memory stays bounded on data of any length.
constexpr std::size_t kBlockLoci = 2048;

std::optional<double> ratio(std::optional<double> x, std::optional<double> y) {
    if (!x || !y || *y == 0.0) return std::nullopt;
    return *x / *y;
}

std::optional<double> difference(std::optional<double> x, std::optional<double> y) {
    if (!x || !y) return std::nullopt;
    return *x - *y;
}

// Theta, F and f from the sums of the components.
void fixationIndices(const Components& sum, Statistics& out) {
    const double total = sum.a + sum.b + sum.c;
    if (total != 0.0) {
        out.theta = sum.a / total;
        out.bigF = 1.0 - sum.c / total;
    }
    if (sum.b + sum.c != 0.0) out.smallF = 1.0 - sum.c / (sum.b + sum.c);
}

}  // namespace

std::vector<SamplePair> samplePairs(std::size_t samples) {
    std::vector<SamplePair> pairs;
    if (samples >= 2) pairs.reserve(samples * (samples - 1) / 2);
    for (std::size_t j = 0; j + 1 < samples; ++j)
        for (std::size_t k = j + 1; k < samples; ++k) pairs.push_back({j, k});
    return pairs;
}

Statistics computeStatistics(const extended::ExtendedData& data, int threads) {
    Statistics out;
    const std::size_t samples = data.samples();
    const std::size_t loci = data.loci();
    out.loci.resize(loci);
    out.pairs = samplePairs(samples);
    std::vector<Components> pairSums(out.pairs.size());
    // Per sample: loci counted, sums of Ho and Hs.
    std::vector<std::array<double, 3>> sampleSums(samples, {0.0, 0.0, 0.0});
    std::vector<std::size_t> all(samples);
    for (std::size_t s = 0; s < samples; ++s) all[s] = s;

    std::vector<LocusTally> tallies(std::min(kBlockLoci, loci));
    std::vector<LocusFrequencies> frequencies(tallies.size());
    std::vector<std::vector<std::optional<SampleLocusDiversity>>> within(tallies.size());
    for (std::size_t first = 0; first < loci; first += kBlockLoci) {
        const std::size_t count = std::min(kBlockLoci, loci - first);
        parallelFor(count, threads, [&](int, std::size_t i) {
            const std::size_t l = first + i;
            LocusTally& tally = tallies[i];
            tallyLocus(data, l, tally);
            LocusStatistics& locus = out.loci[l];
            locus.typed =
                std::any_of(tally.typed.begin(), tally.typed.end(), [](std::int64_t n) { return n > 0; });
            locus.components = varianceComponents(tally, all);
            locus.theta = thetaOf(locus.components);
            const Diversity d = neiDiversity(tally);
            locus.ho = d.ho;
            if (d.counted) {
                locus.hs = d.hs;
                locus.ht = d.ht;
                locus.dst = difference(d.ht, d.hs);
                locus.fst = ratio(locus.dst, d.ht);
                locus.fis = oneMinusRatio(d.ho, d.hs);
            }
            frequenciesOf(tally, frequencies[i]);
            within[i].assign(samples, std::nullopt);
            for (std::size_t s = 0; s < samples; ++s) within[i][s] = sampleDiversity(tally, s);
        });
        // Each pair's sums run over the loci in order, whichever worker has it.
        parallelFor(out.pairs.size(), threads, [&](int, std::size_t p) {
            const std::array<std::size_t, 2> two{out.pairs[p].j, out.pairs[p].k};
            Components& sum = pairSums[p];
            for (std::size_t i = 0; i < count; ++i) {
                const Components c = varianceComponents(frequencies[i], two);
                if (!c.counted) continue;
                sum.counted = true;
                sum.a += c.a;
                sum.b += c.b;
                sum.c += c.c;
            }
        });
        for (std::size_t i = 0; i < count; ++i)
            for (std::size_t s = 0; s < samples; ++s)
                if (const auto& d = within[i][s]) {
                    sampleSums[s][0] += 1.0;
                    sampleSums[s][1] += d->ho;
                    sampleSums[s][2] += d->hs;
                }
    }

    Components sum;
    double hoSum = 0.0, hsSum = 0.0, htSum = 0.0;
    for (std::size_t l = 0; l < loci; ++l) {
        const LocusStatistics& locus = out.loci[l];
        if (!locus.typed) continue;
        if (locus.components.counted) {
            sum.a += locus.components.a;
            sum.b += locus.components.b;
            sum.c += locus.components.c;
        }
        if (!locus.theta) out.thetaLeftOut.push_back(l);
        if (locus.hs && locus.ht) {
            ++out.neiLoci;
            hoSum += *locus.ho;
            hsSum += *locus.hs;
            htSum += *locus.ht;
        } else {
            out.neiLeftOut.push_back(l);
        }
        if (!locus.fis) out.fisLeftOut.push_back(l);
    }
    fixationIndices(sum, out);
    if (out.neiLoci > 0) {
        const auto n = static_cast<double>(out.neiLoci);
        out.ho = hoSum / n;
        out.hs = hsSum / n;
        out.ht = htSum / n;
        out.dst = difference(out.ht, out.hs);
        out.fst = ratio(out.dst, out.ht);
        out.fis = oneMinusRatio(out.ho, out.hs);
    }

    out.samples.resize(samples);
    for (const int s : data.sampleOf) ++out.samples[static_cast<std::size_t>(s)].individuals;
    for (std::size_t s = 0; s < samples; ++s) {
        SampleStatistics& sample = out.samples[s];
        const auto& [counted, hoTotal, hsTotal] = sampleSums[s];
        sample.loci = static_cast<std::int64_t>(counted);
        if (counted == 0.0) continue;
        sample.ho = hoTotal / counted;
        sample.hs = hsTotal / counted;
        sample.fis = oneMinusRatio(hoTotal, hsTotal);
    }

    out.pairTheta.resize(out.pairs.size());
    for (std::size_t p = 0; p < out.pairs.size(); ++p) {
        const Components& c = pairSums[p];
        if (c.counted && c.total() != 0.0) out.pairTheta[p] = c.a / c.total();
    }
    return out;
}

std::optional<double> pairTheta(const extended::ExtendedData& data, std::size_t j, std::size_t k) {
    const std::array<std::size_t, 2> two{j, k};
    Components sum;
    LocusTally tally;
    for (std::size_t l = 0; l < data.loci(); ++l) {
        tallyLocus(data, l, tally);
        const Components c = varianceComponents(tally, two);
        if (!c.counted) continue;
        sum.counted = true;
        sum.a += c.a;
        sum.b += c.b;
        sum.c += c.c;
    }
    if (!sum.counted || sum.total() == 0.0) return std::nullopt;
    return sum.a / sum.total();
}

}  // namespace zeltric::statistics
