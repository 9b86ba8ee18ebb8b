// The population map: refused (base::FatalError) or a map naming each
// individual once with a sample; the individuals of a data set (the map's
// own, reversed, with one it lacks) are then assigned by it: each mapped one
// to its sample, the other left out with a note, samples in the order of
// their first individual.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "base/fatal_error.hpp"
#include "extended/population_map.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    using namespace zeltric;
    if (size > 1 << 20) return 0;
    const std::string path = fuzz::scratchPath("map.txt");
    fuzz::writeScratch(path, bytes, size);
    extended::PopulationMap map;
    try {
        map = extended::ReadPopulationMap(path);
    } catch (const base::FatalError&) {
        return 0;
    }
    FUZZ_CHECK(map.individuals.size() == map.sampleOf.size());
    FUZZ_CHECK(std::set<std::string>(map.individuals.begin(), map.individuals.end()).size() ==
               map.individuals.size());
    for (const std::string& name : map.individuals) {
        FUZZ_CHECK(!name.empty() && name.find_first_of(" \t\r\n#") == std::string::npos);
        const std::string& sample = map.sampleOf.at(name);
        FUZZ_CHECK(!sample.empty() && sample.find_first_of(" \t\r\n#") == std::string::npos);
    }

    std::vector<std::string> individuals(map.individuals.rbegin(), map.individuals.rend());
    std::string absent = "absent";
    while (map.sampleOf.count(absent) != 0) absent += "_";
    individuals.push_back(absent);
    const std::vector<long long> lines(individuals.size(), 0);
    extended::SampleAssignment assignment;
    try {
        assignment = extended::AssignSamples("data", individuals, lines, nullptr, &map);
    } catch (const base::FatalError&) {
        FUZZ_CHECK(map.individuals.empty());  // only when no individual is left
        return 0;
    }
    FUZZ_CHECK(assignment.kept == map.individuals.size());
    FUZZ_CHECK(assignment.sampleOf.size() == individuals.size() && assignment.sampleOf.back() == -1);
    FUZZ_CHECK(!assignment.notes.empty());
    std::vector<std::string> order;
    for (std::size_t i = 0; i + 1 < individuals.size(); ++i) {
        const int sample = assignment.sampleOf[i];
        FUZZ_CHECK(sample >= 0 && static_cast<std::size_t>(sample) < assignment.sampleNames.size());
        FUZZ_CHECK(assignment.sampleNames[static_cast<std::size_t>(sample)] == map.sampleOf.at(individuals[i]));
        if (std::find(order.begin(), order.end(), map.sampleOf.at(individuals[i])) == order.end())
            order.push_back(map.sampleOf.at(individuals[i]));
    }
    FUZZ_CHECK(order == assignment.sampleNames);
    return 0;
}
