#include "base/messages_record.hpp"

#include "base/messages_ranges.hpp"

namespace zeltric::base {

std::string recordUnreadableMessage(const std::string& recordPath) {
    return "Cannot read the run record \"" + recordPath + "\".";
}

std::string badRecordMessage(const std::string& recordPath, const std::string& reason) {
    return "The run record \"" + recordPath + "\" cannot be rerun: " + reason + ".";
}

std::string recordNotJsonObjectReason() { return "it is not a JSON object"; }
std::string recordNotOursReason() { return "it is not a ZELTRIC run record (no \"program\" named \"zeltric\")"; }
std::string recordWrongTypeReason() { return "a value in it has the wrong type"; }

std::string recordMissingReason(const std::string& key, const std::string& where) {
    return "it has no \"" + key + "\" in " + where;
}

std::string recordNotTextReason(const std::string& key, const std::string& where) {
    return "\"" + key + "\" in " + where + " is not a text";
}

std::string recordNotObjectReason(const std::string& key) { return "\"" + key + "\" is not an object"; }

std::string recordSelectionNotListReason(const std::string& key) {
    return "\"" + key + "\" of the selection is not a list";
}

std::string recordSelectionNotNumbersReason(const std::string& key) {
    return "\"" + key + "\" of the selection holds something other than numbers";
}

std::string recordSeedsNotPairReason() { return "\"seeds_start\" is not a pair of whole numbers"; }
std::string recordSeedsOutsideReason() { return "\"seeds_start\" lies outside the seed ranges"; }

std::string recordRandomisationsReason() {
    return "\"randomisations\" is not a number within " + randomisationRange();
}

std::string recordTestWithoutSeedsReason() { return "it has a test but no \"seeds_start\""; }

std::string recordReplicatesReason() {
    return "\"replicates\" of the bootstrap is not a number within " + replicateRange();
}

std::string recordBootstrapWithoutSeedsReason() { return "the bootstrap has no \"seeds\""; }

std::string recordedFileMissingMessage(const std::string& what, const std::string& name,
                                       const std::string& recordPath, const std::string& recordedPath) {
    return "The " + what + " \"" + name + "\" of the run record \"" + recordPath +
           "\" is neither beside the record nor at \"" + recordedPath + "\"; nothing was run.";
}

std::string recordedFileUnreadableMessage(const std::string& what, const std::string& path) {
    return "Cannot read the " + what + " \"" + path + "\"; nothing was run.";
}

std::string recordedFileDiffersMessage(const std::string& what, const std::string& path,
                                       const std::string& recordPath, const std::string& actualSha256,
                                       const std::string& recordedSha256) {
    return "The " + what + " \"" + path + "\" differs from the one of the run record \"" + recordPath +
           "\" (its SHA-256 is " + actualSha256 + ", the record's " + recordedSha256 +
           "); nothing was run. Rerun with the file the record was made from.";
}

}  // namespace zeltric::base
