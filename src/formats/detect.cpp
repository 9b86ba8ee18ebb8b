#include <algorithm>
#include <cctype>
#include <optional>

#include "formats/foreign_data.hpp"

namespace zeltric::formats {
namespace {

using namespace detail;

bool isNumber(const std::string& token) {
    long long value = 0;
    return wholeNumber(token, value);
}

bool looksGenepop(const std::vector<Line>& lines) {
    for (std::size_t k = 1; k < lines.size(); ++k) {
        const std::vector<std::string> t = tokens(lines[k].text);
        if (t.size() != 1) continue;
        std::string word = t[0];
        std::transform(word.begin(), word.end(), word.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (word != "pop") continue;
        for (std::size_t j = k + 1; j < lines.size(); ++j)
            if (lines[j].text.find(',') != std::string::npos) return true;
    }
    return false;
}

// One number alone on each of the first two lines, a name, then a count and
// as many allele names.
bool looksGenetix(const std::vector<Line>& lines) {
    std::vector<std::vector<std::string>> rows;
    for (const Line& line : lines) {
        std::vector<std::string> t = tokens(line.text);
        if (!t.empty()) rows.push_back(std::move(t));
        if (rows.size() == 4) break;
    }
    if (rows.size() < 4) return false;
    for (int k = 0; k < 2; ++k)
        if (!isNumber(rows[k][0]) || (rows[k].size() > 1 && isNumber(rows[k][1]))) return false;
    long long count = 0;
    if (!wholeNumber(rows[3][0], count) || count != static_cast<long long>(rows[3].size()) - 1) return false;
    return std::all_of(rows[3].begin(), rows[3].end(), isNumber);
}

// Rows of equal width (a shorter first row of names allowed) whose second
// and last columns are numbers.
bool looksStructure(const std::vector<Line>& lines) {
    std::vector<std::vector<std::string>> rows;
    for (const Line& line : lines) {
        std::vector<std::string> t = tokens(line.text);
        if (!t.empty()) rows.push_back(std::move(t));
    }
    if (rows.size() < 2) return false;
    const std::size_t first = rows[0].size() < rows[1].size() ? 1 : 0;
    const std::size_t width = rows[first].size();
    if (width < 3) return false;
    for (std::size_t k = first; k < rows.size(); ++k)
        if (rows[k].size() != width || !isNumber(rows[k][1]) || !isNumber(rows[k].back())) return false;
    return true;
}

std::string lowerCase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::optional<Format> formatOfExtension(std::string_view extension) {
    const std::string ext = lowerCase(extension);
    if (ext == ".gtx") return Format::Genetix;
    if (ext == ".gen" || ext == ".genepop") return Format::Genepop;
    if (ext == ".str" || ext == ".stru" || ext == ".structure") return Format::Structure;
    return std::nullopt;
}

}  // namespace

Format detect(std::string_view bytes, std::string_view extension) {
    // The extension says what the user's program wrote; a title or a first
    // row of numbers must not turn such a file into a data file.
    if (const auto stated = formatOfExtension(extension)) return *stated;
    const std::vector<Line> lines = splitLines(bytes.substr(0, std::min<std::size_t>(bytes.size(), 1 << 24)));
    if (lines.empty()) return Format::ZeltricData;
    const std::vector<std::string> head = tokens(lines[0].text);
    if (head.size() >= 4 && std::all_of(head.begin(), head.begin() + 4, isNumber)) return Format::ZeltricData;

    if (looksGenepop(lines)) return Format::Genepop;
    if (looksGenetix(lines)) return Format::Genetix;
    if (looksStructure(lines)) return Format::Structure;
    return Format::ZeltricData;
}

bool mayBeOtherFormat(std::string_view bytes, std::string_view extension) {
    if (lowerCase(extension) != ".dat") return true;
    const std::size_t end = bytes.find_first_of("\r\n");
    const std::vector<std::string> head = tokens(bytes.substr(0, std::min(end, bytes.size())));
    long long coding = 0;
    return head.size() >= 4 && wholeNumber(head[3], coding) && coding != 1 && coding != 2;
}

}  // namespace zeltric::formats
