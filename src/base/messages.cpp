#include "base/messages.hpp"

#include <cstring>

#include "base/fatal_error.hpp"
#include "base/limits.hpp"
#include "base/text_reader.hpp"

namespace zeltric::base {

namespace {

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        if (text.compare(at, from.size(), from) == 0) {
            out += to;
            at += from.size();
        } else {
            out += text[at++];
        }
    }
    return out;
}

}  // namespace

std::string displayLineEnds(std::string_view text) {
    return replaceAll(replaceAll(replaceAll(text, "\r\n", "\n"), "\n\r", "\n"), "\r", "\n");
}

std::string codingMessage() {
    return std::string("error in the input file. The 4th number on the first line") + kLineBreak +
           "has to be a 1 or a 2, depending in the way alleles are coded." + kLineBreak +
           "Correct and re-run ZELTRIC";
}

std::string oneSampleMessage() {
    return std::string(" Only one population.  Can not calculate Theta. ") + kLineBreak +
           " Will calculate Fis only. ";
}

std::string capacityMessage() {
    return "Too many populations, loci or alleles. NPMax= " + std::to_string(NPMax) +
           " NLMax= " + std::to_string(NLMax) + " NUMax= " + std::to_string(NUMax) + kLineBreak +
           "needs recompiling with a higher value for NPMax, NLMax or NUMax." + kLineBreak + "Contact " +
           kMaintainerAddress + kLineBreak + "        Exiting...";
}

std::string genotypeMessage(int sample, int individual, const std::string& locusName, int locus,
                            long long firstAllele, long long secondAllele) {
    return std::string("Problem in the data file!!!!") + kLineBreak +
           "Genotype in sample: " + std::to_string(sample) + ", individual: " + std::to_string(individual) +
           kLineBreak + "For locus: " + locusName + "(locus: " + std::to_string(locus) + ")." + kLineBreak +
           "first allele: " + std::to_string(firstAllele) + ", second allele: " + std::to_string(secondAllele) +
           kLineBreak + "Correct the data file before rerunning please. Exiting...";
}

std::string matrixDimensionMessage() {
    return "Required matrix dimension too large (<=" + std::to_string(500) + "). Existing.";
}

std::string tqliNotice() { return std::string("pause in routine TQLI") + kLineBreak + "too many iterations"; }

std::string tqliFailureMessage(int eigenvalue, int iterations) {
    return "The eigen-solver found no eigenvalue " + std::to_string(eigenvalue) + " after " +
           std::to_string(iterations) + " iterations." + kLineBreak + "The analysis stops.";
}

std::string solverInputMessage() {
    return std::string("The eigen-solver was given a value that is not a finite number.") + kLineBreak +
           "The analysis stops.";
}

std::string noAlleleMessage() {
    return std::string("No allele is present in the analysed samples and loci: there is nothing to analyse.") +
           kLineBreak + "Inertia and Fst are written as 0.";
}

std::string noHeterozygosityMessage() {
    return std::string("Every locus is monomorphic in the pooled sample: the total heterozygosity is 0.") +
           kLineBreak + "Fst can not be calculated; it is written as 0.";
}

std::string noInertiaMessage() {
    return std::string("The samples do not differ in their allele frequencies: the total inertia is 0.") +
           kLineBreak + "Axis shares and percentages can not be calculated; they are written as 0.";
}

std::string refusalMessage(const std::string& fileName, int line, const std::string& reason) {
    return placeOf(fileName, line) + reason;
}

std::string testCancelledMessage() {
    return "The permutation test was cancelled: no P-values were written. The results of the "
           "observed analysis are complete.";
}

// The desktop and the batch front ends word the seed file's failures
// differently; both wordings are kept, as users and scripts know them.
std::string seedsNotSavedMessage(const std::string& seedFile) {
    return "The seeds could not be saved: the file " + seedFile + " could not be written.";
}

std::string seedsNotWrittenMessage(const std::string& seedFile) {
    return "The seeds could not be written to \"" + seedFile + "\".";
}

std::string seedsNotAdvancedMessage(const std::string& seedFile) {
    return "The results are complete, but the seeds could not be written to \"" + seedFile +
           "\": the random stream was not advanced, so the next run would repeat this test's "
           "randomisations. Make the seed file writable or choose another with --seed-file.";
}

std::string dataFileMissingMessage(const std::string& dataFile) {
    return "The data file " + dataFile + " does not exist.";
}

std::string recentFileGoneMessage(const std::string& dataFile) {
    return "The data file " + dataFile + " no longer exists; it was removed from the recent files.";
}

std::string resultsUnreadableMessage(const std::string& resultsFile) {
    return "The results file " + resultsFile + " could not be read.";
}

std::string outOfMemoryMessage(const std::string& dataFile) {
    return "Out of memory: the analysis of \"" + dataFile +
           "\" needs more memory than the system allows this run (fewer --threads need less).";
}

std::string recordPlaceOf(const std::string& fileName, long long record) {
    return "In file \"" + fileName + "\", record " + std::to_string(record) + ": ";
}

std::string popmapColumnsMessage(const std::string& mapFile, long long line) {
    return placeOf(mapFile, static_cast<int>(line)) +
           "a population map line holds two columns, the individual and its sample.";
}

std::string popmapTwoSamplesMessage(const std::string& mapFile, long long line, const std::string& individual,
                                    const std::string& firstSample, const std::string& secondSample) {
    return placeOf(mapFile, static_cast<int>(line)) + "the individual \"" + individual + "\" is in sample \"" +
           firstSample + "\" already; it cannot be in sample \"" + secondSample + "\" too.";
}

std::string popmapUnreadableMessage(const std::string& mapFile) {
    return "The population map \"" + mapFile + "\" cannot be read.";
}

std::string popmapNeededMessage(const std::string& dataFile) {
    return "The file \"" + dataFile +
           "\" names its individuals but not their samples. Give a population map with --popmap FILE: "
           "one line per individual, its name and its sample, separated by blanks.";
}

std::string unmappedIndividualsNote(long long count, const std::string& mapFile) {
    return std::to_string(count) + (count == 1 ? " individual" : " individuals") +
           " of the data, not in the population map \"" + mapFile + "\", left out.";
}

std::string unusedMapEntriesNote(const std::string& mapFile, const std::vector<std::string>& individuals) {
    constexpr std::size_t kNamed = 20;
    std::string text = "The population map \"" + mapFile + "\" names individuals not in the data: ";
    for (std::size_t i = 0; i < individuals.size() && i < kNamed; ++i)
        text += (i > 0 ? ", " : "") + individuals[i];
    if (individuals.size() > kNamed) text += " and " + std::to_string(individuals.size() - kNamed) + " more";
    return text + ".";
}

std::string noMappedIndividualMessage(const std::string& dataFile) {
    return "No individual of the file \"" + dataFile + "\" is in a sample: nothing to analyse.";
}

std::string duplicateIndividualMessage(const std::string& dataFile, long long line,
                                       const std::string& individual) {
    return placeOf(dataFile, static_cast<int>(line)) + "the individual \"" + individual +
           "\" appears a second time.";
}

std::string companionMissingMessage(const std::string& companion, const std::string& bedFile) {
    return "The file \"" + companion + "\", which goes with \"" + bedFile + "\", cannot be read.";
}

std::string bedMagicMessage(const std::string& bedFile) {
    return "The file \"" + bedFile +
           "\" is not a PLINK 1 .bed file in locus-major order: its first three bytes are not 6C 1B 01.";
}

std::string bedSizeMessage(const std::string& bedFile, unsigned long long actual, unsigned long long expected,
                           unsigned long long loci, unsigned long long individuals) {
    return "The file \"" + bedFile + "\" has " + std::to_string(actual) + " bytes; its .bim and .fam (" +
           std::to_string(loci) + " loci, " + std::to_string(individuals) + " individuals) call for " +
           std::to_string(expected) + ".";
}

std::string plinkColumnsMessage(const std::string& file, long long line, int expected, int found) {
    return placeOf(file, static_cast<int>(line)) + std::to_string(expected) + " columns expected, " +
           std::to_string(found) + " found.";
}

std::string plinkAlleleMessage(const std::string& file, long long line) {
    return placeOf(file, static_cast<int>(line)) + "the two alleles of the locus are the same.";
}

std::string variantFileUnreadableMessage(const std::string& file) {
    return "The file \"" + file + "\" cannot be read as VCF or BCF.";
}

std::string variantRecordMessage(const std::string& file, long long record) {
    return recordPlaceOf(file, record) + "the record is malformed.";
}

std::string ploidyMessage(const std::string& file, long long record, const std::string& individual, int copies) {
    return recordPlaceOf(file, record) + "the individual \"" + individual + "\" has a " +
           (copies == 1 ? std::string("haploid") : std::to_string(copies) + "-copy") +
           " call; only diploid genotypes can be analysed.";
}

std::string tooManyAllelesMessage(const std::string& file, long long record, long long alleles) {
    return recordPlaceOf(file, record) + "the locus has " + std::to_string(alleles) +
           " alleles, more than the 65534 a locus may have.";
}

std::string noLocusMessage(const std::string& file) { return "The file \"" + file + "\" holds no locus."; }

std::string extendedAnalysisNote(const std::string& dataFile, const std::string& why) {
    return "\"" + dataFile + "\" goes to the extended analysis (" + why +
           "): the same quantities, in double precision, without the data file's limits.";
}

std::string extendedDesktopTestNote() {
    return "The permutation test and the bootstrap over loci are not available with the extended analysis "
           "yet: this run computes the analysis without them.";
}

std::string messageText(MessageId id) {
    switch (id) {
        case MessageId::Refusal:
            return refusalMessage("data.dat", 3, "\"x\" is not a whole number (sample number expected).");
        case MessageId::Coding: return codingMessage();
        case MessageId::OneSample: return oneSampleMessage();
        case MessageId::Capacity: return capacityMessage();
        case MessageId::Genotype: return genotypeMessage(1, 1, "loc1", 1, 1, 0);
        case MessageId::MatrixDimension: return matrixDimensionMessage();
        case MessageId::TqliNotice: return tqliNotice();
        case MessageId::TqliFailure: return tqliFailureMessage(1, 10000);
        case MessageId::SolverInput: return solverInputMessage();
        case MessageId::NoAllele: return noAlleleMessage();
        case MessageId::NoHeterozygosity: return noHeterozygosityMessage();
        case MessageId::NoInertia: return noInertiaMessage();
        case MessageId::TestCancelled: return testCancelledMessage();
        case MessageId::SeedsNotSaved: return seedsNotSavedMessage("ZELTRIC.INI");
        case MessageId::SeedsNotWritten: return seedsNotWrittenMessage("ZELTRIC.INI");
        case MessageId::SeedsNotAdvanced: return seedsNotAdvancedMessage("ZELTRIC.INI");
        case MessageId::DataFileMissing: return dataFileMissingMessage("data.dat");
        case MessageId::RecentFileGone: return recentFileGoneMessage("data.dat");
        case MessageId::ResultsUnreadable: return resultsUnreadableMessage("data.pca");
        case MessageId::OutOfMemory: return outOfMemoryMessage("data.dat");
    }
    return {};
}

std::string standardOutputFailedMessage(int reason) {
    return std::string("cannot write standard output") +
           (reason != 0 ? std::string(": ") + std::strerror(reason) : "") +
           "; what was printed there is incomplete.";
}

std::string utf16FileMessage(const std::string& what, const std::string& fileName) {
    return "The " + what + " \"" + fileName +
           "\" is UTF-16 text, which ZELTRIC does not read; save it as UTF-8 (or plain ASCII) text and try again.";
}

std::string otherFormatHint(const std::string& fileName) {
    return "If \"" + fileName +
           "\" is a Genepop, STRUCTURE, GENETIX or FSTAT file, state its format with --format genepop, "
           "structure, genetix or fstat.";
}

std::string replacedLabelCharactersNote(int count) {
    return std::to_string(count) + (count == 1 ? " character" : " characters") +
           " of the labels that SVG cannot hold (control characters, U+FFFE, U+FFFF) "
           "replaced by U+FFFD.";
}

std::string figureFstNote() {
    return "Fst: sample-size-weighted Dst/Ht (Nei's GST family), not Weir & Cockerham's theta.";
}

std::string seedFileUnusableMessage(const std::string& seedFile, const std::string& what) {
    return "the seed file \"" + seedFile + "\" " + what + "; give --seeds S1,S2 or run on a terminal to type them";
}

std::string rerunComparisonLine(const std::string& output, const std::string& original, bool identical) {
    if (original.empty()) return output + ": no original to compare with";
    return output + (identical ? ": byte-identical to " : ": DIFFERS from ") + original;
}

std::string rerunSummaryMessage(int identical, int differing, int withoutOriginal) {
    std::string text = "rerun: " + std::to_string(identical) + " output" + (identical == 1 ? "" : "s") +
                       " byte-identical, " + std::to_string(differing) + " differing";
    if (withoutOriginal > 0) text += ", " + std::to_string(withoutOriginal) + " without an original";
    return text + ".";
}

std::string allelesOutsideHeaderNote(int locus, const std::string& name, const std::string& alleles) {
    return "Locus " + std::to_string(locus) + " (\"" + name + "\"): the alleles " + alleles +
           " of the genotypes are not in the header's allele list of the locus; they were read as written.";
}

}  // namespace zeltric::base
