#include "extended/data_file_reader.hpp"

#include <algorithm>
#include <map>

#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "base/text_reader.hpp"
#include "data/dataset.hpp"

namespace zeltric::extended {

ExtendedData ReadDataFileUnlimited(const std::string& path,
                                   const std::function<void(const std::string&)>& notify) {
    base::TextReader reader = base::TextReader::fromFile(path, "data file");
    if (reader.atEnd()) throw base::FatalError("The data file \"" + path + "\" is empty.");
    const long long np = reader.readNumber("number of samples");
    const long long nl = reader.readNumber("number of loci");
    const long long nu = reader.readNumber("highest allele number");
    const long long coding = reader.readNumber("allele coding");
    reader.skipLine();
    if (np < 1 || nl < 1 || nu < 1)
        throw base::FatalError(base::placeOf(path, 1) +
                               "the number of samples, of loci and the highest allele number must each be at "
                               "least 1 (read " +
                               std::to_string(np) + ", " + std::to_string(nl) + ", " + std::to_string(nu) + ").");
    if (!data::validCoding(coding)) {
        notify(base::codingMessage());
        throw base::FatalError(base::MessageId::Coding, base::codingMessage());
    }
    if (np == 1) notify(base::oneSampleMessage());
    const std::int32_t divisor = coding == 1 ? 10 : 100;
    // A highest allele number beyond the coding's digits cannot occur in a code.
    const int highest = static_cast<int>(std::min<long long>(nu, divisor - 1));

    ExtendedData out;
    const auto loci = static_cast<std::size_t>(nl);
    std::vector<std::string> locusNames;
    for (std::size_t l = 0; l < loci; ++l) {
        std::string name = reader.readLinePrefix(6);
        reader.skipLine();
        for (char& c : name)
            if (static_cast<unsigned char>(c) <= 38) c = ' ';
        locusNames.push_back(name);
    }

    std::vector<std::int32_t> codes;  // individual-major
    std::vector<long long> sampleNumbers;
    long long previous = 0;
    while (!reader.atEnd()) {
        const long long sample = reader.readNumber("sample number");
        const int line = reader.lineNumber();
        if (sample != 0) {
            if (sample < 1 || sample > np)
                throw base::FatalError(base::placeOf(path, line) + "sample number " + std::to_string(sample) +
                                       " lies outside 1.." + std::to_string(np) + ".");
            if (sample < previous)
                throw base::FatalError(base::placeOf(path, line) + "sample " + std::to_string(sample) +
                                       " follows sample " + std::to_string(previous) +
                                       "; the lines of each sample must be together, samples in ascending order.");
            previous = sample;
            if (out.sampleNames.empty() || out.sampleNames.back() != std::to_string(sample))
                out.sampleNames.push_back(std::to_string(sample));
            out.sampleOf.push_back(static_cast<int>(out.sampleNames.size()) - 1);
            out.individualNames.push_back(std::to_string(out.individualNames.size() + 1));
            sampleNumbers.push_back(sample);
            for (std::size_t l = 0; l < loci; ++l)
                codes.push_back(static_cast<std::int32_t>(reader.readNumber("genotype code")));
        }
        reader.skipLine();
    }
    const std::size_t individuals = out.sampleOf.size();
    if (individuals == 0)
        throw base::FatalError("The data file \"" + path + "\" holds no genotype lines: nothing to analyse.");

    out.genotypes = GenotypeMatrix(individuals);
    std::vector<Genotype> calls(individuals);
    for (std::size_t l = 0; l < loci; ++l) {
        std::map<int, int> numbers;
        std::map<long long, int> typedInSample;
        for (std::size_t i = 0; i < individuals; ++i) {
            const std::int32_t code = codes[i * loci + l];
            if (code == 0) continue;
            const std::int32_t a1 = code / divisor;
            const std::int32_t a2 = code % divisor;
            if (!data::validGenotype(code, a1, a2, highest))
                throw base::FatalError(
                    base::MessageId::Genotype,
                    base::genotypeMessage(static_cast<int>(sampleNumbers[i]), typedInSample[sampleNumbers[i]] + 1,
                                          locusNames[l], static_cast<int>(l) + 1, a1, a2));
            ++typedInSample[sampleNumbers[i]];
            numbers[a1] = numbers[a2] = 0;
        }
        std::vector<std::string> names;
        for (auto& [allele, index] : numbers) {
            index = static_cast<int>(names.size());
            names.push_back(std::to_string(allele));
        }
        for (std::size_t i = 0; i < individuals; ++i) {
            const std::int32_t code = codes[i * loci + l];
            calls[i] = code == 0 ? Genotype{}
                                 : Genotype{static_cast<std::uint16_t>(numbers[code / divisor]),
                                            static_cast<std::uint16_t>(numbers[code % divisor])};
        }
        out.genotypes.addLocus(static_cast<int>(names.size()), calls);
        out.addLocusNames(locusNames[l], std::move(names));
    }
    return out;
}

}  // namespace zeltric::extended
