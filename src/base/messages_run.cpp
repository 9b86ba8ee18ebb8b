#include "base/messages_run.hpp"

#include "base/messages_ranges.hpp"

namespace zeltric::base {

std::string sameFileMessage(const std::string& laterRole, const std::string& laterPath,
                            const std::string& firstRole, const std::string& firstPath,
                            const std::string& advice) {
    return "The " + laterRole + " \"" + laterPath + "\" and the " + firstRole + " \"" + firstPath +
           "\" are the same file; " + advice;
}

std::string wouldReplaceMessage(const std::string& role, const std::string& path, const std::string& what,
                                const std::string& advice) {
    return "The " + role + " \"" + path + "\" would replace the " + what + "; " + advice;
}

std::string choosePlotNameAdvice() { return "choose another name for the plot."; }
std::string chooseFigureNameAdvice() { return "choose another name for the figure; nothing was written."; }
std::string ownFileAdvice() { return "give each its own file; nothing was read or written."; }
std::string renameDataFileAdvice() {
    return "rename the data file so that its name without the extension differs from its other files.";
}

std::string outputIsLinkMessage(const std::string& role, const std::string& path) {
    return "The " + role + " \"" + path +
           "\" is a symbolic link; results are never written through a link. Remove the link or move the data "
           "file; nothing was written.";
}

std::string outputNotRegularMessage(const std::string& role, const std::string& path) {
    return "The " + role + " \"" + path +
           "\" exists and is not a regular file (a pipe, a device or a socket); nothing was written.";
}

std::string filteredFileWouldReplaceMessage(const std::string& filteredPath, const std::string& ownFile) {
    return "The filtered data file \"" + filteredPath + "\" would replace \"" + ownFile +
           "\"; nothing was written.";
}

std::string noDataFileOpenMessage() { return "No data file is open."; }

std::string bootstrapCancelledMessage() {
    return "The bootstrap over loci was cancelled: no intervals were written. The results of the observed "
           "analysis "
           "are complete.";
}

std::string alleleCodingMessage(const std::string& dataFile, long long coding) {
    return "The data file \"" + dataFile + "\" gives the allele coding " + std::to_string(coding) +
           " as the 4th number on its first line; it has to be 1 (one digit per allele) or 2 (two digits). "
           "Correct the file and open it again.";
}

std::string threadsRefusedMessage(int workers, const std::string& purpose) {
    return "Cannot start " + std::to_string(workers) + " worker threads for " + purpose +
           " (the system refused more threads); choose fewer threads.";
}

std::string digestUnreadableMessage(const std::string& path) {
    return "The SHA-256 of the bytes read from \"" + path +
           "\" is unknown; no record certifies a file that was not read.";
}

std::string alleleTableUnreadableMessage(const std::string& tablePath) {
    return "Cannot read the allele table \"" + tablePath + "\" to record the allele names.";
}

std::string earlierRecordNotRemovedMessage(const std::string& recordPath, const std::string& reason) {
    return "Cannot remove the run record \"" + recordPath + "\" of the earlier run: " + reason + ".";
}

std::string foreignRecordNotice(const std::string& recordPath) {
    return "The file \"" + recordPath +
           "\" is not a ZELTRIC run record; it was left alone and this run writes no record.";
}

std::string figureFailureMessage(const std::string& path, const std::string& reason) {
    return "Cannot write the figure \"" + path + "\": " + reason;
}

std::string figureExtensionReason() { return "the file name must end in .svg, .pdf or .png."; }

std::string figureNeedsQtBuildMessage() {
    return "PDF and PNG figures need the Qt build of ZELTRIC; this build writes SVG figures only (name the file "
           ".svg).";
}

std::string noFigureAxesMessage() {
    return "No figure: the analysis has fewer than three samples or fewer than three alleles, so there is no pair "
           "of axes to show.";
}

std::string figureAxesUnavailableMessage(int x, int y, int axes) {
    return "No figure of axes " + std::to_string(x) + " and " + std::to_string(y) + ": choose axes within 1.." +
           std::to_string(axes) + ".";
}

std::string noFinishedRunMessage() { return "There is no finished run to draw."; }

std::string figureIsInputMessage(const std::string& path, const std::string& input) {
    return figureFailureMessage(path, "that is the input file \"" + input + "\".");
}

std::string figureIsResultsMessage(const std::string& path, const std::string& results) {
    return figureFailureMessage(path, "that is the results file \"" + results + "\".");
}

std::string renderFaultReason(RenderFault fault) {
    switch (fault) {
        case RenderFault::SvgUnreadable: return "the SVG renderer could not read the figure.";
        case RenderFault::NoSize: return "the figure has no size.";
        case RenderFault::PdfNotStarted: return "the PDF could not be started.";
        case RenderFault::NoMemory: return "there is not enough memory for the picture.";
    }
    return {};
}

std::string pngWidthReason() { return "the PNG width must lie within " + pngWidthRange() + " pixels."; }

std::string plotFailureMessage(const std::string& path, const std::string& reason) {
    return "Cannot write the file \"" + path + "\": " + reason;
}

std::string emptyPictureReason() { return "the picture is empty."; }

std::string manualNotFoundMessage(const std::string& fileName, const std::string& places) {
    return "The manual " + fileName + " was not found. It was looked for in:\n" + places;
}

}  // namespace zeltric::base
