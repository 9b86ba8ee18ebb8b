#include "extended/input_kind.hpp"

#include <array>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "base/fatal_error.hpp"
#include "extended/plink_reader.hpp"
#include "extended/vcf_reader.hpp"

namespace zeltric::extended {

namespace {

bool endsWith(const std::string& text, std::string_view suffix) {
    if (text.size() < suffix.size()) return false;
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        const char c = text[text.size() - suffix.size() + i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != suffix[i]) return false;
    }
    return true;
}

}  // namespace

InputKind DetectInputKind(const std::string& path) {
    if (endsWith(path, ".bed")) return InputKind::Plink;
    for (const std::string_view suffix : {".vcf", ".vcf.gz", ".vcf.bgz", ".bcf"})
        if (endsWith(path, suffix)) return InputKind::Variants;
    // Only a regular file is looked into: a pipe's bytes read here would be
    // gone for the reader that takes it.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return InputKind::Other;
    std::array<char, 16> head{};
    std::streamsize got = 0;
    try {
        std::ifstream in(path, std::ios::binary);
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        got = in.gcount();
    } catch (const std::exception&) {
        return InputKind::Other;
    }
    const std::string_view start(head.data(), static_cast<std::size_t>(got));
    if (start.size() >= 3 && start[0] == '\x6C' && start[1] == '\x1B' && start[2] == '\x01')
        return InputKind::Plink;
    if (start.substr(0, 16) == "##fileformat=VCF") return InputKind::Variants;
    // bgzip (the compressed VCF and every BCF): a gzip member with the BC field.
    if (start.size() >= 14 && start[0] == '\x1F' && start[1] == '\x8B' && start[12] == 'B' && start[13] == 'C')
        return InputKind::Variants;
    return InputKind::Other;
}

ExtendedData ReadExtendedInput(const std::string& path, InputKind kind, const ReadOptions& options,
                               ReadNotes& notes) {
    ZELTRIC_ASSERT(kind != InputKind::Other);
    return kind == InputKind::Plink ? ReadPlink(path, options, notes) : ReadVariants(path, options, notes);
}

}  // namespace zeltric::extended
