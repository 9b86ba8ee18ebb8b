#pragma once

#include <QString>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "formats/foreign_formats.hpp"

namespace zeltric::ui {

class MainWindow;

// Called while a file is read or analysed with the loci done so far.
using LociProgress = std::function<void(std::size_t loci)>;

// File > Open of a VCF, BCF or PLINK file: the population map beside it
// (NAME.popmap or popmap.txt), else for VCF and BCF one asked for in a file
// dialog; then the file read whole for the extended analysis. Returns true
// when it was opened; false when the map's dialog was cancelled or the file
// was refused (its message shown in an error box: the program goes on, the
// file opened before staying open).
bool openExtendedFile(MainWindow& window, const std::string& path, const LociProgress& progress);

// A Genepop, STRUCTURE, GENETIX or FSTAT file past the data file's limits,
// opened for the extended analysis (with a note saying so). False, touching
// nothing, when it fits a data file. Raises base::FatalError as the
// conversion does.
bool openForeignPastLimits(MainWindow& window, const std::string& path, formats::Format format,
                           const formats::StructureOptions& options);

// Whether `path` is a VCF, BCF or PLINK file (by name, else by its first bytes).
bool isExtendedOnlyFile(const std::string& path);

}  // namespace zeltric::ui
