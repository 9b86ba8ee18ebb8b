#include "data/selection_filter.hpp"

#include <cstdio>
#include <cstring>

#include "base/fatal_error.hpp"
#include "base/limits.hpp"
#include "base/messages.hpp"
#include "base/messages_files.hpp"
#include "base/messages_input.hpp"
#include "base/number_field.hpp"
#include "base/output_file.hpp"
#include "base/text_reader.hpp"
#include "platform/platform.hpp"

namespace zeltric::data {
namespace {

// An item whose menu entry is unchecked takes part whatever its flag says, so
// that the filtered file always matches the name it is given.
bool locusTaken(const Dataset& d, int l, bool selectLoci) {
    return !selectLoci || d.locusSelected[static_cast<std::size_t>(l)] != 0;
}
bool sampleTaken(const Dataset& d, int s, bool selectPops) {
    return !selectPops || d.populationSelected[static_cast<std::size_t>(s)] != 0;
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

[[noreturn]] void fileFailure(const std::string& verb, const std::string& path, int error) {
    throw base::FatalError(base::fileFailureMessage(verb, "filtered data file", path, std::strerror(error)));
}

// A failure never leaves a half-written file at `path`.
void replaceFile(const std::string& path, const std::string& content) {
    const platform::FileFailure failure = platform::replaceFileAtomically(path, content);
    if (failure)
        fileFailure(failure.step == platform::FileFailure::Step::Write ? "write" : "create", path, failure.error);
}

}  // namespace

std::string selectionSuffix(const Dataset& opened, bool selectLoci, bool selectPops) {
    ZELTRIC_ASSERT(opened.np <= base::NPMax && opened.nl <= base::NLMax);
    std::string suffix;
    if (selectLoci) suffix += "-L" + numberList(opened.locusSelected, opened.nl);
    if (selectPops) suffix += "-P" + numberList(opened.populationSelected, opened.np);
    return suffix;
}

std::string selectionBaseName(const std::string& dataFileName, const Dataset& opened, bool selectLoci,
                              bool selectPops) {
    const std::string full = selectionSuffix(opened, selectLoci, selectPops);
    const std::size_t slash = dataFileName.find_last_of('/');
    const std::size_t baseLength =
        slash == std::string::npos ? dataFileName.size() : dataFileName.size() - slash - 1;
    const std::size_t used = baseLength + kLongestExtension;
    const std::size_t room = used >= kFileNameLimit ? 0 : kFileNameLimit - used;
    if (full.size() <= room) return dataFileName + full;

    std::string code = "~";
    if (selectLoci) code += "L" + flagBitmap(opened.locusSelected, opened.nl);
    if (selectPops) code += "P" + flagBitmap(opened.populationSelected, opened.np);
    if (code.size() > room) throw base::FatalError(base::selectionNameTooLongMessage(dataFileName));
    return dataFileName + full.substr(0, room - code.size()) + code;
}

std::string writeFilteredDataFile(const Dataset& opened, const std::string& inputPath,
                                  const std::string& outputPath, bool selectLoci, bool selectPops) {
    if (!selectLoci && !selectPops) return {};
    ZELTRIC_ASSERT(opened.np <= base::NPMax && opened.nl <= base::NLMax);
    if (base::sameFile(inputPath, outputPath))
        throw base::FatalError(base::filteredFileWouldReplaceDataMessage(outputPath));

    base::TextReader in = base::TextReader::fromFile(inputPath, "data file");

    std::array<int, base::NPMax + 1> newNumber{};
    int samples = 0;
    for (int s = 1; s <= opened.np; ++s)
        if (sampleTaken(opened, s, selectPops)) newNumber[static_cast<std::size_t>(s)] = ++samples;
    int loci = 0;
    for (int l = 1; l <= opened.nl; ++l)
        if (locusTaken(opened, l, selectLoci)) ++loci;

    // The whole file is built first: a refused token then leaves nothing behind.
    std::string out;
    out += base::integerField(samples, 4) + " " + base::integerField(loci, 4) + " " +
           base::integerField(opened.nu, 4) + " " + base::integerField(opened.alleleCoding, 4);
    base::endLine(out);
    // The header's four numbers, taken as the header reader takes them.
    in.readNumber("number of samples");
    in.readNumber("number of loci");
    in.readNumber("highest allele number");
    in.readNumber("allele coding");
    in.skipLine();

    for (int l = 1; l <= opened.nl; ++l) {
        const std::string line = in.readLine();
        if (locusTaken(opened, l, selectLoci)) {
            out += line;
            base::endLine(out);
        }
    }

    // The same refusals as the genotype reader gives the unfiltered file, so
    // a selection never hides a fault of the data file.
    long long previousSample = 0;
    while (!in.atEnd()) {
        const long long sample = in.readNumber("sample number");
        const int line = in.lineNumber();
        if (sample != 0) {
            if (sample < 1 || sample > opened.np)
                throw base::FatalError(
                    base::refusalMessage(inputPath, line, base::sampleOutsideReason(sample, opened.np)));
            if (sample < previousSample)
                throw base::FatalError(
                    base::refusalMessage(inputPath, line, base::sampleOrderReason(sample, previousSample)));
            previousSample = sample;
            const int s = static_cast<int>(sample);
            if (sampleTaken(opened, s, selectPops)) {
                out += base::integerField(newNumber[static_cast<std::size_t>(s)], 6) + " ";
                for (int l = 1; l <= opened.nl; ++l) {
                    // Written as read: the genotype reader judges codes beyond 16 bits.
                    const long long code = in.readNumber("genotype code");
                    if (locusTaken(opened, l, selectLoci)) out += base::integerField(code, 6) + " ";
                }
                base::endLine(out);
            }
        }
        in.skipLine();
    }

    replaceFile(outputPath, out);
    return in.sha256();
}

void applySelection(Dataset& analysed, const Dataset& opened, bool selectLoci, bool selectPops) {
    ZELTRIC_ASSERT(opened.np <= base::NPMax && opened.nl <= base::NLMax);
    analysed.np = opened.np;
    analysed.nl = opened.nl;
    analysed.nu = opened.nu;
    analysed.alleleCoding = opened.alleleCoding;
    analysed.alleleDivisor = opened.alleleDivisor;
    analysed.locusNames = opened.locusNames;
    analysed.locusSelected = opened.locusSelected;
    analysed.populationSelected = opened.populationSelected;
    analysed.populationLabels = opened.populationLabels;
    if (!selectLoci && !selectPops) return;

    int samples = 0;
    for (int s = 1; s <= opened.np; ++s) {
        if (!sampleTaken(opened, s, selectPops)) continue;
        ++samples;
        analysed.populationLabels[static_cast<std::size_t>(samples)] =
            opened.populationLabels[static_cast<std::size_t>(s)];
        analysed.populationSelected[static_cast<std::size_t>(samples)] = 1;
    }
    int loci = 0;
    for (int l = 1; l <= opened.nl; ++l) {
        if (!locusTaken(opened, l, selectLoci)) continue;
        ++loci;
        analysed.locusNames[static_cast<std::size_t>(loci)] = opened.locusNames[static_cast<std::size_t>(l)];
        analysed.locusSelected[static_cast<std::size_t>(loci)] = 1;
    }
    analysed.np = static_cast<std::uint16_t>(samples);
    analysed.nl = static_cast<std::uint16_t>(loci);
}

}  // namespace zeltric::data
