#include "data/label_file.hpp"

#include <cstddef>
#include <fstream>
#include <iterator>
#include <vector>

#include "data/fatal_error.hpp"
#include "data/limits.hpp"

namespace zeltric::data {

void setDefaultLabels(Dataset& dataset) {
    ZELTRIC_ASSERT(dataset.np <= NPMax);
    for (int s = 1; s <= dataset.np; ++s) dataset.populationLabels[static_cast<std::size_t>(s)] = std::to_string(s);
}

void readLabelFile(Dataset& dataset, const std::string& path) {
    ZELTRIC_ASSERT(dataset.np <= NPMax);
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FatalError("Cannot open the label file " + path + ".");
    const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) throw FatalError("Cannot read the label file " + path + ".");

    // Collect the lines first so that a failure above leaves the labels alone.
    const std::size_t np = dataset.np;
    std::vector<std::string> lines;
    std::string line;
    bool lineOpen = false;  // characters seen since the last line end
    for (std::size_t i = 0; i < content.size() && lines.size() < np; ++i) {
        const char c = content[i];
        if (c == '\x1a') break;
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
            lines.push_back(line);
            line.clear();
            lineOpen = false;
            continue;
        }
        line += c;
        lineOpen = true;
    }
    if (lineOpen && lines.size() < np) lines.push_back(line);  // last line without a line end

    for (std::size_t s = 1; s <= np; ++s)
        dataset.populationLabels[s] = s <= lines.size() ? lines[s - 1] : std::string();
}

}  // namespace zeltric::data
