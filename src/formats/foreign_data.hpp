#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "formats/foreign_formats.hpp"

// What every reader of a foreign format produces, before numbering.
namespace zeltric::formats::detail {

inline constexpr long long kMissing = std::numeric_limits<long long>::min();

struct Genotype {
    long long first = kMissing;
    long long second = kMissing;
};

struct ForeignIndividual {
    int line = 0;  // where it starts in the source
    std::vector<Genotype> genotypes;
};

struct ForeignSample {
    std::string name;
    int line = 0;
    std::vector<ForeignIndividual> individuals;
};

struct ForeignData {
    std::vector<std::string> loci;
    std::vector<ForeignSample> samples;
    std::vector<std::string> notes;
};

// One line of the source: its number and text without the line end.
struct Line {
    int number;
    std::string text;
};
// CR, CR LF and LF end a line; a byte 26 ends the file; a UTF-8 byte-order
// mark at the start is skipped.
std::vector<Line> splitLines(std::string_view bytes);
// Tokens separated by blanks, tabs and other characters of code 32 or below.
std::vector<std::string> tokens(std::string_view text);
std::string trim(std::string_view text);
// A decimal integer (optional sign, at most 18 digits), or nothing.
bool wholeNumber(std::string_view text, long long& value);
[[noreturn]] void refuse(const std::string& fileName, int line, const std::string& reason);

ForeignData readGenepop(std::string_view bytes, const std::string& fileName);
ForeignData readStructure(std::string_view bytes, const std::string& fileName, const StructureOptions& options);
ForeignData readGenetix(std::string_view bytes, const std::string& fileName);
ForeignData readFstat(std::string_view bytes, const std::string& fileName);

// Numbers the alleles and builds the three files (capacity checked first).
Conversion buildConversion(ForeignData data, const std::string& fileName);

}  // namespace zeltric::formats::detail
