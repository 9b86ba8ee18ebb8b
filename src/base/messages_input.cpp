#include "base/messages_input.hpp"

#include "base/limits.hpp"

namespace zeltric::base {

std::string emptyDataFileMessage(const std::string& path) { return "The data file \"" + path + "\" is empty."; }

std::string noGenotypeLinesMessage(const std::string& path) {
    return "The data file \"" + path + "\" holds no genotype lines: nothing to analyse.";
}

std::string headerCountsReason(long long samples, long long loci, long long highestAllele) {
    return "the number of samples, of loci and the highest allele number must each be at least 1 (read " +
           std::to_string(samples) + ", " + std::to_string(loci) + ", " + std::to_string(highestAllele) + ").";
}

std::string numberTooLargeReason(const std::string& shown, const std::string& what) {
    return "the number \"" + shown + "\" is too large (" + what + " expected).";
}

std::string notWholeNumberReason(const std::string& shown, const std::string& what) {
    return "\"" + shown + "\" is not a whole number (" + what + " expected).";
}

std::string sampleOutsideReason(long long sample, int samples) {
    return "sample number " + std::to_string(sample) + " lies outside 1.." + std::to_string(samples) + ".";
}

std::string sampleOrderReason(long long sample, long long previousSample) {
    return "sample " + std::to_string(sample) + " follows sample " + std::to_string(previousSample) +
           "; the lines of each sample must be together, samples in ascending order.";
}

std::string tooManyGenotypeLinesReason() {
    return "more than " + std::to_string(NIMax) + " genotype lines; at most " + std::to_string(NIMax) +
           " individuals fit in one data file.";
}

std::string selectionNameTooLongMessage(const std::string& dataFileName) {
    return "The name of the data file \"" + dataFileName +
           "\" is too long to carry the selection; give the file a shorter name.";
}

std::string filteredFileWouldReplaceDataMessage(const std::string& filteredPath) {
    return "The filtered data file \"" + filteredPath +
           "\" would replace the data file itself; nothing was written.";
}

}  // namespace zeltric::base
