// FSTAT: a first line of four integers (samples, loci, highest allele,
// digits per allele), one locus name per line, then lines of a sample number
// and one code per locus (0 missing). Converted only when asked for: its
// first line makes it a data file otherwise.
#include <map>

#include "base/messages_formats.hpp"
#include "formats/foreign_data.hpp"

namespace zeltric::formats::detail {

ForeignData readFstat(std::string_view bytes, const std::string& fileName) {
    const std::vector<Line> lines = splitLines(bytes);
    if (lines.empty()) refuse(fileName, 1, base::emptyForeignFileReason("four numbers"));
    const std::vector<std::string> head = tokens(lines[0].text);
    long long h[4] = {0, 0, 0, 0};
    if (head.size() < 4 || !wholeNumber(head[0], h[0]) || !wholeNumber(head[1], h[1]) ||
        !wholeNumber(head[2], h[2]) || !wholeNumber(head[3], h[3]) || h[0] < 1 || h[1] < 1 || h[1] > 100000 ||
        h[3] < 1 || h[3] > 3)
        refuse(fileName, 1, base::fstatHeadReason());
    const long long np = h[0];
    const long long divisor = h[3] == 1 ? 10 : h[3] == 2 ? 100 : 1000;
    ForeignData d;
    std::size_t k = 1;
    for (long long l = 0; l < h[1]; ++l, ++k) {
        if (k == lines.size()) refuse(fileName, lines.back().number, base::endsEarlyReason("a locus name"));
        d.loci.push_back(trim(lines[k].text));
    }
    std::map<long long, ForeignSample> samples;
    for (; k < lines.size(); ++k) {
        const Line& line = lines[k];
        const std::vector<std::string> t = tokens(line.text);
        if (t.empty()) continue;
        long long sample = 0;
        if (!wholeNumber(t[0], sample) || sample < 1 || sample > np)
            refuse(fileName, line.number, base::notSampleNumberReason(t[0], np));
        if (t.size() != d.loci.size() + 1)
            refuse(fileName, line.number, base::genotypeCountReason(t.size() - 1, d.loci.size()));
        ForeignIndividual individual{line.number, {}};
        for (std::size_t i = 1; i < t.size(); ++i) {
            long long value = 0;
            if (!wholeNumber(t[i], value) || value < 0 || value >= divisor * divisor)
                refuse(fileName, line.number, base::notFstatGenotypeReason(t[i], h[3]));
            Genotype g;
            if (value / divisor != 0) g.first = value / divisor;
            if (value % divisor != 0) g.second = value % divisor;
            individual.genotypes.push_back(g);
        }
        ForeignSample& s = samples[sample];
        if (s.individuals.empty()) s = ForeignSample{std::to_string(sample), line.number, {}};
        s.individuals.push_back(std::move(individual));
    }
    for (auto& [number, sample] : samples) d.samples.push_back(std::move(sample));
    return d;
}

}  // namespace zeltric::formats::detail
