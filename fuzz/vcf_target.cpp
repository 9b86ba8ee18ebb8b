// The VCF reader on its plain-text path: the input is the file, read with a
// population map of the individuals a..e (the seeds name them). It is refused
// (base::FatalError) or gives a data set that holds together and analyses to
// finite figures.
#include <string>

#include "base/fatal_error.hpp"
#include "extended/population_map.hpp"
#include "extended/vcf_reader.hpp"
#include "extended_checks.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    using namespace zeltric;
    if (size > 1 << 20) return 0;
    static const std::string map = [] {
        const std::string path = fuzz::scratchPath("vcf.popmap");
        const std::string text = "a p\nb p\nc q\nd q\ne r\n";
        fuzz::writeScratch(path, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        return path;
    }();
    const std::string path = fuzz::scratchPath("input.vcf");
    fuzz::writeScratch(path, bytes, size);
    extended::ExtendedData data;
    try {
        const extended::PopulationMap populations = extended::ReadPopulationMap(map);
        extended::ReadOptions options;
        options.map = &populations;
        extended::ReadNotes notes;
        data = extended::ReadVariants(path, options, notes);
    } catch (const base::FatalError&) {
        return 0;
    }
    fuzz::checkExtendedData(data);
    return 0;
}
