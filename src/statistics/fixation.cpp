#include "statistics/fixation.hpp"

#include <vector>

namespace zeltric::statistics {

Components varianceComponents(const LocusTally& tally, std::span<const std::size_t> which) {
    Components out;
    double r = 0.0;
    double sumN = 0.0;
    for (const std::size_t s : which) {
        const auto n = static_cast<double>(tally.typed[s]);
        if (n <= 0.0) continue;
        r += 1.0;
        sumN += n;
    }
    if (r < 2.0) return out;
    const double nbar = sumN / r;
    if (nbar <= 1.0) return out;
    double sumN2 = 0.0;
    for (const std::size_t s : which) {
        const auto n = static_cast<double>(tally.typed[s]);
        if (n > 0.0) sumN2 += n * n;
    }
    const double rn = r * nbar;
    const double nc = (rn - sumN2 / rn) / (r - 1.0);
    out.counted = true;
    for (std::size_t a = 0; a < tally.alleles; ++a) {
        double sumNp = 0.0;
        double sumNh = 0.0;
        for (const std::size_t s : which) {
            const auto n = static_cast<double>(tally.typed[s]);
            if (n <= 0.0) continue;
            const double p = static_cast<double>(tally.copiesOf(s, a)) / (2.0 * n);
            const double h = static_cast<double>(tally.carriersOf(s, a)) / n;
            sumNp += n * p;
            sumNh += n * h;
        }
        const double pbar = sumNp / rn;
        const double hbar = sumNh / rn;
        double sumSquares = 0.0;
        for (const std::size_t s : which) {
            const auto n = static_cast<double>(tally.typed[s]);
            if (n <= 0.0) continue;
            const double p = static_cast<double>(tally.copiesOf(s, a)) / (2.0 * n);
            sumSquares += n * (p - pbar) * (p - pbar);
        }
        const double s2 = sumSquares / ((r - 1.0) * nbar);
        const double pq = pbar * (1.0 - pbar);
        out.a += nbar / nc * (s2 - (pq - (r - 1.0) * s2 / r - hbar / 4.0) / (nbar - 1.0));
        out.b += nbar / (nbar - 1.0) * (pq - (r - 1.0) * s2 / r - (2.0 * nbar - 1.0) * hbar / (4.0 * nbar));
        out.c += hbar / 2.0;
    }
    return out;
}

std::optional<double> thetaOf(const Components& components) {
    const double total = components.total();
    if (!components.counted || total == 0.0) return std::nullopt;
    return components.a / total;
}

Diversity neiDiversity(const LocusTally& tally) {
    Diversity out;
    double np = 0.0;
    double sumHo = 0.0;
    double sumInverse = 0.0;
    double sumHomozygosity = 0.0;
    std::vector<double> pbar(tally.alleles, 0.0);
    for (std::size_t s = 0; s < tally.samples; ++s) {
        const auto n = static_cast<double>(tally.typed[s]);
        if (n <= 0.0) continue;
        np += 1.0;
        sumHo += static_cast<double>(tally.heterozygous[s]) / n;
        sumInverse += 1.0 / n;
        double squares = 0.0;
        for (std::size_t a = 0; a < tally.alleles; ++a) {
            const double p = static_cast<double>(tally.copiesOf(s, a)) / (2.0 * n);
            squares += p * p;
            pbar[a] += p;
        }
        sumHomozygosity += squares;
    }
    if (np == 0.0) return out;
    const double ho = sumHo / np;
    out.ho = ho;
    const double ntilde = np / sumInverse;
    if (ntilde <= 1.0) return out;
    const double hs = ntilde / (ntilde - 1.0) * (1.0 - sumHomozygosity / np - ho / (2.0 * ntilde));
    double pooled = 0.0;
    for (std::size_t a = 0; a < tally.alleles; ++a) {
        const double p = pbar[a] / np;
        pooled += p * p;
    }
    out.hs = hs;
    out.ht = 1.0 - pooled + hs / (ntilde * np) - ho / (2.0 * ntilde * np);
    out.counted = true;
    return out;
}

std::optional<SampleLocusDiversity> sampleDiversity(const LocusTally& tally, std::size_t s) {
    const auto n = static_cast<double>(tally.typed[s]);
    if (n < 2.0) return std::nullopt;
    double squares = 0.0;
    for (std::size_t a = 0; a < tally.alleles; ++a) {
        const double p = static_cast<double>(tally.copiesOf(s, a)) / (2.0 * n);
        squares += p * p;
    }
    SampleLocusDiversity out;
    out.ho = static_cast<double>(tally.heterozygous[s]) / n;
    out.hs = n / (n - 1.0) * (1.0 - squares - out.ho / (2.0 * n));
    return out;
}

std::optional<double> oneMinusRatio(std::optional<double> x, std::optional<double> y) {
    if (!x || !y || *y == 0.0) return std::nullopt;
    return 1.0 - *x / *y;
}

}  // namespace zeltric::statistics
