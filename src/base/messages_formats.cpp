#include "base/messages_formats.hpp"

namespace zeltric::base {

namespace {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

std::string emptyForeignFileReason(const std::string& expected) {
    return "the file is empty (" + expected + " expected).";
}

std::string endsEarlyReason(const std::string& expected) {
    return "the file ends early (" + expected + " expected).";
}

std::string genotypeCountReason(std::size_t genotypes, std::size_t loci) {
    return std::to_string(genotypes) + " genotypes for " + std::to_string(loci) + " loci.";
}

std::string notSampleNumberReason(const std::string& token, long long samples) {
    return quoted(token) + " is not a sample number (1.." + std::to_string(samples) + " expected).";
}

std::string noPopLineReason() { return "no \"Pop\" line (a line \"Pop\" before each sample expected)."; }
std::string noLocusBeforePopReason() { return "no locus name before the first \"Pop\" line."; }
std::string noCommaReason() { return "no comma after the individual's label (\"label , genotypes\" expected)."; }

std::string notGenepopGenotypeReason(const std::string& code, std::size_t digits) {
    return quoted(code) + " is not a genotype of " + std::to_string(digits == 0 ? 4 : digits) +
           " digits (two alleles of " + std::to_string(digits == 6 ? 3 : 2) +
           " digits each, zeros for missing, expected).";
}

std::string fstatHeadReason() {
    return "the numbers of samples and loci, the highest allele and the digits per allele (1, 2 or 3) expected.";
}

std::string notFstatGenotypeReason(const std::string& code, long long digits) {
    return quoted(code) + " is not a genotype of two alleles of " + std::to_string(digits) +
           (digits == 1 ? " digit" : " digits") + ".";
}

std::string notWholeNumberInReason(const std::string& token, const std::string& expected, long long lowest,
                                   long long highest) {
    return quoted(token) + " is not " + expected + " (a whole number in " + std::to_string(lowest) + ".." +
           std::to_string(highest) + " expected).";
}

std::string alleleListReason() { return "the number of alleles followed by that many allele names expected."; }

std::string notAlleleNameReason(const std::string& token) {
    return quoted(token) + " is not an allele name (a positive number expected).";
}

std::string genetixGenotypeCountReason(std::size_t genotypes, long long loci) {
    return std::to_string(genotypes) + " genotypes after the 10 columns of the name, " + std::to_string(loci) +
           " expected.";
}

std::string notGenetixGenotypeReason(const std::string& code) {
    return quoted(code) + " is not a genotype of 6 digits (two alleles of 3 digits, 000 missing, expected).";
}

std::string linesBeyondSamplesReason() {
    return "more lines than the samples' sizes announce (the end of the file expected).";
}

std::string structureAmbiguousMessage(const std::string& fileName, const std::string& what) {
    return "The layout of the STRUCTURE file \"" + fileName + "\" is ambiguous: " + what +
           " State it with --structure-loci N, --structure-rows 1|2 and --structure-extra-columns N (in the "
           "desktop, in the import dialog).";
}

std::string rowsShareLabelWhat() {
    return "some consecutive rows share a label, but not every individual has two rows.";
}

std::string extraColumnsUnclearWhat(std::size_t columns) {
    return "without a names row, " + std::to_string(columns) +
           " columns do not tell the number of extra columns from the loci.";
}

std::string columnCountReason(std::size_t columns, std::size_t expected, int firstLine) {
    return std::to_string(columns) + " columns, " + std::to_string(expected) + " expected as in line " +
           std::to_string(firstLine) + ".";
}

std::string tooFewColumnsReason(std::size_t columns) {
    return "a label, the population and genotypes expected (" + std::to_string(columns) + " columns).";
}

std::string columnsDoNotHoldReason(std::size_t columns, const std::string& extraColumns, int loci, int rows) {
    return std::to_string(columns) + " columns do not hold a label, the population, " +
           (extraColumns.empty() ? std::string("the") : extraColumns) + " extra columns and " +
           std::to_string(loci) + " loci of " + std::to_string(rows) + (rows == 1 ? " row" : " rows") +
           " per individual.";
}

std::string columnsDoNotHoldPairsReason(std::size_t columns, int extraColumns) {
    return std::to_string(columns) + " columns do not hold a label, the population, " +
           std::to_string(extraColumns) + " extra columns and two columns per locus.";
}

std::string secondRowMissingReason() { return "the second row of this individual is missing."; }

std::string notStructureAlleleReason(const std::string& cell, long long missing) {
    return quoted(cell) + " is not an allele (a whole number or the missing value " + std::to_string(missing) +
           " expected).";
}

std::string notPopulationNumberReason(const std::string& cell) {
    return quoted(cell) + " is not a population number (PopData, a whole number, expected).";
}

std::string secondRowExpectedReason(const std::string& label) {
    return "the second row of individual \"" + label + "\" expected (the same label and population).";
}

std::string structureLayoutNote(bool namesRow, int rows, int extraColumns, bool popFlag, int loci,
                                long long missing) {
    return std::string("STRUCTURE layout: ") + (namesRow ? "a names row, " : "no names row, ") +
           std::to_string(rows) + (rows == 1 ? " row" : " rows") + " per individual, " +
           std::to_string(extraColumns) + (extraColumns == 1 ? " extra column" : " extra columns") +
           (popFlag ? " (PopFlag)" : "") + ", " + std::to_string(loci) + (loci == 1 ? " locus" : " loci") +
           ", missing value " + std::to_string(missing) + ".";
}

std::string notConvertibleMessage(const std::string& fileName, const std::string& reason) {
    return "The file \"" + fileName + "\" cannot be converted: " + reason + "; nothing was written.";
}

std::string noLocusWhat() { return "it names no locus"; }
std::string noIndividualWhat() { return "it holds no individual"; }

std::string beyondCapacityWhat(std::size_t count, const std::string& items, int most) {
    return "it has " + std::to_string(count) + " " + items + ", a data file holds at most " + std::to_string(most);
}

std::string sampleWithoutIndividualsReason(const std::string& name) {
    return name.empty() ? std::string("a sample without individuals (an individual after this line expected).")
                        : "the sample \"" + name + "\" has no individual.";
}

std::string sharedLocusNameNote(std::size_t first, const std::string& firstName, std::size_t second,
                                const std::string& secondName, const std::string& shared) {
    return "The loci " + std::to_string(first) + " (\"" + firstName + "\") and " + std::to_string(second) +
           " (\"" + secondName + "\") share the name \"" + shared +
           "\" in the data file, which keeps six characters.";
}

std::string halfMissingNote(long long count) {
    return std::to_string(count) + (count == 1 ? " genotype" : " genotypes") +
           " with one allele missing counted as missing.";
}

std::string longLocusNamesNote(const std::string& cut) {
    return "Locus names longer than six characters are cut to six in the data file; the allele "
           "table, the run record and the tables keep the full names: " +
           cut + ".";
}

std::string sameSampleNameNote(std::size_t first, std::size_t second, const std::string& name) {
    return "The samples " + std::to_string(first) + " and " + std::to_string(second) + " have the same name, \"" +
           name + "\": they stay two samples; tell them apart by their numbers.";
}

std::string sameNamedBlocksNote(const std::string& name, int firstLine, int secondLine) {
    return "The blocks named \"" + name + "\" at lines " + std::to_string(firstLine) + " and " +
           std::to_string(secondLine) +
           " are one sample: its individuals are those of both, in file order, and it takes the place of the "
           "first.";
}

std::string unrecognisedFormatMessage(const std::string& path) {
    return "The format of the file \"" + path +
           "\" was not recognised. ZELTRIC reads its own data files (four numbers on the first line: samples, "
           "loci, highest allele number, allele coding), Genepop, STRUCTURE and GENETIX files, and FSTAT files "
           "when told so (--format fstat, or the FSTAT file type in File > Open).";
}

std::string alreadyDataFileMessage(const std::string& fileName) {
    return "The file \"" + fileName + "\" is a data file; it needs no conversion.";
}

std::string unreadableAsFormatMessage(const std::string& path, const std::string& format) {
    return "Cannot read the file \"" + path + "\" as a " + format + " file.";
}

std::string existingUnreadableMessage(const std::string& path) {
    return "The file \"" + path + "\" exists but cannot be read; it was not replaced.";
}

std::string existingDiffersMessage(const std::string& path) {
    return "The file \"" + path +
           "\" already exists with other content; it was not replaced and nothing was converted. Move it away to "
           "convert again.";
}

std::string cannotWriteFileMessage(const std::string& path) { return "Cannot write the file \"" + path + "\"."; }

}  // namespace zeltric::base
