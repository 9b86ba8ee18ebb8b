#include "data/selection_filter.hpp"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <system_error>

#include "data/fatal_error.hpp"
#include "data/limits.hpp"
#include "data/number_field.hpp"

namespace zeltric::data {
namespace {

namespace fs = std::filesystem;

// An item whose menu entry is unchecked takes part whatever its flag says, so
// that the filtered file always matches the name it is given.
bool locusTaken(const Dataset& d, int l, bool lociChecked) {
    return !lociChecked || d.locusSelected[static_cast<std::size_t>(l)] != 0;
}
bool sampleTaken(const Dataset& d, int s, bool popsChecked) {
    return !popsChecked || d.populationSelected[static_cast<std::size_t>(s)] != 0;
}

template <std::size_t N>
std::string numberList(const std::array<std::uint8_t, N>& flags, int count) {
    std::string list;
    for (int i = 1; i <= count; ++i)
        if (flags[static_cast<std::size_t>(i)] != 0) list += std::to_string(i);
    return list;
}

// Flags 1..count as a bitmap in hexadecimal digits, item 1 in the highest bit
// of the first digit; the digit count depends on `count` only.
template <std::size_t N>
std::string flagBitmap(const std::array<std::uint8_t, N>& flags, int count) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string code;
    for (int first = 1; first <= count; first += 4) {
        unsigned digit = 0;
        for (int bit = 0; bit < 4; ++bit) {
            const int item = first + bit;
            digit <<= 1;
            if (item <= count && flags[static_cast<std::size_t>(item)] != 0) digit |= 1u;
        }
        code += kDigits[digit];
    }
    return code;
}

// A data file in memory, read with the data file conventions: CR, CR LF or
// LF end a line; byte 26 ends the file; numbers are separated by any bytes of
// code 32 or below.
class DataText {
public:
    DataText(std::string text, std::string path) : text_(std::move(text)), path_(std::move(path)) {
        const std::size_t stop = text_.find('\x1a');
        end_ = stop == std::string::npos ? text_.size() : stop;
    }

    bool atEnd() const { return pos_ >= end_; }
    long line() const { return line_; }
    const std::string& path() const { return path_; }

    struct Number {
        long long value = 0;   // saturated at the limits of long long
        std::string digits;    // the value in canonical decimal, however long
        long line = 0;
    };

    // The next number; 0 at the end of the file. Refuses a token that is not a
    // decimal integer, naming file and line.
    Number readNumber() {
        while (pos_ < end_ && byte(pos_) <= 32) {
            if (!consumeLineEnd()) ++pos_;
        }
        Number number;
        number.line = line_;
        if (atEnd()) {
            number.digits = "0";
            return number;
        }
        const std::size_t start = pos_;
        while (pos_ < end_ && byte(pos_) > 32) ++pos_;
        const std::string token = text_.substr(start, pos_ - start);
        std::size_t i = 0;
        const bool negative = token[0] == '-';
        if (token[0] == '-' || token[0] == '+') i = 1;
        if (i == token.size()) refuseToken(token);
        std::string magnitude;
        for (; i < token.size(); ++i) {
            const char c = token[i];
            if (c < '0' || c > '9') refuseToken(token);
            if (magnitude.empty() && c == '0') continue;
            magnitude += c;
            const int d = c - '0';
            constexpr long long kMax = std::numeric_limits<long long>::max();
            number.value = number.value > (kMax - d) / 10 ? kMax : number.value * 10 + d;
        }
        if (magnitude.empty()) magnitude = "0";
        if (negative && magnitude != "0") {
            number.value = -number.value;
            magnitude.insert(0, "-");
        }
        number.digits = magnitude;
        return number;
    }

    // The rest of the current line, without its line end, which is consumed.
    std::string readLine() {
        const std::size_t start = pos_;
        while (pos_ < end_ && text_[pos_] != '\r' && text_[pos_] != '\n') ++pos_;
        std::string line = text_.substr(start, pos_ - start);
        consumeLineEnd();
        return line;
    }

    void skipLine() { readLine(); }

private:
    unsigned byte(std::size_t at) const { return static_cast<unsigned char>(text_[at]); }

    bool consumeLineEnd() {
        if (pos_ >= end_) return false;
        if (text_[pos_] == '\r') {
            ++pos_;
            if (pos_ < end_ && text_[pos_] == '\n') ++pos_;
        } else if (text_[pos_] == '\n') {
            ++pos_;
        } else {
            return false;
        }
        ++line_;
        return true;
    }

    [[noreturn]] void refuseToken(const std::string& token) const {
        std::string shown = token.size() > 40 ? token.substr(0, 40) + "..." : token;
        throw FatalError("Problem in the data file " + path_ + " at line " + std::to_string(line_) + ": \"" +
                         shown + "\" is not a whole number.");
    }

    std::string text_;
    std::string path_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    long line_ = 1;
};

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FatalError("Cannot open the data file " + path + ".");
    std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) throw FatalError("Cannot read the data file " + path + ".");
    return content;
}

bool samePath(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return true;
    std::error_code ecA;
    std::error_code ecB;
    const fs::path canonicalA = fs::weakly_canonical(a, ecA);
    const fs::path canonicalB = fs::weakly_canonical(b, ecB);
    if (ecA || ecB) return fs::path(a).lexically_normal() == fs::path(b).lexically_normal();
    return canonicalA == canonicalB;
}

// Writes content to a fresh temporary file beside `path`, then renames it
// over `path`, so that a failure never leaves a half-written file there.
void replaceFile(const std::string& path, const std::string& content) {
    const fs::path target(path);
    const fs::path folder = target.parent_path();
    std::random_device device;
    fs::path temporary;
    std::FILE* file = nullptr;
    for (int attempt = 0; attempt < 100 && file == nullptr; ++attempt) {
        temporary = folder / (".zeltric-" + std::to_string(device()) + ".tmp");
        file = std::fopen(temporary.string().c_str(), "wbx");
    }
    if (file == nullptr) throw FatalError("Cannot create the filtered data file " + path + ".");
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    const bool closed = std::fclose(file) == 0;
    std::error_code ec;
    if (!written || !closed) {
        fs::remove(temporary, ec);
        throw FatalError("Cannot write the filtered data file " + path + ".");
    }
    fs::rename(temporary, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw FatalError("Cannot create the filtered data file " + path + ".");
    }
}

std::string rightAligned(const std::string& digits, std::size_t width) {
    return digits.size() >= width ? digits : std::string(width - digits.size(), ' ') + digits;
}

}  // namespace

std::string selectionSuffix(const Dataset& opened, bool lociChecked, bool popsChecked) {
    ZELTRIC_ASSERT(opened.np <= NPMax && opened.nl <= NLMax);
    std::string suffix;
    if (lociChecked) suffix += "-L" + numberList(opened.locusSelected, opened.nl);
    if (popsChecked) suffix += "-P" + numberList(opened.populationSelected, opened.np);
    return suffix;
}

std::string selectionBaseName(const std::string& dataFileName, const Dataset& opened, bool lociChecked,
                              bool popsChecked) {
    const std::string full = selectionSuffix(opened, lociChecked, popsChecked);
    const std::size_t slash = dataFileName.find_last_of('/');
    const std::size_t baseLength = slash == std::string::npos ? dataFileName.size() : dataFileName.size() - slash - 1;
    const std::size_t used = baseLength + kLongestExtension;
    const std::size_t room = used >= kFileNameLimit ? 0 : kFileNameLimit - used;
    if (full.size() <= room) return dataFileName + full;

    std::string code = "~";
    if (lociChecked) code += "L" + flagBitmap(opened.locusSelected, opened.nl);
    if (popsChecked) code += "P" + flagBitmap(opened.populationSelected, opened.np);
    if (code.size() > room)
        throw FatalError("The name of the data file " + dataFileName +
                         " is too long to carry the selection; give the file a shorter name.");
    return dataFileName + full.substr(0, room - code.size()) + code;
}

void writeFilteredDataFile(const Dataset& opened, const std::string& inputPath, const std::string& outputPath,
                           bool lociChecked, bool popsChecked) {
    if (!lociChecked && !popsChecked) return;
    ZELTRIC_ASSERT(opened.np <= NPMax && opened.nl <= NLMax);
    if (samePath(inputPath, outputPath))
        throw FatalError("The filtered data file " + outputPath +
                         " would replace the data file itself; nothing was written.");

    DataText in(readWholeFile(inputPath), inputPath);

    std::array<int, NPMax + 1> newNumber{};
    int samples = 0;
    for (int s = 1; s <= opened.np; ++s)
        if (sampleTaken(opened, s, popsChecked)) newNumber[static_cast<std::size_t>(s)] = ++samples;
    int loci = 0;
    for (int l = 1; l <= opened.nl; ++l)
        if (locusTaken(opened, l, lociChecked)) ++loci;

    // The whole file is built first: a refused token then leaves nothing behind.
    std::string out;
    out += integerField(samples, 4) + " " + integerField(loci, 4) + " " + integerField(opened.nu, 4) + " " +
           integerField(opened.alleleCoding, 4);
    endLine(out);
    // The header's four numbers, as the header reader takes them.
    for (int i = 0; i < 4; ++i) in.readNumber();
    in.skipLine();

    for (int l = 1; l <= opened.nl; ++l) {
        const std::string line = in.readLine();
        if (locusTaken(opened, l, lociChecked)) {
            out += line;
            endLine(out);
        }
    }

    while (!in.atEnd()) {
        const DataText::Number sample = in.readNumber();
        if (sample.value != 0) {
            if (sample.value < 1 || sample.value > opened.np)
                throw FatalError("Problem in the data file " + inputPath + " at line " +
                                 std::to_string(sample.line) + ": sample number " + sample.digits +
                                 " is outside 1.." + std::to_string(opened.np) + ".");
            const int s = static_cast<int>(sample.value);
            if (sampleTaken(opened, s, popsChecked)) {
                out += integerField(newNumber[static_cast<std::size_t>(s)], 6) + " ";
                for (int l = 1; l <= opened.nl; ++l) {
                    const DataText::Number code = in.readNumber();
                    if (locusTaken(opened, l, lociChecked)) out += rightAligned(code.digits, 6) + " ";
                }
                endLine(out);
            }
        }
        in.skipLine();
    }

    replaceFile(outputPath, out);
}

void applySelection(Dataset& analysed, const Dataset& opened, bool lociChecked, bool popsChecked) {
    ZELTRIC_ASSERT(opened.np <= NPMax && opened.nl <= NLMax);
    analysed.np = opened.np;
    analysed.nl = opened.nl;
    analysed.nu = opened.nu;
    analysed.alleleCoding = opened.alleleCoding;
    analysed.alleleDivisor = opened.alleleDivisor;
    analysed.locusNames = opened.locusNames;
    analysed.locusSelected = opened.locusSelected;
    analysed.populationSelected = opened.populationSelected;
    analysed.populationLabels = opened.populationLabels;
    if (!lociChecked && !popsChecked) return;

    int samples = 0;
    for (int s = 1; s <= opened.np; ++s) {
        if (!sampleTaken(opened, s, popsChecked)) continue;
        ++samples;
        analysed.populationLabels[static_cast<std::size_t>(samples)] =
            opened.populationLabels[static_cast<std::size_t>(s)];
        analysed.populationSelected[static_cast<std::size_t>(samples)] = 1;
    }
    int loci = 0;
    for (int l = 1; l <= opened.nl; ++l) {
        if (!locusTaken(opened, l, lociChecked)) continue;
        ++loci;
        analysed.locusNames[static_cast<std::size_t>(loci)] = opened.locusNames[static_cast<std::size_t>(l)];
        analysed.locusSelected[static_cast<std::size_t>(loci)] = 1;
    }
    analysed.np = static_cast<std::uint16_t>(samples);
    analysed.nl = static_cast<std::uint16_t>(loci);
}

}  // namespace zeltric::data
