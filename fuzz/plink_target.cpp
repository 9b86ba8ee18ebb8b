// The PLINK reader: the input holds the three files, the .bim's and the
// .fam's lengths in its first four bytes (two each, little-endian), then the
// .bim, the .fam and the .bed. The samples are the family IDs. It is refused
// (base::FatalError) or gives a data set that holds together and analyses to
// finite figures.
#include <string>

#include "base/fatal_error.hpp"
#include "extended/plink_reader.hpp"
#include "extended_checks.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    using namespace zeltric;
    if (size < 4 || size > 1 << 20) return 0;
    const std::size_t bim = bytes[0] | (std::size_t{bytes[1]} << 8);
    const std::size_t fam = bytes[2] | (std::size_t{bytes[3]} << 8);
    if (4 + bim + fam > size) return 0;
    const std::string base = fuzz::scratchPath("input");
    fuzz::writeScratch(base + ".bim", bytes + 4, bim);
    fuzz::writeScratch(base + ".fam", bytes + 4 + bim, fam);
    fuzz::writeScratch(base + ".bed", bytes + 4 + bim + fam, size - 4 - bim - fam);
    extended::ExtendedData data;
    try {
        extended::ReadNotes notes;
        data = extended::ReadPlink(base + ".bed", {}, notes);
    } catch (const base::FatalError&) {
        return 0;
    }
    fuzz::checkExtendedData(data);
    return 0;
}
