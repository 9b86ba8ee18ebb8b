#pragma once

#include <cstddef>
#include <string>

#include "data/dataset.hpp"

namespace zeltric::data {

// Longest file name (one path component, in bytes) that we create.
inline constexpr std::size_t kFileNameLimit = 255;
// Longest extension appended to an output base name (".dat", ".pca", ...).
inline constexpr std::size_t kLongestExtension = 4;

// The selection suffix in full: "-L" and the numbers of the selected loci when
// selectLoci, then "-P" and the numbers of the selected samples when
// selectPops; numbers ascending, in decimal, without separators (loci 1, 3
// and 12 give "-L1312"). Empty when neither is checked. Reads the flags of
// `opened`, which are in the opened file's numbering.
std::string selectionSuffix(const Dataset& opened, bool selectLoci, bool selectPops);

// The output base name of a selection: dataFileName followed by the suffix.
// When base name, suffix and the longest extension would exceed
// kFileNameLimit, the suffix is shortened: its first characters are kept and
// it ends with "~" and an exact code of the choice ("L" and the locus flags,
// "P" and the sample flags, each as hexadecimal digits of a bitmap, item 1 in
// the highest bit of the first digit). The code alone determines the choice
// and no full suffix contains "~", so two different selections never share a
// name. Raises FatalError when even the code does not fit beside the base name.
std::string selectionBaseName(const std::string& dataFileName, const Dataset& opened, bool selectLoci,
                              bool selectPops);

// Writes the filtered copy of the data file at inputPath to outputPath: a
// header of the selected sample count, selected locus count, nu and coding,
// each right-aligned in 4 characters with one blank between; the selected
// locus lines as they stand; then for each genotype line of a selected sample
// the new sample number in 6 characters and a blank, and each selected code in
// 6 characters and a blank. Every line ends CR LF. Codes are written as read
// (never wrapped to 16 bits), so the genotype reader judges them. An item whose
// menu entry is not checked counts as selected.
//
// Reads with the data file conventions (CR, CR LF or LF end a line, byte 26
// ends the file). Raises FatalError, naming file and line, for a token that is
// not a decimal integer or a sample number outside 1..np; naming the file when
// it cannot be opened, created or written, or when outputPath is the data file
// itself. The file appears complete or not at all (written under a temporary
// name, then renamed). Does nothing when neither item is checked. Returns the
// SHA-256 of the data file's bytes it read (empty when it did nothing).
std::string writeFilteredDataFile(const Dataset& opened, const std::string& inputPath,
                                  const std::string& outputPath, bool selectLoci, bool selectPops);

// Prepares the analysed data set from the opened one: copies its header,
// locus names, flags and labels (never the per-run tables), then, when a
// selection is checked, renumbers: the labels and locus names of the selected
// items move to the front in ascending order of their old numbers, np and nl
// become the selected counts, and the flags of the new numbering are all 1.
void applySelection(Dataset& analysed, const Dataset& opened, bool selectLoci, bool selectPops);

}  // namespace zeltric::data
