// GENETIX: the numbers of loci and of samples, each locus's name and allele
// list, then each sample's name, size and individuals (the name in the first
// 10 columns, then 6-digit codes, 000000 missing).
#include <algorithm>

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
            refuse(fileName_, lines_.empty() ? 1 : lines_.back().number,
                   "the file ends early (" + expected + " expected).");
        return lines_[k_++];
    }
    long long number(const std::string& expected, long long low, long long high) {
        const Line& line = next(expected);
        const std::vector<std::string> t = tokens(line.text);
        long long value = 0;
        if (t.empty() || !wholeNumber(t[0], value) || value < low || value > high)
            refuse(fileName_, line.number,
                   "\"" + (t.empty() ? std::string() : t[0]) + "\" is not " + expected + " (a whole number in " +
                       std::to_string(low) + ".." + std::to_string(high) + " expected).");
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
        d.notes.push_back("The blocks named \"" + block.name + "\" at lines " + std::to_string(same->line) +
                          " and " + std::to_string(block.line) +
                          " are one sample: its individuals are those of both, in file order, and it takes "
                          "the place of the first.");
        for (ForeignIndividual& i : block.individuals) same->individuals.push_back(std::move(i));
    }
    d.samples = std::move(merged);
}

}  // namespace

ForeignData readGenetix(std::string_view bytes, const std::string& fileName) {
    LineCursor in(splitLines(bytes), fileName);
    ForeignData d;
    const long long nl = in.number("the number of loci", 1, 100000);
    const long long np = in.number("the number of samples", 1, 100000);
    for (long long l = 0; l < nl; ++l) {
        d.loci.push_back(trim(in.next("a locus name").text));
        const Line& list = in.next("the number of alleles and their list");
        const std::vector<std::string> t = tokens(list.text);
        long long count = 0;
        if (t.empty() || !wholeNumber(t[0], count) || count < 0 || static_cast<long long>(t.size()) - 1 != count)
            refuse(fileName, list.number, "the number of alleles followed by that many allele names expected.");
        long long allele = 0;
        for (std::size_t i = 1; i < t.size(); ++i)
            if (!wholeNumber(t[i], allele) || allele < 1)
                refuse(fileName, list.number,
                       "\"" + t[i] + "\" is not an allele name (a positive number expected).");
    }
    for (long long s = 0; s < np; ++s) {
        const Line& nameLine = in.next("a sample name");
        ForeignSample sample{trim(nameLine.text), nameLine.number, {}};
        const long long size = in.number("the sample size", 1, 100000);
        for (long long i = 0; i < size; ++i) {
            const Line& line = in.next("an individual");
            const std::vector<std::string> codes =
                tokens(line.text.size() > kNameColumns ? std::string_view(line.text).substr(kNameColumns) : "");
            if (codes.size() != static_cast<std::size_t>(nl))
                refuse(fileName, line.number,
                       std::to_string(codes.size()) + " genotypes after the 10 columns of the name, " +
                           std::to_string(nl) + " expected.");
            ForeignIndividual individual{line.number, {}};
            for (const std::string& code : codes) {
                long long value = 0;
                if (code.size() != 6 || !wholeNumber(code, value) || value < 0)
                    refuse(
                        fileName, line.number,
                        "\"" + code +
                            "\" is not a genotype of 6 digits (two alleles of 3 digits, 000 missing, expected).");
                Genotype g;
                if (value / 1000 != 0) g.first = value / 1000;
                if (value % 1000 != 0) g.second = value % 1000;
                individual.genotypes.push_back(g);
            }
            sample.individuals.push_back(std::move(individual));
        }
        d.samples.push_back(std::move(sample));
    }
    if (!in.atEnd()) {
        const Line& extra = in.next("");
        refuse(fileName, extra.number,
               "more lines than the samples' sizes announce (the end of the file expected).");
    }
    mergeSameNames(d);
    return d;
}

}  // namespace zeltric::formats::detail
