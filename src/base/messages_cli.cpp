#include "base/messages_cli.hpp"

#include "base/messages_ranges.hpp"

namespace zeltric::base {

namespace {

std::string expected(OptionValue kind) {
    switch (kind) {
        case OptionValue::Randomisations: return "a number of randomisations within " + randomisationRange();
        case OptionValue::Replicates: return "a number of replicates within " + replicateRange();
        case OptionValue::Seeds:
            return "two seeds S1,S2 with S1 in " + firstSeedRange() + " and S2 in " + secondSeedRange();
        case OptionValue::Threads: return "a number within 1..256";
        case OptionValue::PlotAxes: return "two axis numbers X,Y";
        case OptionValue::Format: return "genepop, structure, genetix or fstat";
        case OptionValue::StructureLoci: return "a number of loci of at least 1";
        case OptionValue::StructureRows: return "1 or 2";
        case OptionValue::StructureExtraColumns: return "a number of columns of at least 0";
        case OptionValue::StructureMissing: return "a whole number";
        case OptionValue::FigureFile: return "a file name ending in .svg, .pdf or .png";
        case OptionValue::FigureAxes: return "two different axis numbers X,Y";
        case OptionValue::FigureWidth: return "a number of pixels within " + pngWidthRange();
        case OptionValue::FigureAspect: return "equal or free";
    }
    return {};
}

}  // namespace

std::string optionValueMessage(OptionValue kind, const std::string& option, const std::string& given) {
    return option + " needs " + expected(kind) + ", not \"" + given + "\"";
}

std::string kernelsValueMessage(const std::string& names, const std::string& given) {
    return "--kernels needs one of " + names + ", not \"" + given + "\"";
}

std::string optionNeedsValueMessage(const std::string& option) { return "option " + option + " needs a value"; }
std::string unknownOptionMessage(const std::string& option) { return "unknown option " + option; }
std::string oneDataFileMessage() { return "only one data file can be analysed per run"; }
std::string noDataFileMessage() { return "no data file given"; }

std::string optionNeedsOptionMessage(const std::string& option, const std::string& needed) {
    return option + " needs " + needed;
}

std::string rerunWithDataFileMessage() { return "--rerun takes the data file from the record; give no DATA_FILE"; }

std::string rerunWithSettingMessage(const std::string& option) {
    return "--rerun takes its settings from the record; " + option + " cannot be given with it";
}

std::string convertOnlyDataFileMessage(const std::string& dataFile) {
    return "--convert-only: \"" + dataFile + "\" is a data file already";
}

std::string numberListMessage(const std::string& option, const std::string& list, const std::string& reason) {
    return option + " " + list + ": " + reason;
}

namespace {
const char* const kListExample = " (write numbers and ranges such as 1,3,5-8)";
}  // namespace

std::string emptyListReason() { return std::string("the list of numbers is empty") + kListExample; }

std::string notNumberOrRangeReason(const std::string& entry, const std::string& list) {
    return "\"" + entry + "\" in \"" + list + "\" is not a number or a range" + kListExample;
}

std::string backwardsRangeReason(const std::string& entry) {
    return "the range " + entry + " runs backwards" + kListExample;
}

std::string noSuchNumberReason(long long number, int highest) {
    return "there is no number " + std::to_string(number) + ": the numbers run from 1 to " +
           std::to_string(highest);
}

std::string tooFewNumbersReason(int needed, std::size_t given) {
    return "at least " + std::to_string(needed) + " different numbers are needed, the list gives " +
           std::to_string(given);
}

std::string seedFileMultipleMessage(const std::string& seedFile, bool firstSeed, long long seed,
                                    long long modulus) {
    return "the seed file \"" + seedFile + "\" holds the " + (firstSeed ? "first" : "second") + " seed " +
           std::to_string(seed) + ", a multiple of " + std::to_string(modulus) +
           ", which would hold the generator at 0; give --seeds S1,S2 or run on a terminal to type them";
}

std::string seedFileMissingMessage(const std::string& seedFile) {
    return "the seed file \"" + seedFile +
           "\" is missing or holds a zero; give --seeds S1,S2 or run on a terminal to type them";
}

std::string tooFewAxesMessage(const std::string& option, int last, const std::string& picture) {
    return option + ": the analysis has " + std::to_string(last < 0 ? 0 : last) + " reported axes; a " + picture +
           " needs at least two";
}

std::string plotAxesOutsideMessage(int x, int y, int last) {
    return "--plot " + std::to_string(x) + "," + std::to_string(y) + ": X must lie in 1.." +
           std::to_string(last - 1) + " and Y in 2.." + std::to_string(last);
}

std::string axesOptionOutsideMessage(int x, int y, int last) {
    return "--axes " + std::to_string(x) + "," + std::to_string(y) + ": both axes must lie in 1.." +
           std::to_string(last);
}

std::string noBmpPlotMessage() {
    return "--plot: this build of zeltric-cli has no BMP plot (it was built without Qt)";
}

std::string kernelsVariableMessage(const std::string& value, const std::string& names) {
    return "the environment variable ZELTRIC_KERNELS holds \"" + value + "\"; it takes one of " + names +
           " (or unset it)";
}

std::string pictureWrittenNotice(const std::string& picture, int x, int y, const std::string& path) {
    return picture + " of axes " + std::to_string(x) + " and " + std::to_string(y) + " written to " + path;
}

std::string convertedNotice(const std::string& dataFile, const std::string& labelFile,
                            const std::string& alleleTable) {
    return "converted to " + dataFile + ", " + labelFile + " and " + alleleTable;
}

std::string waitingForLockNotice(const std::string& shownName) {
    return "waiting for another run using " + shownName;
}

std::string lockUnsupportedNotice(const std::string& lockPath) {
    return "cannot lock \"" + lockPath + "\"; carrying on without guarding against runs at the same time.";
}

std::string recordedTestCancelledNotice() {
    return "The recorded test was cancelled; this rerun runs all its randomisations.";
}

std::string standardOutputFailure(const std::string& reason) {
    return "cannot write standard output" + (reason.empty() ? std::string() : ": " + reason) + ".";
}

std::string outOfMemoryFailure() { return "out of memory."; }

std::string notInBrowserRerunMessage() { return "--rerun is not offered in the browser"; }
std::string notInBrowserPicturesMessage() { return "this build has no plot or figure files yet"; }
std::string notInBrowserExtendedMessage(const std::string& dataFile) {
    return "\"" + dataFile +
           "\" is a VCF, BCF or PLINK file: the page does not read these files yet. Open it in the desktop "
           "program (zeltric) or give it to zeltric-cli, which analyse it with the extended analysis.";
}
std::string dataFileNotOpenedMessage() { return "the data file could not be opened"; }

}  // namespace zeltric::base
