// The label file: the first byte chooses the sample count, the rest is the
// file. Labels hold no line end, and samples after the file's last line get
// empty labels.
#include <string>

#include "base/fatal_error.hpp"
#include "data/label_file.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    using namespace zeltric;
    if (size < 1 || size > 1 << 20) return 0;
    data::Dataset ds;
    ds.np = static_cast<std::uint16_t>(1 + bytes[0] % base::NPMax);
    const std::string path = zeltric::fuzz::scratchPath("labels.txt");
    zeltric::fuzz::writeScratch(path, bytes + 1, size - 1);
    try {
        data::readLabelFile(ds, path);
    } catch (const base::FatalError&) {
        return 0;
    }
    std::size_t total = 0;
    for (int s = 1; s <= ds.np; ++s) {
        const std::string& label = ds.populationLabels[static_cast<std::size_t>(s)];
        FUZZ_CHECK(label.find('\r') == std::string::npos && label.find('\n') == std::string::npos);
        FUZZ_CHECK(label.find('\x1a') == std::string::npos);
        total += label.size();
    }
    FUZZ_CHECK(total <= size - 1);
    for (int s = ds.np + 1; s <= base::NPMax; ++s)
        FUZZ_CHECK(ds.populationLabels[static_cast<std::size_t>(s)].empty());
    return 0;
}
