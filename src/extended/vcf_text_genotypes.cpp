#include "extended/vcf_text_genotypes.hpp"

namespace zeltric::extended {

namespace {

using Kind = TextGenotypeFault::Kind;

// Where GT stands among the FORMAT column's keys, or -1 without it.
int gtPosition(std::string_view keys) {
    int position = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = keys.find(':', start);
        const std::string_view key = keys.substr(start, end == std::string_view::npos ? end : end - start);
        if (key == "GT") return position;
        if (end == std::string_view::npos) return -1;
        start = end + 1;
        ++position;
    }
}

// Reads one GT value ("0/1", "1|0", ".", "./.", "2", "0/1/1"): at most
// three copies are kept, which is enough to tell a diploid call from others.
TextGenotypeFault readCall(std::string_view gt, int alleles, std::size_t column, Genotype& call) {
    call = {};
    if (gt.empty() || gt == ".") return {};
    int copies = 0;
    bool missing = false;
    int values[2] = {0, 0};
    std::size_t at = 0;
    while (true) {
        if (at < gt.size() && gt[at] == '.') {
            missing = true;
            ++at;
        } else {
            if (at >= gt.size() || gt[at] < '0' || gt[at] > '9') return {Kind::Malformed};
            long value = 0;
            while (at < gt.size() && gt[at] >= '0' && gt[at] <= '9') {
                value = value * 10 + (gt[at] - '0');
                if (value >= alleles) return {Kind::Malformed};
                ++at;
            }
            if (copies < 2) values[copies] = static_cast<int>(value);
        }
        ++copies;
        if (at == gt.size()) break;
        if (gt[at] != '/' && gt[at] != '|') return {Kind::Malformed};
        ++at;
    }
    if (copies != 2) return {Kind::Ploidy, column, copies};
    if (!missing) call = {static_cast<std::uint16_t>(values[0]), static_cast<std::uint16_t>(values[1])};
    return {};
}

}  // namespace

TextGenotypeFault ReadTextGenotypes(std::string_view format, std::size_t columns, const std::vector<int>& kept,
                                    int alleles, std::vector<Genotype>& calls) {
    std::size_t at = format.find('\t');
    const int gt = gtPosition(format.substr(0, at));
    std::size_t out = 0;
    for (std::size_t column = 0; column < columns; ++column) {
        if (at == std::string_view::npos) return {Kind::Malformed};
        const std::size_t start = at + 1;
        at = format.find('\t', start);
        if (kept[column] < 0) continue;
        const std::string_view field =
            format.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start);
        // The GT value: the gt-th colon-separated part; absent parts are missing.
        std::string_view value;
        if (gt >= 0) {
            std::size_t from = 0;
            int part = 0;
            while (part < gt && from != std::string_view::npos) {
                from = field.find(':', from);
                if (from != std::string_view::npos) ++from;
                ++part;
            }
            if (from != std::string_view::npos) value = field.substr(from, field.find(':', from) - from);
        }
        if (const TextGenotypeFault fault = readCall(value, alleles, column, calls[out++]);
            fault.kind != Kind::None)
            return fault;
    }
    if (at != std::string_view::npos) return {Kind::Malformed};
    return {};
}

}  // namespace zeltric::extended
