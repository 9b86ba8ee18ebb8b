#include "randomisation/random_generator.hpp"

namespace zeltric::randomisation {

namespace {
const long double kScale = 4.656613e-10L;
}

double RandomGenerator::uniform() {
    std::int32_t k = seed1 / 53668;
    seed1 = 40014 * (seed1 - k * 53668) - k * 12211;
    if (seed1 < 0) seed1 += 2147483563;
    k = seed2 / 52774;
    seed2 = 40692 * (seed2 - k * 52774) - k * 3791;
    if (seed2 < 0) seed2 += 2147483399;
    std::int32_t z = seed1 - seed2;
    if (z < 1) z += 2147483562;
    return static_cast<double>(static_cast<long double>(z) * kScale);
}

std::int32_t RandomGenerator::integerDeviate(std::int32_t n) {
    const double u = uniform();
    return static_cast<std::int32_t>(static_cast<long double>(u) * static_cast<long double>(n));
}

}  // namespace zeltric::randomisation
