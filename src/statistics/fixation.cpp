#include "statistics/fixation.hpp"

#include <vector>

namespace zeltric::statistics {

namespace {

// The definition's arithmetic, over samples whose typed count, frequency and
// heterozygote share come from `typed(s)`, `p(s, a)` and `h(s, a)`.
template <typename Typed, typename P, typename H>
Components components(std::size_t alleles, std::span<const std::size_t> which, Typed typed, P p, H h) {
    Components out;
    double r = 0.0;
    double sumN = 0.0;
    for (const std::size_t s : which) {
        const double n = typed(s);
        if (n <= 0.0) continue;
        r += 1.0;
        sumN += n;
    }
    if (r < 2.0) return out;
    const double nbar = sumN / r;
    if (nbar <= 1.0) return out;
    double sumN2 = 0.0;
    for (const std::size_t s : which) {
        const double n = typed(s);
        if (n > 0.0) sumN2 += n * n;
    }
    const double rn = r * nbar;
    const double nc = (rn - sumN2 / rn) / (r - 1.0);
    out.counted = true;
    for (std::size_t a = 0; a < alleles; ++a) {
        double sumNp = 0.0;
        double sumNh = 0.0;
        for (const std::size_t s : which) {
            const double n = typed(s);
            if (n <= 0.0) continue;
            sumNp += n * p(s, a);
            sumNh += n * h(s, a);
        }
        const double pbar = sumNp / rn;
        const double hbar = sumNh / rn;
        double sumSquares = 0.0;
        for (const std::size_t s : which) {
            const double n = typed(s);
            if (n <= 0.0) continue;
            const double d = p(s, a) - pbar;
            sumSquares += n * d * d;
        }
        const double s2 = sumSquares / ((r - 1.0) * nbar);
        const double pq = pbar * (1.0 - pbar);
        out.a += nbar / nc * (s2 - (pq - (r - 1.0) * s2 / r - hbar / 4.0) / (nbar - 1.0));
        out.b += nbar / (nbar - 1.0) * (pq - (r - 1.0) * s2 / r - (2.0 * nbar - 1.0) * hbar / (4.0 * nbar));
        out.c += hbar / 2.0;
    }
    return out;
}

}  // namespace

Components varianceComponents(const LocusTally& tally, std::span<const std::size_t> which) {
    const auto typed = [&](std::size_t s) { return static_cast<double>(tally.typed[s]); };
    return components(
        tally.alleles, which, typed,
        [&](std::size_t s, std::size_t a) { return static_cast<double>(tally.copiesOf(s, a)) / (2.0 * typed(s)); },
        [&](std::size_t s, std::size_t a) { return static_cast<double>(tally.carriersOf(s, a)) / typed(s); });
}

void frequenciesOf(const LocusTally& tally, LocusFrequencies& out) {
    out.alleles = tally.alleles;
    out.typed.resize(tally.samples);
    out.p.assign(tally.samples * tally.alleles, 0.0);
    out.h.assign(tally.samples * tally.alleles, 0.0);
    for (std::size_t s = 0; s < tally.samples; ++s) {
        const auto n = static_cast<double>(tally.typed[s]);
        out.typed[s] = n;
        if (n <= 0.0) continue;
        for (std::size_t a = 0; a < tally.alleles; ++a) {
            out.p[s * tally.alleles + a] = static_cast<double>(tally.copiesOf(s, a)) / (2.0 * n);
            out.h[s * tally.alleles + a] = static_cast<double>(tally.carriersOf(s, a)) / n;
        }
    }
}

Components varianceComponents(const LocusFrequencies& f, std::span<const std::size_t> which) {
    return components(
        f.alleles, which, [&](std::size_t s) { return f.typed[s]; },
        [&](std::size_t s, std::size_t a) { return f.p[s * f.alleles + a]; },
        [&](std::size_t s, std::size_t a) { return f.h[s * f.alleles + a]; });
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
