#pragma once

#include <string>

namespace zeltric::base {

// Refusals and notices of a run: its files, its state, its threads, its
// record and its figure.

// Two files of a run are one file. `role`s are "data file", "output file",
// "plot file", ...; `advice` is one of the three below.
std::string sameFileMessage(const std::string& laterRole, const std::string& laterPath,
                            const std::string& firstRole, const std::string& firstPath, const std::string& advice);
// An output would replace `what` (a role, or a role and path of this run).
std::string wouldReplaceMessage(const std::string& role, const std::string& path, const std::string& what,
                                const std::string& advice);
std::string choosePlotNameAdvice();
std::string chooseFigureNameAdvice();
std::string ownFileAdvice();
std::string renameDataFileAdvice();
// An output name is a link, or an existing file of another kind.
std::string outputIsLinkMessage(const std::string& role, const std::string& path);
std::string outputNotRegularMessage(const std::string& role, const std::string& path);
// The filtered data file would take the place of the label or seed file.
std::string filteredFileWouldReplaceMessage(const std::string& filteredPath, const std::string& ownFile);

std::string noDataFileOpenMessage();
std::string bootstrapCancelledMessage();
std::string alleleCodingMessage(const std::string& dataFile, long long coding);
std::string threadsRefusedMessage(int workers, const std::string& purpose);

// The run record a run writes.
std::string digestUnreadableMessage(const std::string& path);
std::string alleleTableUnreadableMessage(const std::string& tablePath);
std::string earlierRecordNotRemovedMessage(const std::string& recordPath, const std::string& reason);
std::string foreignRecordNotice(const std::string& recordPath);

// The publication figure.
std::string figureFailureMessage(const std::string& path, const std::string& reason);
std::string figureExtensionReason();
std::string figureNeedsQtBuildMessage();
// Why no figure can be drawn: the analysis has fewer than two reported axes,
// or the axes asked for lie outside 1..axes; and the browser asked before a run.
std::string noFigureAxesMessage();
std::string figureAxesUnavailableMessage(int x, int y, int axes);
std::string noFinishedRunMessage();
// The desktop's figure would replace an input or a results file of the run.
std::string figureIsInputMessage(const std::string& path, const std::string& input);
std::string figureIsResultsMessage(const std::string& path, const std::string& results);
// Why the Qt renderer could not make a PDF or PNG (figureFailureMessage's reason).
enum class RenderFault { SvgUnreadable, NoSize, PdfNotStarted, NoMemory };
std::string renderFaultReason(RenderFault fault);
std::string pngWidthReason();  // states the PNG width range

// The BMP plot picture (the reason as the image writer gives it).
std::string plotFailureMessage(const std::string& path, const std::string& reason);
std::string emptyPictureReason();

// The desktop's Help when the manual is in none of the places looked in
// (one per line).
std::string manualNotFoundMessage(const std::string& fileName, const std::string& places);

}  // namespace zeltric::base
