// The readers of other formats: the first byte chooses the format (or
// detection), the rest is the file. A conversion either is refused
// (base::FatalError) or gives a data file that the genotype reader reads
// back whole, with as many labels as samples and every code within the
// highest allele number.
#include <algorithm>
#include <string>

#include "base/fatal_error.hpp"
#include "data/allele_counting.hpp"
#include "data/genotype_reader.hpp"
#include "formats/foreign_formats.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    using namespace zeltric;
    if (size < 1 || size > 1 << 20) return 0;
    const std::string content(reinterpret_cast<const char*>(bytes) + 1, size - 1);
    static constexpr formats::Format kFormats[] = {formats::Format::Genepop, formats::Format::Structure,
                                                   formats::Format::Genetix, formats::Format::Fstat};
    formats::Format format = kFormats[bytes[0] % 4];
    if (bytes[0] >= 128) {
        format = formats::detect(content, bytes[0] % 2 == 0 ? ".txt" : ".gtx");
        if (format == formats::Format::ZeltricData) return 0;
    }
    formats::StructureOptions options;
    if (bytes[0] % 8 == 5) options.rows = 1;
    if (bytes[0] % 16 == 13) options.extraColumns = 1;
    formats::Conversion c;
    try {
        c = formats::convert(format, content, "fuzz", options);
    } catch (const base::FatalError&) {
        return 0;
    }
    const std::string path = fuzz::scratchPath("converted.dat");
    fuzz::writeScratch(path, reinterpret_cast<const std::uint8_t*>(c.dataFile.data()), c.dataFile.size());
    data::Dataset ds;
    const data::Notify ignore = [](const std::string&) {};
    try {
        data::readHeader(ds, path, ignore);
        data::readGenotypes(ds, path, ignore);
    } catch (const base::FatalError& e) {
        fuzz::propertyFailed(e.what());
    }
    FUZZ_CHECK(ds.alleleCoding == 2);
    FUZZ_CHECK(static_cast<long long>(std::count(c.labelFile.begin(), c.labelFile.end(), '\n')) == ds.np);
    for (int l = 1; l <= ds.nl; ++l)
        for (int i = 1; i <= ds.individualCount; ++i) {
            const std::int32_t code = ds.genotypeColumns.at(l, i);
            FUZZ_CHECK(code == 0 ||
                       (code / 100 >= 1 && code / 100 <= ds.nu && code % 100 >= 1 && code % 100 <= ds.nu));
        }
    return 0;
}
