// GENETIX: the numbers of loci and of samples, each locus's name and allele
// list, then each sample's name, size and individuals (the name in the first
// 10 columns, then 6-digit codes, 000000 missing).
#include <algorithm>
#include <set>

#include "base/messages.hpp"
#include "base/messages_formats.hpp"
#include "formats/foreign_data.hpp"

namespace zeltric::formats::detail {
namespace {

constexpr std::size_t kNameColumns = 10;

class LineCursor {
public:
    LineCursor(std::vector<Line> lines, const std::string& fileName)
        : lines_(std::move(lines)), fileName_(fileName) {}
    // The next line that holds more than blanks.
    const Line& next(const std::string& expected) {
        while (k_ < lines_.size() && trim(lines_[k_].text).empty()) ++k_;
        if (k_ == lines_.size())
            refuse(fileName_, lines_.empty() ? 1 : lines_.back().number, base::endsEarlyReason(expected));
        return lines_[k_++];
    }
    long long number(const std::string& expected, long long low, long long high) {
        const Line& line = next(expected);
        const std::vector<std::string> t = tokens(line.text);
        long long value = 0;
        if (t.empty() || !wholeNumber(t[0], value) || value < low || value > high)
            refuse(fileName_, line.number,
                   base::notWholeNumberInReason(t.empty() ? std::string() : t[0], expected, low, high));
        return value;
    }
    bool atEnd() {
        while (k_ < lines_.size() && trim(lines_[k_].text).empty()) ++k_;
        return k_ == lines_.size();
    }

private:
    std::vector<Line> lines_;
    const std::string& fileName_;
    std::size_t k_ = 0;
};

// Blocks with the same name are one sample, as a population split over
// several blocks is: the merged sample takes the first block's place, its
// individuals in file order.
void mergeSameNames(ForeignData& d) {
    std::vector<ForeignSample> merged;
    for (ForeignSample& block : d.samples) {
        auto same = std::find_if(merged.begin(), merged.end(),
                                 [&](const ForeignSample& m) { return m.name == block.name; });
        if (same == merged.end()) {
            merged.push_back(std::move(block));
            continue;
        }
        d.notes.push_back(base::sameNamedBlocksNote(block.name, same->line, block.line));
        for (ForeignIndividual& i : block.individuals) same->individuals.push_back(std::move(i));
    }
    d.samples = std::move(merged);
}

}  // namespace

ForeignData readGenetix(std::string_view bytes, const std::string& fileName) {
    LineCursor in(splitLines(bytes), fileName);
    ForeignData d;
    std::vector<std::set<long long>> headerAlleles;  // each locus's list
    const long long nl = in.number("the number of loci", 1, 100000);
    const long long np = in.number("the number of samples", 1, 100000);
    for (long long l = 0; l < nl; ++l) {
        d.loci.push_back(trim(in.next("a locus name").text));
        const Line& list = in.next("the number of alleles and their list");
        const std::vector<std::string> t = tokens(list.text);
        long long count = 0;
        if (t.empty() || !wholeNumber(t[0], count) || count < 0 || static_cast<long long>(t.size()) - 1 != count)
            refuse(fileName, list.number, base::alleleListReason());
        long long allele = 0;
        std::set<long long>& listed = headerAlleles.emplace_back();
        for (std::size_t i = 1; i < t.size(); ++i) {
            if (!wholeNumber(t[i], allele) || allele < 1)
                refuse(fileName, list.number, base::notAlleleNameReason(t[i]));
            listed.insert(allele);
        }
    }
    std::vector<std::set<long long>> unlisted(headerAlleles.size());
    for (long long s = 0; s < np; ++s) {
        const Line& nameLine = in.next("a sample name");
        ForeignSample sample{trim(nameLine.text), nameLine.number, {}};
        const long long size = in.number("the sample size", 1, 100000);
        for (long long i = 0; i < size; ++i) {
            const Line& line = in.next("an individual");
            const std::vector<std::string> codes =
                tokens(line.text.size() > kNameColumns ? std::string_view(line.text).substr(kNameColumns) : "");
            if (codes.size() != static_cast<std::size_t>(nl))
                refuse(fileName, line.number, base::genetixGenotypeCountReason(codes.size(), nl));
            ForeignIndividual individual{line.number, {}};
            for (const std::string& code : codes) {
                long long value = 0;
                const bool digitsOnly = code.find_first_not_of("0123456789") == std::string::npos;
                if (code.size() != 6 || !digitsOnly || !wholeNumber(code, value))
                    refuse(fileName, line.number, base::notGenetixGenotypeReason(code));
                Genotype g;
                if (value / 1000 != 0) g.first = value / 1000;
                if (value % 1000 != 0) g.second = value % 1000;
                const std::size_t l = individual.genotypes.size();
                for (const long long a : {g.first, g.second})
                    if (a != kMissing && headerAlleles[l].count(a) == 0) unlisted[l].insert(a);
                individual.genotypes.push_back(g);
            }
            sample.individuals.push_back(std::move(individual));
        }
        d.samples.push_back(std::move(sample));
    }
    if (!in.atEnd()) {
        const Line& extra = in.next("");
        refuse(fileName, extra.number, base::linesBeyondSamplesReason());
    }
    // Read as written, but said: the header and the genotypes disagree.
    for (std::size_t l = 0; l < unlisted.size(); ++l) {
        if (unlisted[l].empty()) continue;
        std::string alleles;
        for (const long long a : unlisted[l]) alleles += (alleles.empty() ? "" : ", ") + std::to_string(a);
        d.notes.push_back(base::allelesOutsideHeaderNote(static_cast<int>(l + 1), d.loci[l], alleles));
    }
    mergeSameNames(d);
    return d;
}

}  // namespace zeltric::formats::detail
