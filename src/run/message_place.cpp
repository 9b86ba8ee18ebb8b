#include "run/message_place.hpp"

#include "base/messages.hpp"
#include "base/text_reader.hpp"

namespace zeltric::run {

int genotypeLineInOpenedFile(const Session& session, int individual) {
    const data::Dataset& opened = session.settings.opened;
    const bool pops = session.settings.selectPops;
    try {
        // Walks the opened file as the reader and the filter walk it.
        base::TextReader in = base::TextReader::fromFile(session.settings.openedPath, "data file");
        for (const char* what : {"number of samples", "number of loci", "highest allele number"})
            in.readNumber(what);
        in.skipLine();
        for (int l = 1; l <= opened.nl; ++l) in.readLine();
        int seen = 0;
        while (!in.atEnd()) {
            const long long sample = in.readNumber("sample number");
            const int line = in.lineNumber();
            if (sample >= 1 && sample <= opened.np &&
                (!pops || opened.populationSelected[static_cast<std::size_t>(sample)] != 0) &&
                ++seen == individual)
                return line;
            in.skipLine();
        }
    } catch (const base::FatalError&) {
        // The file changed since it was read; the message then goes without a line.
    }
    return 0;
}

std::string placeOfFixedMessage(const Session& session, const std::string& dataFile,
                                const base::FatalError& error) {
    const std::string& file = dataFile;
    if (file.empty()) return {};
    if (error.code() == base::MessageId::Capacity) return file + ": line 1: ";
    if (error.code() == base::MessageId::MatrixDimension) return file + ": ";
    if (error.individual() > 0) {
        const int line = genotypeLineInOpenedFile(session, error.individual());
        return line > 0 ? file + ": line " + std::to_string(line) + ": " : file + ": ";
    }
    return {};
}

}  // namespace zeltric::run
