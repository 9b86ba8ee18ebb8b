#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zeltric::base {

// Reads the system's text files by their conventions: a line ends with CR,
// CR LF or LF alone; numbers are decimal integers separated by any
// characters of code 32 or below; a number read at the end of the file is
// 0; a character of code 26 ends the file. Tokens that are not decimal
// integers are refused with a message naming the file and the line.
class TextReader {
public:
    TextReader(std::string content, std::string fileName);
    // Reads the whole file; a file that cannot be opened or read is refused
    // with a message naming it.
    // A UTF-8 byte-order mark is skipped; UTF-16 text is refused with a
    // message saying so.
    static TextReader fromFile(const std::string& path, const std::string& what);
    // The SHA-256 of the bytes read from the file (before anything was
    // skipped), so a record certifies what was parsed; empty for a reader
    // made from a text.
    const std::string& sha256() const { return sha256_; }

    bool atEnd() const { return pos_ >= content_.size(); }
    // A signed 32-bit decimal integer; `what` names it in a refusal.
    long long readNumber(const char* what);
    // At most maxChars characters of the current line, stopping at its end
    // (the line end itself is not consumed).
    std::string readLinePrefix(std::size_t maxChars);
    // The rest of the current line, consuming its end.
    std::string readLine();
    // Discards characters up to and including the next line end.
    void skipLine();

    int lineNumber() const { return line_; }
    const std::string& fileName() const { return fileName_; }

private:
    bool atLineEnd() const { return content_[pos_] == '\r' || content_[pos_] == '\n'; }
    void consumeLineEnd();
    void advance();  // one character, counting line ends

    std::string content_;
    std::string fileName_;
    std::string sha256_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

// The length of a UTF-8 byte-order mark at the start of `bytes` (3), or 0.
std::size_t utf8MarkLength(std::string_view bytes);
// Whether `bytes` start as UTF-16 text: its byte-order mark, or an ASCII
// character next to a zero byte.
bool looksUtf16(std::string_view bytes);

// "file 'name', line N: "-style prefix for refusals.
std::string placeOf(const std::string& fileName, int line);

}  // namespace zeltric::base
