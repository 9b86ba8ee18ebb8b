#include "data/label_file.hpp"

#include <cstddef>
#include <vector>

#include "base/fatal_error.hpp"
#include "base/limits.hpp"
#include "base/text_reader.hpp"

namespace zeltric::data {

void setDefaultLabels(Dataset& dataset) {
    ZELTRIC_ASSERT(dataset.np <= base::NPMax);
    for (int s = 1; s <= dataset.np; ++s)
        dataset.populationLabels[static_cast<std::size_t>(s)] = std::to_string(s);
}

std::string readLabelFile(Dataset& dataset, const std::string& path) {
    ZELTRIC_ASSERT(dataset.np <= base::NPMax);
    // Read before anything changes, so that a refused file leaves the labels alone.
    base::TextReader reader = base::TextReader::fromFile(path, "label file");
    const std::size_t np = dataset.np;
    std::vector<std::string> labels(np + 1);
    for (std::size_t s = 1; s <= np; ++s) labels[s] = reader.readLine();  // empty once the file has ended
    for (std::size_t s = 1; s <= np; ++s) dataset.populationLabels[s] = std::move(labels[s]);
    return reader.sha256();
}

}  // namespace zeltric::data
