#include "record/shortest_float.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace zeltric::record {
namespace {

// An unsigned integer of 384 bits, enough for a float's value scaled by the
// powers of two and ten the digits need. Little-endian 32-bit words.
class Big {
public:
    explicit Big(std::uint64_t value = 0) {
        words_[0] = static_cast<std::uint32_t>(value);
        words_[1] = static_cast<std::uint32_t>(value >> 32);
    }
    Big& multiply(std::uint32_t factor) {
        std::uint64_t carry = 0;
        for (std::uint32_t& word : words_) {
            const std::uint64_t product = static_cast<std::uint64_t>(word) * factor + carry;
            word = static_cast<std::uint32_t>(product);
            carry = product >> 32;
        }
        return *this;
    }
    Big& shiftLeft(int bits) {
        for (; bits >= 16; bits -= 16) multiply(1u << 16);
        return multiply(1u << bits);
    }
    Big& multiplyByPowerOfTen(int exponent) {
        for (; exponent >= 9; exponent -= 9) multiply(1000000000u);
        for (; exponent > 0; --exponent) multiply(10u);
        return *this;
    }
    Big& subtract(const Big& other) {
        std::int64_t borrow = 0;
        for (std::size_t i = 0; i < kWords; ++i) {
            const std::int64_t difference = static_cast<std::int64_t>(words_[i]) - other.words_[i] - borrow;
            words_[i] = static_cast<std::uint32_t>(difference);
            borrow = difference < 0 ? 1 : 0;
        }
        return *this;
    }
    Big plus(const Big& other) const {
        Big sum;
        std::uint64_t carry = 0;
        for (std::size_t i = 0; i < kWords; ++i) {
            const std::uint64_t total = static_cast<std::uint64_t>(words_[i]) + other.words_[i] + carry;
            sum.words_[i] = static_cast<std::uint32_t>(total);
            carry = total >> 32;
        }
        return sum;
    }
    friend int compare(const Big& a, const Big& b) {
        for (std::size_t i = kWords; i-- > 0;)
            if (a.words_[i] != b.words_[i]) return a.words_[i] < b.words_[i] ? -1 : 1;
        return 0;
    }

private:
    static constexpr std::size_t kWords = 12;
    std::array<std::uint32_t, kWords> words_{};
};

// The same operations on one 128-bit integer, for the values whose scaled
// numbers stay below 2^121 (nearly all a record holds): several times faster.
__extension__ typedef unsigned __int128 Wide;
class Narrow {
public:
    explicit Narrow(std::uint64_t value = 0) : value_(value) {}
    Narrow& multiply(std::uint32_t factor) {
        value_ *= factor;
        return *this;
    }
    Narrow& shiftLeft(int bits) {
        value_ <<= bits;
        return *this;
    }
    Narrow& multiplyByPowerOfTen(int exponent) {
        for (; exponent > 0; --exponent) value_ *= 10u;
        return *this;
    }
    Narrow& subtract(const Narrow& other) {
        value_ -= other.value_;
        return *this;
    }
    Narrow plus(const Narrow& other) const {
        Narrow sum;
        sum.value_ = value_ + other.value_;
        return sum;
    }
    friend int compare(const Narrow& a, const Narrow& b) {
        return a.value_ < b.value_ ? -1 : a.value_ > b.value_ ? 1 : 0;
    }

private:
    Wide value_;
};

// q * 10^p as the nearest double: one rounding of exact operands.
double scaled(std::uint64_t q, int p) {
    static constexpr std::array<double, 23> kPowers = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const double digits = static_cast<double>(q);  // q < 2^53: exact
    return p >= 0 ? digits * kPowers[static_cast<std::size_t>(p)] : digits / kPowers[static_cast<std::size_t>(-p)];
}

// The shortest text's value of a positive float m * 2^(twos + 2), whose
// decimal exponent is k or one off, in the integers Int.
template <typename Int>
std::optional<double> shortest(float value, std::uint64_t m, int twos, int k, bool even, std::uint32_t lowerGap) {
    // In units of 2^twos: the value 4m, the half-gaps above (2) and below.
    // r / s is the value over 10^k; mp / s and mm / s the half-gaps.
    Int r(4 * m), s(1), mp(2), mm(lowerGap);
    if (twos >= 0) {
        r.shiftLeft(twos);
        mp.shiftLeft(twos);
        mm.shiftLeft(twos);
    } else {
        s.shiftLeft(-twos);
    }
    if (k >= 0) {
        s.multiplyByPowerOfTen(k);
    } else {
        r.multiplyByPowerOfTen(-k);
        mp.multiplyByPowerOfTen(-k);
        mm.multiplyByPowerOfTen(-k);
    }
    // The estimate of k may be one off either way: 1 <= r / s < 10.
    for (Int ten = Int(s).multiply(10); compare(r, ten) >= 0; ten = Int(s).multiply(10)) {
        s.multiply(10);
        ++k;
    }
    while (compare(r, s) < 0) {
        r.multiply(10);
        mp.multiply(10);
        mm.multiply(10);
        --k;
    }

    std::uint64_t q = 0;
    for (int digits = 1; digits <= 9; ++digits) {
        if (digits > 1) {
            r.multiply(10);
            mp.multiply(10);
            mm.multiply(10);
        }
        std::uint32_t digit = 0;
        while (compare(r, s) >= 0) {
            r.subtract(s);
            ++digit;
        }
        q = q * 10 + digit;
        // value = (q + r / s) * 10^p: round to nearest, ties to even.
        const int p = k - digits + 1;
        const Int twice = r.plus(r);
        const int half = compare(twice, s);
        Int above = s;
        above.subtract(r);
        const int upFits = compare(above, mp);
        const int downFits = compare(r, mm);
        const bool upReadsBack = upFits < 0 || (upFits == 0 && even);
        const bool downReadsBack = downFits < 0 || (downFits == 0 && even);
        // The nearest text that reads back; at a power of two, where the
        // gap below is half the gap above, that may be the farther one.
        const bool nearestIsUp = half > 0 || (half == 0 && (q & 1u) != 0);
        const bool readsBack = upReadsBack || downReadsBack;
        const bool up = nearestIsUp ? upReadsBack : !downReadsBack;
        if (!readsBack) continue;
        // From 2^24 on every float is an integer, and where its digits are
        // no longer than the scientific text ("8.7956925e+12"), the shortest
        // text is the integer written out in full: the float itself.
        const int scientificLength = digits + (digits > 1 ? 1 : 0) + 4;
        if (value >= 16777216.0f && k + 1 <= scientificLength) return static_cast<double>(value);
        if (p < -22 || p > 22) return std::nullopt;
        return scaled(q + (up ? 1 : 0), p);
    }
    return std::nullopt;
}

}  // namespace

std::optional<double> shortestFloatValue(float value) {
    if (value == 0.0f || !std::isfinite(value)) return std::nullopt;
    const bool negative = value < 0.0f;
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const std::uint32_t fraction = bits & 0x7fffffu;
    const int biased = static_cast<int>((bits >> 23) & 0xffu);
    // value = m * 2^e; its neighbours lie 2^e away, the lower one half as
    // far at a power of two (but not below the smallest normal).
    const std::uint64_t m = biased == 0 ? fraction : (fraction | 0x800000u);
    const int e = biased == 0 ? -149 : biased - 150;
    const bool even = (m & 1u) == 0;
    const std::uint32_t lowerGap = biased > 1 && fraction == 0 ? 1 : 2;

    const int twos = e - 2;
    const int k = static_cast<int>(std::floor(std::log10(std::fabs(static_cast<double>(value)))));
    // The scaled numbers stay below 2^7 times the divisor s, which is
    // 2^-twos (when negative) times 10^(k + 1) at most (when positive).
    const int divisorBits = std::max(0, -twos) + 4 * (std::max(k, 0) + 1);
    const std::optional<double> magnitude = divisorBits <= 120
                                                ? shortest<Narrow>(std::fabs(value), m, twos, k, even, lowerGap)
                                                : shortest<Big>(std::fabs(value), m, twos, k, even, lowerGap);
    if (!magnitude) return std::nullopt;
    return negative ? -*magnitude : *magnitude;
}

}  // namespace zeltric::record
