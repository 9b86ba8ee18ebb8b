#pragma once

#include <array>
#include <optional>
#include <string>

#include "run/run_files.hpp"
#include "run/session.hpp"
#include "run/user_interface.hpp"

namespace zeltric::run {

// The steps of the run driver. Each raises base::FatalError for a fatal
// input error (the front end shows it and ends with exit code 1); nothing
// here calls exit.

// Open step for a chosen data file: reads the header and locus names into
// session.settings.opened, resets selections, labels and check marks, enables the
// Options menu and Go. The front end first destroys any plot window and
// clears the results view (also when the user cancels the file dialog).
void openStep(Session& session, UserInterface& ui, const std::string& path);

// "&Testing": inverts the check mark and, when it becomes set, asks for the
// randomisation count until it lies within kMinRandomisations..kMaxRandomisations.
void testingToggle(Session& session, UserInterface& ui);

// Exit step's seed saving (the front end closes the plot window first).
// Returns false when the seed file could not be written.
bool exitStep(Session& session);

// The opened path without its extension (the text from the last full stop
// of the file name on).
std::string baseName(const std::string& path);

// The outputs' base name without a selection suffix: the opened path
// without its extension, moved into outputFolder when that is set.
std::string outputBase(const Session& session);

// dataFileName + extension.
std::string outputPath(const Session& session, const std::string& extension);

// The session's state once a file is open at `path` (its data already in
// settings.opened or settings.extended): no run yet, every option off.
void settleOpenedFile(Session& session, const std::string& path);

// Why a figure must not be written to `path`: it is the opened data file,
// the label file or one of the last run's outputs (the message says which);
// nothing when it may be written.
std::optional<std::string> figureTargetProblem(const Session& session, const std::string& path);

}  // namespace zeltric::run
