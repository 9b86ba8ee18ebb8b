#pragma once

#include <string>

namespace zeltric::base {

// Refusals of a data file's content. A "reason" is the part after the place
// (base::refusalMessage puts "file: line N: " before it); a "message" is a
// whole text.

std::string emptyDataFileMessage(const std::string& path);
std::string noGenotypeLinesMessage(const std::string& path);

// Header: a count below 1 (the three counts as read).
std::string headerCountsReason(long long samples, long long loci, long long highestAllele);
// A token of the data file that is no number of the range a reader allows;
// `shown` is the token as it is shown (cut long tokens), `what` the number expected.
std::string numberTooLargeReason(const std::string& shown, const std::string& what);
std::string notWholeNumberReason(const std::string& shown, const std::string& what);
// Genotype lines: the sample number's range and order, the line count.
std::string sampleOutsideReason(long long sample, int samples);
std::string sampleOrderReason(long long sample, long long previousSample);
std::string tooManyGenotypeLinesReason();

// The selection's filtered data file.
std::string selectionNameTooLongMessage(const std::string& dataFileName);
std::string filteredFileWouldReplaceDataMessage(const std::string& filteredPath);

}  // namespace zeltric::base
