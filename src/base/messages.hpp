#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zeltric::base {

// The messages a user can meet. Lines are separated by LF CR, as the texts
// were defined; a front end may normalise the separator for display only.
inline constexpr const char* kLineBreak = "\n\r";

// The one display normaliser of line ends: CR LF, then LF CR, then a lone CR
// become LF, for a message box, a label, the terminal or the results view.
// Only for showing: files keep their CR LF.
std::string displayLineEnds(std::string_view text);

// The one vocabulary of what stops or warns the user: every condition has a
// code here and one builder below that makes its exact text. A FatalError
// carries its code, so a front end tells conditions apart by code, never by
// comparing texts.
enum class MessageId {
    Refusal,            // an input refused; the text names the file (and line) and what was wrong (error)
    Coding,             // header coding not 1 or 2 (information)
    OneSample,          // a single sample (information)
    Capacity,           // np, nl or nu beyond the limits (error)
    Genotype,           // impossible genotype (error)
    MatrixDimension,    // more than 500 allele columns (error)
    TqliNotice,         // eigen-solver iteration notice (information)
    TqliFailure,        // eigen-solver gave up after its hard iteration bound (error)
    SolverInput,        // non-finite value handed to the eigen-solver (error)
    NoAllele,           // no allele present in the analysed data (information)
    NoHeterozygosity,   // total heterozygosity 0: every locus monomorphic (information)
    NoInertia,          // total inertia 0: no differentiation among samples (information)
    TestCancelled,      // the permutation test was cancelled (information)
    SeedsNotSaved,      // the desktop could not write the seed file (error)
    SeedsNotWritten,    // a batch run could not write the seed file when it read it (information)
    SeedsNotAdvanced,   // a batch run could not save the seeds after its test (error, exit 1)
    DataFileMissing,    // the desktop's start file does not exist (error)
    RecentFileGone,     // a recent file no longer exists (error)
    ResultsUnreadable,  // the results file cannot be read for the results view (error)
    OutOfMemory,        // a batch run ran out of memory (error)
};
// The last code, for walking them all.
inline constexpr MessageId kLastMessageId = MessageId::OutOfMemory;

std::string codingMessage();
std::string oneSampleMessage();
std::string capacityMessage();
std::string genotypeMessage(int sample, int individual, const std::string& locusName, int locus,
                            long long firstAllele, long long secondAllele);
std::string matrixDimensionMessage();
std::string tqliNotice();
std::string tqliFailureMessage(int eigenvalue, int iterations);
std::string solverInputMessage();
std::string noAlleleMessage();
std::string noHeterozygosityMessage();
std::string noInertiaMessage();
std::string refusalMessage(const std::string& fileName, int line, const std::string& reason);
std::string testCancelledMessage();
std::string seedsNotSavedMessage(const std::string& seedFile);
std::string seedsNotWrittenMessage(const std::string& seedFile);
std::string seedsNotAdvancedMessage(const std::string& seedFile);
std::string dataFileMissingMessage(const std::string& dataFile);
std::string recentFileGoneMessage(const std::string& dataFile);
std::string resultsUnreadableMessage(const std::string& resultsFile);
std::string outOfMemoryMessage(const std::string& dataFile);

// Data past the data file's limits: the extended analysis, its readers and
// the population map. Refusals carry MessageId::Refusal.
std::string recordPlaceOf(const std::string& fileName, long long record);
std::string popmapColumnsMessage(const std::string& mapFile, long long line);
std::string popmapTwoSamplesMessage(const std::string& mapFile, long long line, const std::string& individual,
                                    const std::string& firstSample, const std::string& secondSample);
std::string popmapUnreadableMessage(const std::string& mapFile);
std::string popmapNeededMessage(const std::string& dataFile);
std::string unmappedIndividualsNote(long long count, const std::string& mapFile);
std::string unusedMapEntriesNote(const std::string& mapFile, const std::vector<std::string>& individuals);
std::string noMappedIndividualMessage(const std::string& dataFile);
std::string duplicateIndividualMessage(const std::string& dataFile, long long line, const std::string& individual);
std::string companionMissingMessage(const std::string& companion, const std::string& bedFile);
std::string bedMagicMessage(const std::string& bedFile);
std::string bedSizeMessage(const std::string& bedFile, unsigned long long actual, unsigned long long expected,
                           unsigned long long loci, unsigned long long individuals);
std::string plinkColumnsMessage(const std::string& file, long long line, int expected, int found);
std::string plinkAlleleMessage(const std::string& file, long long line);
std::string variantFileUnreadableMessage(const std::string& file);
std::string variantRecordMessage(const std::string& file, long long record);
std::string ploidyMessage(const std::string& file, long long record, const std::string& individual, int copies);
std::string tooManyAllelesMessage(const std::string& file, long long record, long long alleles);
std::string noLocusMessage(const std::string& file);
std::string extendedAnalysisNote(const std::string& dataFile, const std::string& why);
// The desktop's go step with Testing or the bootstrap checked on extended data.
std::string extendedDesktopTestNote();
// Texts of hostile input and of reruns (refusals and notes, code Refusal
// where raised).
// Standard output lost part of what was printed; `reason` an errno, or 0.
std::string standardOutputFailedMessage(int reason);
// A text file stored as UTF-16 (`what` names its role: "data file", ...).
std::string utf16FileMessage(const std::string& what, const std::string& fileName);
// Added to a refusal of the data file reader for a file that may be another format.
std::string otherFormatHint(const std::string& fileName);
// The figure's note when label characters had to be replaced.
std::string replacedLabelCharactersNote(int count);
// The note under every figure saying which Fst its titles give.
std::string figureFstNote();
// A seed file that cannot be used without asking (missing, unreadable, not two numbers, zero).
std::string seedFileUnusableMessage(const std::string& seedFile, const std::string& what);
// --rerun's verdict on one output compared with the original run's.
std::string rerunComparisonLine(const std::string& output, const std::string& original, bool identical);
std::string rerunSummaryMessage(int identical, int differing, int withoutOriginal);
// GENETIX alleles in genotypes but not in the header's list of their locus.
std::string allelesOutsideHeaderNote(int locus, const std::string& name, const std::string& alleles);

// The text of a message with example arguments; lets a test walk every id.
std::string messageText(MessageId id);

// Maintainer address shown in the capacity message.
inline constexpr const char* kMaintainerAddress = "zeltric-maintainers@users.noreply.example.org";

}  // namespace zeltric::base
