#include "base/text_reader.hpp"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include "base/decimal.hpp"
#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "base/messages_files.hpp"
#include "base/messages_input.hpp"
#include "platform/files.hpp"
#include "platform/sha256.hpp"

namespace zeltric::base {

std::string placeOf(const std::string& fileName, int line) {
    return "In file \"" + fileName + "\", line " + std::to_string(line) + ": ";
}

std::size_t utf8MarkLength(std::string_view bytes) { return bytes.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0; }

bool looksUtf16(std::string_view bytes) {
    if (bytes.size() < 2) return false;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF)) return true;
    return (byte(0) == 0 && byte(1) != 0 && byte(1) < 0x80) || (byte(0) != 0 && byte(0) < 0x80 && byte(1) == 0);
}

TextReader::TextReader(std::string content, std::string fileName)
    : content_(std::move(content)), fileName_(std::move(fileName)) {
    // An editor's invisible mark is not part of the first token.
    if (const std::size_t mark = utf8MarkLength(content_); mark > 0) content_.erase(0, mark);
    // Character 26 ends the file for reading.
    const std::size_t eof = content_.find('\x1a');
    if (eof != std::string::npos) content_.resize(eof);
}

TextReader TextReader::fromFile(const std::string& path, const std::string& what) {
    // A device such as /dev/zero never ends, and a pipe blocks until written
    // to and cannot be read twice, as the data file is: only files are read.
    const platform::FileType type = platform::fileStatus(path).type;
    if (type != platform::FileType::Regular && type != platform::FileType::Missing)
        throw FatalError(notAFileMessage(what, path, type));
    errno = 0;
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) {
        const int saved = errno;
        throw FatalError(fileFailureMessage("open", what, path, std::strerror(saved)));
    }
    // A read error must not pass for the end of the file: the rest of the
    // file would silently be missing.
    std::string content;
    std::array<char, 65536> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) content.append(buffer.data(), n);
    const int saved = errno;
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) throw FatalError(fileFailureMessage("read", what, path, std::strerror(saved != 0 ? saved : EIO)));
    if (looksUtf16(content)) throw FatalError(utf16FileMessage(what, path));
    std::string digest = platform::sha256Hex(content);
    TextReader reader(std::move(content), path);
    reader.sha256_ = std::move(digest);
    return reader;
}

void TextReader::advance() {
    const char c = content_[pos_++];
    if (c == '\n') {
        ++line_;
    } else if (c == '\r') {
        if (pos_ < content_.size() && content_[pos_] == '\n') ++pos_;
        ++line_;
    }
}

void TextReader::consumeLineEnd() {
    if (!atEnd() && atLineEnd()) advance();
}

long long TextReader::readNumber(const char* what) {
    while (!atEnd() && static_cast<unsigned char>(content_[pos_]) <= 32) advance();
    if (atEnd()) return 0;
    const int tokenLine = line_;
    const std::size_t start = pos_;
    while (!atEnd() && static_cast<unsigned char>(content_[pos_]) > 32) ++pos_;
    const std::string token = content_.substr(start, pos_ - start);

    const auto shown = token.size() > 40 ? token.substr(0, 40) + "..." : token;
    // The digits are judged as they are read: a run of digits already too
    // large is reported as such even when a stray character follows it.
    const std::size_t digitsFrom = token[0] == '+' || token[0] == '-' ? 1 : 0;
    std::size_t digitsTo = digitsFrom;
    while (digitsTo < token.size() && token[digitsTo] >= '0' && token[digitsTo] <= '9') ++digitsTo;
    const Decimal magnitude =
        parseDecimal(std::string_view(token).substr(digitsFrom, digitsTo - digitsFrom), Sign::Refused);
    const long long limit = static_cast<long long>(std::numeric_limits<std::int32_t>::max()) + 1;
    const auto tooLarge = [&] {
        return FatalError(refusalMessage(fileName_, tokenLine, numberTooLargeReason(shown, what)));
    };
    if (magnitude.status == Decimal::Status::TooLarge || magnitude.value > limit) throw tooLarge();
    if (magnitude.status != Decimal::Status::Ok || digitsTo != token.size())
        throw FatalError(refusalMessage(fileName_, tokenLine, notWholeNumberReason(shown, what)));
    const long long value = token[0] == '-' ? -magnitude.value : magnitude.value;
    if (value > std::numeric_limits<std::int32_t>::max()) throw tooLarge();
    return value;
}

std::string TextReader::readLinePrefix(std::size_t maxChars) {
    std::string text;
    while (!atEnd() && !atLineEnd() && text.size() < maxChars) text += content_[pos_++];
    return text;
}

std::string TextReader::readLine() {
    std::string text;
    while (!atEnd() && !atLineEnd()) text += content_[pos_++];
    consumeLineEnd();
    return text;
}

void TextReader::skipLine() {
    while (!atEnd() && !atLineEnd()) ++pos_;
    consumeLineEnd();
}

}  // namespace zeltric::base
