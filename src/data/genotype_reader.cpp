#include "data/genotype_reader.hpp"

#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "base/messages_input.hpp"
#include "base/text_reader.hpp"

namespace zeltric::data {

namespace {

constexpr std::size_t kNameLength = 6;

struct HeaderCounts {
    long long np, nl, nu;
};

// The capacity check comes before anything is stored, so a header beyond the
// limits can never overrun the fixed tables.
void checkHeader(const HeaderCounts& h, const base::TextReader& reader) {
    if (h.np > base::NPMax || h.nl > base::NLMax || h.nu > base::NUMax)
        throw base::FatalError(base::MessageId::Capacity, base::capacityMessage());
    if (h.np < 1 || h.nl < 1 || h.nu < 1)
        throw base::FatalError(
            base::refusalMessage(reader.fileName(), 1, base::headerCountsReason(h.np, h.nl, h.nu)));
}

base::TextReader openDataFile(const std::string& path) {
    base::TextReader reader = base::TextReader::fromFile(path, "data file");
    if (reader.atEnd()) throw base::FatalError(base::emptyDataFileMessage(path));
    return reader;
}

HeaderCounts readCounts(base::TextReader& reader) {
    HeaderCounts h{};
    h.np = reader.readNumber("number of samples");
    h.nl = reader.readNumber("number of loci");
    h.nu = reader.readNumber("highest allele number");
    return h;
}

void storeCounts(Dataset& ds, const HeaderCounts& h) {
    ds.np = static_cast<std::uint16_t>(h.np);
    ds.nl = static_cast<std::uint16_t>(h.nl);
    ds.nu = static_cast<std::uint16_t>(h.nu);
}

}  // namespace

void readHeader(Dataset& ds, const std::string& path, const Notify& notify) {
    base::TextReader reader = openDataFile(path);
    const HeaderCounts h = readCounts(reader);
    const long long coding = reader.readNumber("allele coding");
    reader.skipLine();
    checkHeader(h, reader);
    storeCounts(ds, h);
    ds.alleleCoding = static_cast<std::int32_t>(coding);
    for (int l = 1; l <= ds.nl; ++l) {
        ds.locusNames[static_cast<std::size_t>(l)] = reader.readLinePrefix(kNameLength);
        reader.skipLine();
        ds.locusSelected[static_cast<std::size_t>(l)] = 1;
    }
    for (int s = 1; s <= ds.np; ++s) {
        ds.populationSelected[static_cast<std::size_t>(s)] = 1;
        ds.populationLabels[static_cast<std::size_t>(s)] = std::to_string(s);
    }
    if (validCoding(coding))
        ds.alleleDivisor = coding == 1 ? 10 : 100;
    else
        notify(base::codingMessage());
}

std::string readGenotypes(Dataset& ds, const std::string& path, const Notify& notify) {
    base::TextReader reader = openDataFile(path);
    const HeaderCounts h = readCounts(reader);
    // The coding number is not read again: the open step took it.
    reader.skipLine();
    if (h.np == 1) notify(base::oneSampleMessage());
    checkHeader(h, reader);
    storeCounts(ds, h);

    std::fill(ds.sampleEnds.begin(), ds.sampleEnds.end(), std::uint16_t{0});
    for (int l = 1; l <= ds.nl; ++l) {
        std::string name = reader.readLinePrefix(kNameLength);
        reader.skipLine();
        for (char& c : name)
            if (static_cast<unsigned char>(c) <= 38) c = ' ';
        ds.locusNames[static_cast<std::size_t>(l)] = name;
    }

    std::fill(ds.missingLoci.begin(), ds.missingLoci.end(), std::uint16_t{0});
    ds.genotypeColumns.resize(ds.nl);
    int individual = 0;
    long long previousSample = 0;
    while (!reader.atEnd()) {
        const long long sample = reader.readNumber("sample number");
        const int line = reader.lineNumber();
        if (sample != 0) {
            if (sample < 1 || sample > ds.np)
                throw base::FatalError(base::refusalMessage(path, line, base::sampleOutsideReason(sample, ds.np)));
            if (sample < previousSample)
                throw base::FatalError(
                    base::refusalMessage(path, line, base::sampleOrderReason(sample, previousSample)));
            if (individual == base::NIMax)
                throw base::FatalError(base::refusalMessage(path, line, base::tooManyGenotypeLinesReason()));
            previousSample = sample;
            ++ds.sampleEnds[static_cast<std::size_t>(sample)];
            ++individual;
            for (int l = 1; l <= ds.nl; ++l)
                ds.genotypeColumns.at(l, individual) =
                    static_cast<std::int32_t>(reader.readNumber("genotype code"));
        }
        reader.skipLine();
    }
    ds.individualCount = static_cast<std::uint16_t>(individual);
    if (individual == 0) throw base::FatalError(base::noGenotypeLinesMessage(path));
    for (int s = 2; s <= ds.np; ++s)
        ds.sampleEnds[static_cast<std::size_t>(s)] = static_cast<std::uint16_t>(
            ds.sampleEnds[static_cast<std::size_t>(s)] + ds.sampleEnds[static_cast<std::size_t>(s - 1)]);
    return reader.sha256();
}

int Dataset::sampleOf(int position) const {
    for (int s = 1; s <= np; ++s)
        if (sampleEnds[static_cast<std::size_t>(s)] >= position) return s;
    return np;
}

}  // namespace zeltric::data
