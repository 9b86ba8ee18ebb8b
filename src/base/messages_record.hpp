#pragma once

#include <string>

namespace zeltric::base {

// Refusals of a run record given for a rerun. Nothing is run after any of them.

std::string recordUnreadableMessage(const std::string& recordPath);
// "The run record "<path>" cannot be rerun: <reason>." with one of the reasons below.
std::string badRecordMessage(const std::string& recordPath, const std::string& reason);
std::string recordNotJsonObjectReason();
std::string recordNotOursReason();
std::string recordWrongTypeReason();
// `key` is missing from, or no text in, `where` ("the record", "\"input\"", ...).
std::string recordMissingReason(const std::string& key, const std::string& where);
std::string recordNotTextReason(const std::string& key, const std::string& where);
std::string recordNotObjectReason(const std::string& key);
// `key` of the selection ("loci", "samples").
std::string recordSelectionNotListReason(const std::string& key);
std::string recordSelectionNotNumbersReason(const std::string& key);
std::string recordSeedsNotPairReason();
std::string recordSeedsOutsideReason();
std::string recordRandomisationsReason();  // states the randomisation range
std::string recordTestWithoutSeedsReason();
std::string recordReplicatesReason();  // states the replicate range
std::string recordBootstrapWithoutSeedsReason();

// The data or label file a record names (`what`): not found, unreadable, or
// not the file the record was made from.
std::string recordedFileMissingMessage(const std::string& what, const std::string& name,
                                       const std::string& recordPath, const std::string& recordedPath);
std::string recordedFileUnreadableMessage(const std::string& what, const std::string& path);
std::string recordedFileDiffersMessage(const std::string& what, const std::string& path,
                                       const std::string& recordPath, const std::string& actualSha256,
                                       const std::string& recordedSha256);

}  // namespace zeltric::base
