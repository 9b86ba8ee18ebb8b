#include "extended/population_map.hpp"

#include <fstream>
#include <sstream>
#include <unordered_set>

#include "base/fatal_error.hpp"
#include "base/messages.hpp"

namespace zeltric::extended {

PopulationMap ReadPopulationMap(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw base::FatalError(base::popmapUnreadableMessage(path));
    PopulationMap map;
    map.fileName = path;
    std::string line;
    long long number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::size_t hash = line.find('#');
        if (hash != std::string::npos) line.resize(hash);
        std::istringstream fields(line);
        std::vector<std::string> columns;
        for (std::string field; fields >> field;) columns.push_back(field);
        if (columns.empty()) continue;
        if (columns.size() != 2) throw base::FatalError(base::popmapColumnsMessage(path, number));
        const auto [entry, inserted] = map.sampleOf.emplace(columns[0], columns[1]);
        if (inserted) {
            map.individuals.push_back(columns[0]);
        } else if (entry->second != columns[1]) {
            throw base::FatalError(
                base::popmapTwoSamplesMessage(path, number, columns[0], entry->second, columns[1]));
        }
    }
    if (in.bad()) throw base::FatalError(base::popmapUnreadableMessage(path));
    return map;
}

SampleAssignment AssignSamples(const std::string& dataFile, const std::vector<std::string>& individuals,
                               const std::vector<long long>& lines, const std::vector<std::string>* fallback,
                               const PopulationMap* map) {
    if (map == nullptr && fallback == nullptr) throw base::FatalError(base::popmapNeededMessage(dataFile));
    SampleAssignment out;
    out.sampleOf.assign(individuals.size(), -1);
    std::unordered_map<std::string, int> number;
    std::unordered_set<std::string> seen;
    long long leftOut = 0;
    for (std::size_t i = 0; i < individuals.size(); ++i) {
        std::string sample;
        if (map != nullptr) {
            // A name given twice could not be told apart in the map.
            if (!seen.insert(individuals[i]).second)
                throw base::FatalError(
                    base::duplicateIndividualMessage(dataFile, i < lines.size() ? lines[i] : 0, individuals[i]));
            const auto found = map->sampleOf.find(individuals[i]);
            if (found == map->sampleOf.end()) {
                ++leftOut;
                continue;
            }
            sample = found->second;
        } else {
            sample = (*fallback)[i];
        }
        const auto [entry, inserted] = number.emplace(sample, static_cast<int>(out.sampleNames.size()));
        if (inserted) out.sampleNames.push_back(sample);
        out.sampleOf[i] = entry->second;
        ++out.kept;
    }
    if (map != nullptr) {
        if (leftOut > 0) out.notes.push_back(base::unmappedIndividualsNote(leftOut, map->fileName));
        std::vector<std::string> unused;
        for (const std::string& name : map->individuals)
            if (seen.count(name) == 0) unused.push_back(name);
        if (!unused.empty()) out.notes.push_back(base::unusedMapEntriesNote(map->fileName, unused));
    }
    if (out.kept == 0) throw base::FatalError(base::noMappedIndividualMessage(dataFile));
    return out;
}

ExtendedData AssignedData(const SampleAssignment& assignment, const std::vector<std::string>& individuals) {
    ExtendedData data;
    data.sampleNames = assignment.sampleNames;
    for (std::size_t i = 0; i < individuals.size(); ++i) {
        if (assignment.sampleOf[i] < 0) continue;
        data.sampleOf.push_back(assignment.sampleOf[i]);
        data.individualNames.push_back(individuals[i]);
    }
    return data;
}

}  // namespace zeltric::extended
