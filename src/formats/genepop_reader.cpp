// Genepop: a title line; locus names one per line or separated by commas;
// "Pop" lines (any case) open the samples; individual lines "label ,
// genotypes" with 4-digit (2 + 2) or 6-digit (3 + 3) codes, zeros missing.
#include <cctype>

#include "base/messages_formats.hpp"
#include "formats/foreign_data.hpp"

namespace zeltric::formats::detail {
namespace {

// A line with a comma is an individual ("pop 2 , 0202 0304"), never a Pop line.
bool isPopLine(const std::string& text) {
    if (text.find(',') != std::string::npos) return false;
    const std::string t = trim(text);
    if (t.size() < 3) return false;
    std::string head;
    for (std::size_t i = 0; i < 3; ++i) head += static_cast<char>(std::tolower(static_cast<unsigned char>(t[i])));
    return head == "pop" && (t.size() == 3 || static_cast<unsigned char>(t[3]) <= 32);
}

}  // namespace

ForeignData readGenepop(std::string_view bytes, const std::string& fileName) {
    const std::vector<Line> lines = splitLines(bytes);
    if (lines.empty()) refuse(fileName, 1, base::emptyForeignFileReason("a Genepop title line"));
    ForeignData d;
    std::size_t k = 1;
    for (; k < lines.size() && !isPopLine(lines[k].text); ++k) {
        std::string_view rest = lines[k].text;
        while (true) {
            const std::size_t comma = rest.find(',');
            const std::string name = trim(rest.substr(0, comma));
            if (!name.empty()) d.loci.push_back(name);
            if (comma == std::string_view::npos) break;
            rest.remove_prefix(comma + 1);
        }
    }
    if (k == lines.size()) refuse(fileName, lines.back().number, base::noPopLineReason());
    if (d.loci.empty()) refuse(fileName, lines[k].number, base::noLocusBeforePopReason());

    std::size_t digits = 0;  // 4 or 6, fixed by the first genotype
    for (; k < lines.size(); ++k) {
        const Line& line = lines[k];
        if (isPopLine(line.text)) {
            d.samples.push_back({"", line.number, {}});
            continue;
        }
        if (trim(line.text).empty()) continue;
        const std::size_t comma = line.text.find(',');
        if (comma == std::string::npos) refuse(fileName, line.number, base::noCommaReason());
        ForeignSample& sample = d.samples.back();
        if (sample.individuals.empty()) sample.name = trim(line.text.substr(0, comma));
        const std::vector<std::string> codes = tokens(std::string_view(line.text).substr(comma + 1));
        if (codes.size() != d.loci.size())
            refuse(fileName, line.number, base::genotypeCountReason(codes.size(), d.loci.size()));
        ForeignIndividual individual{line.number, {}};
        for (const std::string& code : codes) {
            long long value = 0;
            if (digits == 0 && (code.size() == 4 || code.size() == 6)) digits = code.size();
            // Digits only: a sign ("+102") is no allele code of the format.
            const bool digitsOnly = code.find_first_not_of("0123456789") == std::string::npos;
            if (code.size() != digits || !digitsOnly || !wholeNumber(code, value))
                refuse(fileName, line.number, base::notGenepopGenotypeReason(code, digits));
            const long long divisor = digits == 6 ? 1000 : 100;
            Genotype g;
            if (value / divisor != 0) g.first = value / divisor;
            if (value % divisor != 0) g.second = value % divisor;
            individual.genotypes.push_back(g);
        }
        sample.individuals.push_back(std::move(individual));
    }
    return d;
}

}  // namespace zeltric::formats::detail
