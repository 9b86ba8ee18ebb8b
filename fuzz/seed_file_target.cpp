// The seed file: whatever it holds reads as two 32-bit seeds, and seeds that
// are written read back as the same two values in both layouts.
#include <string>

#include "fuzz_support.hpp"
#include "randomisation/seed_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    using namespace zeltric;
    if (size > 1 << 16) return 0;
    const std::string path = zeltric::fuzz::scratchPath("ZELTRIC.INI");
    zeltric::fuzz::writeScratch(path, bytes, size);
    const auto [seed1, seed2] = randomisation::readSeedFile(path);
    if (seed1 == 0 || seed2 == 0) return 0;
    for (const char* separator : {" ", "   "}) {
        const std::string copy = zeltric::fuzz::scratchPath("copy.ini");
        FUZZ_CHECK(randomisation::writeSeedFile(copy, seed1, seed2, separator));
        const auto [again1, again2] = randomisation::readSeedFile(copy);
        FUZZ_CHECK(again1 == seed1 && again2 == seed2);
    }
    return 0;
}
