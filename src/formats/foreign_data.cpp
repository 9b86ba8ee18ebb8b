#include "formats/foreign_data.hpp"

#include <algorithm>
#include <map>

#include "base/decimal.hpp"
#include "base/fatal_error.hpp"
#include "base/limits.hpp"
#include "base/messages.hpp"
#include "base/messages_formats.hpp"
#include "base/number_field.hpp"
#include "base/text_reader.hpp"

namespace zeltric::formats {
namespace detail {

std::vector<Line> splitLines(std::string_view bytes) {
    bytes.remove_prefix(base::utf8MarkLength(bytes));  // an editor's invisible mark
    const std::size_t end = std::min(bytes.find('\x1a'), bytes.size());
    std::vector<Line> lines;
    std::size_t start = 0;
    int number = 1;
    while (start < end) {
        std::size_t stop = start;
        while (stop < end && bytes[stop] != '\r' && bytes[stop] != '\n') ++stop;
        lines.push_back({number++, std::string(bytes.substr(start, stop - start))});
        if (stop < end && bytes[stop] == '\r' && stop + 1 < end && bytes[stop + 1] == '\n') ++stop;
        start = stop + 1;
    }
    return lines;
}

std::vector<std::string> tokens(std::string_view text) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && static_cast<unsigned char>(text[i]) <= 32) ++i;
        const std::size_t start = i;
        while (i < text.size() && static_cast<unsigned char>(text[i]) > 32) ++i;
        if (i > start) out.emplace_back(text.substr(start, i - start));
    }
    return out;
}

std::string trim(std::string_view text) {
    std::size_t a = 0;
    std::size_t b = text.size();
    while (a < b && static_cast<unsigned char>(text[a]) <= 32) ++a;
    while (b > a && static_cast<unsigned char>(text[b - 1]) <= 32) --b;
    return std::string(text.substr(a, b - a));
}

bool wholeNumber(std::string_view text, long long& value) {
    // At most 18 digits: later sums and products of codes stay far from overflow.
    constexpr long long bound = 1000000000000000000LL;
    const auto parsed = base::decimalValue(text);
    if (!parsed || *parsed >= bound || *parsed <= -bound) return false;
    value = *parsed;
    return true;
}

void refuse(const std::string& fileName, int line, const std::string& reason) {
    throw base::FatalError(base::refusalMessage(fileName, line, reason));
}

namespace {

void endLine(std::string& out) { out += "\r\n"; }

std::string locusPlace(std::size_t l, const std::string& name) {
    return "locus " + std::to_string(l + 1) + " (\"" + name + "\")";
}

}  // namespace

Conversion buildConversion(ForeignData d, const std::string& fileName) {
    const auto refuseWhole = [&](const std::string& reason) {
        throw base::FatalError(base::notConvertibleMessage(fileName, reason));
    };
    const std::size_t nl = d.loci.size();
    if (nl == 0) refuseWhole(base::noLocusWhat());
    if (nl > static_cast<std::size_t>(base::NLMax)) refuseWhole(base::beyondCapacityWhat(nl, "loci", base::NLMax));
    if (d.samples.empty()) refuseWhole(base::noIndividualWhat());
    if (d.samples.size() > static_cast<std::size_t>(base::NPMax))
        refuseWhole(base::beyondCapacityWhat(d.samples.size(), "samples", base::NPMax));
    std::size_t individuals = 0;
    for (const ForeignSample& s : d.samples) {
        if (s.individuals.empty()) refuse(fileName, s.line, base::sampleWithoutIndividualsReason(s.name));
        individuals += s.individuals.size();
    }
    if (individuals > static_cast<std::size_t>(base::NIMax))
        refuseWhole(base::beyondCapacityWhat(individuals, "individuals", base::NIMax));

    // Half-missing genotypes count as missing, so their present allele is not observed.
    long long halfMissing = 0;
    std::vector<std::map<long long, int>> numbers(nl);
    for (ForeignSample& s : d.samples)
        for (ForeignIndividual& i : s.individuals)
            for (std::size_t l = 0; l < nl; ++l) {
                Genotype& g = i.genotypes[l];
                if ((g.first == kMissing) != (g.second == kMissing)) {
                    ++halfMissing;
                    g = Genotype{};
                }
                if (g.first != kMissing) {
                    numbers[l][g.first] = 0;
                    numbers[l][g.second] = 0;
                }
            }
    int nu = 1;
    for (std::size_t l = 0; l < nl; ++l) {
        const std::size_t k = numbers[l].size();
        if (k > static_cast<std::size_t>(base::NUMax))
            refuseWhole(locusPlace(l, d.loci[l]) + " has " + std::to_string(k) +
                        " alleles, a data file holds at most " + std::to_string(base::NUMax) + " per locus");
        int next = 0;
        for (auto& entry : numbers[l]) entry.second = ++next;
        nu = std::max(nu, next);
    }

    Conversion c;
    c.dataFile = base::integerField(static_cast<long long>(d.samples.size()), 4) + " " +
                 base::integerField(static_cast<long long>(nl), 4) + " " + base::integerField(nu, 4) + " " +
                 base::integerField(2, 4);
    endLine(c.dataFile);
    for (const std::string& name : d.loci) {
        c.dataFile += name.substr(0, 6);
        endLine(c.dataFile);
    }
    for (std::size_t s = 0; s < d.samples.size(); ++s) {
        for (const ForeignIndividual& i : d.samples[s].individuals) {
            c.dataFile += base::integerField(static_cast<long long>(s + 1), 6) + " ";
            for (std::size_t l = 0; l < nl; ++l) {
                const Genotype& g = i.genotypes[l];
                const int code = g.first == kMissing ? 0 : 100 * numbers[l][g.first] + numbers[l][g.second];
                c.dataFile += base::integerField(code, 6) + " ";
            }
            endLine(c.dataFile);
        }
        c.labelFile += d.samples[s].name;
        endLine(c.labelFile);
    }
    c.alleleTable = "locus\tname\tnumber\tallele";
    endLine(c.alleleTable);
    for (std::size_t l = 0; l < nl; ++l)
        for (const auto& [allele, number] : numbers[l]) {
            c.alleleTable += std::to_string(l + 1) + "\t" + d.loci[l] + "\t" + std::to_string(number) + "\t" +
                             std::to_string(allele);
            endLine(c.alleleTable);
        }

    c.notes = std::move(d.notes);
    for (std::size_t a = 0; a < nl; ++a)
        for (std::size_t b = a + 1; b < nl; ++b)
            if (d.loci[a].substr(0, 6) == d.loci[b].substr(0, 6))
                c.notes.push_back(
                    base::sharedLocusNameNote(a + 1, d.loci[a], b + 1, d.loci[b], d.loci[a].substr(0, 6)));
    // One note for all the long names: a message box each would be many.
    std::string cut;
    for (std::size_t l = 0; l < nl; ++l)
        if (d.loci[l].size() > 6)
            cut += std::string(cut.empty() ? "" : ", ") + "locus " + std::to_string(l + 1) + " \"" + d.loci[l] +
                   "\" (\"" + d.loci[l].substr(0, 6) + "\")";
    if (!cut.empty()) c.notes.push_back(base::longLocusNamesNote(cut));
    for (std::size_t a = 0; a < d.samples.size(); ++a)
        for (std::size_t b = a + 1; b < d.samples.size(); ++b)
            if (d.samples[a].name == d.samples[b].name)
                c.notes.push_back(base::sameSampleNameNote(a + 1, b + 1, d.samples[a].name));
    if (halfMissing > 0) c.notes.push_back(base::halfMissingNote(halfMissing));
    return c;
}

}  // namespace detail

std::optional<Format> formatFromName(std::string_view name) {
    if (name == "genepop") return Format::Genepop;
    if (name == "structure") return Format::Structure;
    if (name == "genetix") return Format::Genetix;
    if (name == "fstat") return Format::Fstat;
    return std::nullopt;
}

std::string formatName(Format format) {
    switch (format) {
        case Format::Genepop: return "genepop";
        case Format::Structure: return "structure";
        case Format::Genetix: return "genetix";
        case Format::Fstat: return "fstat";
        case Format::ZeltricData: break;
    }
    return "data";
}

Conversion convert(Format format, std::string_view bytes, const std::string& fileName,
                   const StructureOptions& structure) {
    if (base::looksUtf16(bytes)) {
        static constexpr const char* kShown[] = {"data file", "Genepop file", "STRUCTURE file", "GENETIX file",
                                                 "FSTAT file"};
        throw base::FatalError(base::utf16FileMessage(kShown[static_cast<int>(format)], fileName));
    }
    switch (format) {
        case Format::Genepop: return detail::buildConversion(detail::readGenepop(bytes, fileName), fileName);
        case Format::Structure:
            return detail::buildConversion(detail::readStructure(bytes, fileName, structure), fileName);
        case Format::Genetix: return detail::buildConversion(detail::readGenetix(bytes, fileName), fileName);
        case Format::Fstat: return detail::buildConversion(detail::readFstat(bytes, fileName), fileName);
        case Format::ZeltricData: break;
    }
    throw base::FatalError(base::alreadyDataFileMessage(fileName));
}

}  // namespace zeltric::formats
