#pragma once

#include <string>

#include "data/dataset.hpp"

namespace zeltric::data {

// Sets the labels of samples 1..np to their numbers in decimal ("1", "2", ...).
void setDefaultLabels(Dataset& dataset);

// Reads a label file into the labels of samples 1..np: line s is the label of
// sample s, the whole line as it stands (leading and trailing blanks kept, no
// length limit). A line ends at CR, CR LF or LF; a byte 26 ends the file.
// Samples after the file's last line get empty labels; lines after line np
// are ignored. Raises FatalError naming the file when it cannot be opened or
// read; the labels are then left unchanged.
// Returns the SHA-256 of the bytes it read.
std::string readLabelFile(Dataset& dataset, const std::string& path);

}  // namespace zeltric::data
