#pragma once

#include <optional>
#include <string>

#include "run/session.hpp"

namespace zeltric::run {

// The "&Label file for pops" command after its file dialog: chosenPath is the
// file chosen, or nothing when the dialog was cancelled. The labels of the
// opened data set return to the sample numbers; a chosen path replaces
// labelFileName; when labelFileName is not empty (chosen now or at an earlier
// use, kept across open steps) that file is read and the item is checked,
// otherwise the item is unchecked. Labels are always in the opened file's
// numbering. Raises FatalError naming the file when it cannot be read; the
// labels are then the sample numbers and the item is unchecked.
// After a completed go step the analysed samples take the new labels too
// (line s of the file names the opened file's sample s), so that the open
// plot and its colour dialog name them as the results view would.
void labelCommand(Session& session, const std::optional<std::string>& chosenPath);

// Records which opened sample each analysed sample is: called by the go step
// once session.results.analysed holds the selection's numbering.
void recordAnalysedOrigin(Session& session);

}  // namespace zeltric::run
