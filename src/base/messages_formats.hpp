#pragma once

#include <cstddef>
#include <string>

namespace zeltric::base {

// Refusals and notes of the conversion of files in other formats (Genepop,
// STRUCTURE, GENETIX, FSTAT) to a data file. A "reason" follows the place
// ("file: line N: ", base::refusalMessage); a "message" is a whole text.

// Shared by the readers.
std::string emptyForeignFileReason(const std::string& expected);  // "the file is empty (<expected> expected)."
std::string endsEarlyReason(const std::string& expected);
std::string genotypeCountReason(std::size_t genotypes, std::size_t loci);
std::string notSampleNumberReason(const std::string& token, long long samples);

// Genepop.
std::string noPopLineReason();
std::string noLocusBeforePopReason();
std::string noCommaReason();
std::string notGenepopGenotypeReason(const std::string& code, std::size_t digits);

// FSTAT.
std::string fstatHeadReason();
std::string notFstatGenotypeReason(const std::string& code, long long digits);

// GENETIX.
std::string notWholeNumberInReason(const std::string& token, const std::string& expected, long long lowest,
                                   long long highest);
std::string alleleListReason();
std::string notAlleleNameReason(const std::string& token);
std::string genetixGenotypeCountReason(std::size_t genotypes, long long loci);
std::string notGenetixGenotypeReason(const std::string& code);
std::string linesBeyondSamplesReason();

// STRUCTURE.
std::string structureAmbiguousMessage(const std::string& fileName, const std::string& what);
std::string rowsShareLabelWhat();
std::string extraColumnsUnclearWhat(std::size_t columns);
std::string columnCountReason(std::size_t columns, std::size_t expected, int firstLine);
std::string tooFewColumnsReason(std::size_t columns);
// `extraColumns` empty when not given ("the extra columns").
std::string columnsDoNotHoldReason(std::size_t columns, const std::string& extraColumns, int loci, int rows);
std::string columnsDoNotHoldPairsReason(std::size_t columns, int extraColumns);
std::string secondRowMissingReason();
std::string notStructureAlleleReason(const std::string& cell, long long missing);
std::string notPopulationNumberReason(const std::string& cell);
std::string secondRowExpectedReason(const std::string& label);
std::string structureLayoutNote(bool namesRow, int rows, int extraColumns, bool popFlag, int loci,
                                long long missing);

// The conversion as a whole.
std::string notConvertibleMessage(const std::string& fileName, const std::string& reason);
std::string noLocusWhat();
std::string noIndividualWhat();
// "it has <count> <items>, a data file holds at most <most>"
std::string beyondCapacityWhat(std::size_t count, const std::string& items, int most);
std::string sampleWithoutIndividualsReason(const std::string& name);  // name empty when unnamed
std::string sharedLocusNameNote(std::size_t first, const std::string& firstName, std::size_t second,
                                const std::string& secondName, const std::string& shared);
std::string halfMissingNote(long long count);
// `cut`: "locus 3 \"Locus12\" (\"Locus1\")", ... for every name cut.
std::string longLocusNamesNote(const std::string& cut);
std::string sameSampleNameNote(std::size_t first, std::size_t second, const std::string& name);
// GENETIX blocks of one name merged into one sample.
std::string sameNamedBlocksNote(const std::string& name, int firstLine, int secondLine);
std::string alreadyDataFileMessage(const std::string& fileName);
// A file in no format read, named with the formats that are.
std::string unrecognisedFormatMessage(const std::string& path);
std::string unreadableAsFormatMessage(const std::string& path, const std::string& format);

// The converted files beside the original.
std::string existingUnreadableMessage(const std::string& path);
std::string existingDiffersMessage(const std::string& path);
std::string cannotWriteFileMessage(const std::string& path);

}  // namespace zeltric::base
