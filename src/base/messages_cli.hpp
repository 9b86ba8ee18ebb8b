#pragma once

#include <cstddef>
#include <string>

namespace zeltric::base {

// The batch front end's refusals of its command line (exit 2, followed by a
// hint to --help) and its own notices.

// A value an option does not take: "<option> needs <what is expected>, not "<given>"".
enum class OptionValue {
    Randomisations,  // --test
    Replicates,      // --bootstrap
    Seeds,           // --seeds, --bootstrap-seeds
    Threads,
    PlotAxes,
    Format,
    StructureLoci,
    StructureRows,
    StructureExtraColumns,
    StructureMissing,
    FigureFile,
    FigureAxes,
    FigureWidth,
    FigureAspect,
};
std::string optionValueMessage(OptionValue kind, const std::string& option, const std::string& given);
std::string kernelsValueMessage(const std::string& names, const std::string& given);

std::string optionNeedsValueMessage(const std::string& option);
std::string unknownOptionMessage(const std::string& option);
std::string oneDataFileMessage();
std::string noDataFileMessage();
// An option given without the one it belongs to ("--plot-file needs --plot X,Y").
std::string optionNeedsOptionMessage(const std::string& option, const std::string& needed);
std::string rerunWithDataFileMessage();
std::string rerunWithSettingMessage(const std::string& option);

// --convert-only given a data file.
std::string convertOnlyDataFileMessage(const std::string& dataFile);
// A list of --loci or --pops refused for `reason`, one of the five below.
std::string numberListMessage(const std::string& option, const std::string& list, const std::string& reason);
std::string emptyListReason();
std::string notNumberOrRangeReason(const std::string& entry, const std::string& list);
std::string backwardsRangeReason(const std::string& entry);
std::string noSuchNumberReason(long long number, int highest);
std::string tooFewNumbersReason(int needed, std::size_t given);
// A batch run without a terminal and without --seeds finds no usable seeds.
std::string seedFileMultipleMessage(const std::string& seedFile, bool firstSeed, long long seed,
                                    long long modulus);
std::string seedFileMissingMessage(const std::string& seedFile);

// The axes of --plot and --figure against the axes the analysis reports
// (`last` is the highest reported axis).
std::string tooFewAxesMessage(const std::string& option, int last, const std::string& picture);
std::string plotAxesOutsideMessage(int x, int y, int last);
std::string axesOptionOutsideMessage(int x, int y, int last);
std::string noBmpPlotMessage();
// The variable ZELTRIC_KERNELS names no kernel choice (both programs).
std::string kernelsVariableMessage(const std::string& value, const std::string& names);

// Notices of a batch run (after "zeltric-cli: ").
std::string pictureWrittenNotice(const std::string& picture, int x, int y, const std::string& path);
std::string convertedNotice(const std::string& dataFile, const std::string& labelFile,
                            const std::string& alleleTable);
std::string waitingForLockNotice(const std::string& shownName);
std::string lockUnsupportedNotice(const std::string& lockPath);
std::string recordedTestCancelledNotice();
// Failures after the run (after "zeltric-cli: error: "); `reason` empty when unknown.
std::string standardOutputFailure(const std::string& reason);
std::string outOfMemoryFailure();

// The browser's refusals of what its build does not offer, and its last word
// when a data file would not open and said nothing.
std::string notInBrowserRerunMessage();
std::string notInBrowserPicturesMessage();
// A VCF, BCF or PLINK file given to the page.
std::string notInBrowserExtendedMessage(const std::string& dataFile);
std::string dataFileNotOpenedMessage();

}  // namespace zeltric::base
