#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "base/messages_files.hpp"
#include "base/messages_formats.hpp"
#include "formats/foreign_data.hpp"
#include "formats/foreign_formats.hpp"
#include "platform/files.hpp"
#include "platform/platform.hpp"
#include "platform/sha256.hpp"

namespace zeltric::formats {
namespace {

namespace fs = std::filesystem;

struct Target {
    const std::string& path;
    const std::string& text;
};

std::optional<std::string> existingContent(const std::string& path) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec)) && !fs::exists(path, ec)) return std::nullopt;
    // A folder cannot be read as a file, and opening a pipe waits for a writer.
    const platform::FileType type = platform::fileStatus(path).type;
    if (type != platform::FileType::Regular && type != platform::FileType::Missing)
        throw base::FatalError(base::convertedNameTakenMessage(path, type));
    std::ifstream in(path, std::ios::binary);
    if (!in) throw base::FatalError(base::existingUnreadableMessage(path));
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

[[noreturn]] void otherBytes(const std::string& path) {
    throw base::FatalError(base::existingDiffersMessage(path));
}

// A complete temporary file beside `path`, then a link under the final name,
// which fails rather than replace a file that appeared meanwhile.
bool createComplete(const std::string& path, const std::string& text) {
    const fs::path target(path);
    std::string temporary;
    const platform::FileFailure failure = platform::writeTemporaryBeside(path, text, temporary);
    if (failure.step == platform::FileFailure::Step::Create)
        throw base::FatalError(base::fileFailureMessage("create", "file", path, std::strerror(failure.error)));
    if (failure)
        throw base::FatalError("Cannot write the file \"" + path + "\"" +
                               (failure.error != 0 ? std::string(": ") + std::strerror(failure.error) : "") +
                               "; nothing of the conversion was kept.");
    std::error_code ec;
#ifdef __EMSCRIPTEN__
    // The browser's in-memory file system has no hard links; a run owns its
    // folder alone, so a rename after the check cannot race another writer.
    if (fs::exists(fs::symlink_status(target, ec)))
        ec = std::make_error_code(std::errc::file_exists);
    else
        fs::rename(temporary, target, ec);
#else
    fs::create_hard_link(temporary, target, ec);
#endif
    std::error_code ignored;
    fs::remove(temporary, ignored);
    if (ec == std::errc::file_exists) {
        if (existingContent(path) != text) otherBytes(path);
        return false;
    }
    if (ec) throw base::FatalError(base::fileFailureMessage("create", "file", path, ec.message()));
    return true;
}

}  // namespace

std::optional<FileConversion> convertFile(const std::string& path, std::optional<Format> forced,
                                          const StructureOptions& structure) {
    // Folders, devices and unreadable files go to the data file reader,
    // which names what is wrong with them.
    std::error_code ec;
    std::string bytes;
    bool read = fs::is_regular_file(path, ec);
    if (read) {
        try {
            std::ifstream in(path, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            read = in.good() || in.eof();
        } catch (const std::exception&) {
            read = false;
        }
    }
    if (!read) {
        if (forced) throw base::FatalError(base::unreadableAsFormatMessage(path, formatName(*forced)));
        return std::nullopt;
    }
    const std::string extension = fs::path(path).extension().string();
    const Format format = forced ? *forced : detect(bytes, extension);
    if (format == Format::ZeltricData) {
        // A data file's first line holds its four header numbers; a first
        // line without a digit is no data file, nor anything else read here.
        const std::vector<detail::Line> lines =
            detail::splitLines(bytes.substr(0, std::min<std::size_t>(bytes.size(), 1 << 16)));
        const auto first = std::find_if(lines.begin(), lines.end(),
                                        [](const detail::Line& l) { return !detail::trim(l.text).empty(); });
        if (first != lines.end() && first->text.find_first_of("0123456789") == std::string::npos)
            throw base::FatalError(base::unrecognisedFormatMessage(path));
        return std::nullopt;
    }
    Conversion conversion = convert(format, bytes, path, structure);
    FileConversion result{format, convertedPaths(path, format), std::move(conversion.notes),
                          platform::sha256Hex(bytes)};
    writeConversion(conversion, result.paths);
    return result;
}

ConvertedPaths convertedPaths(const std::string& sourcePath, Format format) {
    const std::string base = sourcePath + "-" + formatName(format);
    return {base + ".dat", base + ".lab", base + "-alleles.txt"};
}

void writeConversion(const Conversion& conversion, const ConvertedPaths& paths) {
    const Target targets[] = {{paths.dataFile, conversion.dataFile},
                              {paths.labelFile, conversion.labelFile},
                              {paths.alleleTable, conversion.alleleTable}};
    for (const Target& t : targets) {
        const std::optional<std::string> existing = existingContent(t.path);
        if (existing && *existing != t.text) otherBytes(t.path);
    }
    std::vector<std::string> created;
    try {
        for (const Target& t : targets)
            if (!existingContent(t.path) && createComplete(t.path, t.text)) created.push_back(t.path);
    } catch (...) {
        std::error_code ignored;
        for (const std::string& path : created) fs::remove(path, ignored);
        throw;
    }
}

}  // namespace zeltric::formats
