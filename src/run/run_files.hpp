#pragma once

#include <array>
#include <string>
#include <vector>

#include "run/file_roles.hpp"

namespace zeltric::run {

// The files every go step writes, as extensions of its output base name, in
// the order it creates them (results, sample and allele coordinates, shares,
// frequencies).
inline constexpr std::array<const char*, 5> kOutputExtensions = {".pca", ".pop", ".al", ".per", ".fre"};

// The one list of the files of a go step, for the checks before anything is
// written: the data, label and seed files it reads (an empty path is no
// file), the outputs `base` + kOutputExtensions and, with a selection, the
// filtered data file `base` + ".dat". The run record is checked where it is
// written (a file there that is not a record of ours is left alone); a front
// end appends the files only it writes (plot, figure).
std::vector<FileRole> goStepFiles(const std::string& dataFile, const std::string& labelFile,
                                  const std::string& seedFile, const std::string& base, bool selection);

// Refuses (base::FatalError) when two of `roles` share a file or an output
// is unsafe to write (refuseSharedFiles, refuseUnsafeOutput).
void refuseUnsafeFileRoles(const std::vector<FileRole>& roles);

}  // namespace zeltric::run
