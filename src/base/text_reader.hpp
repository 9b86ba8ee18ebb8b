#pragma once

#include <cstddef>
#include <string>

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
    static TextReader fromFile(const std::string& path, const std::string& what);

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
    std::size_t pos_ = 0;
    int line_ = 1;
};

// "file 'name', line N: "-style prefix for refusals.
std::string placeOf(const std::string& fileName, int line);

}  // namespace zeltric::base
