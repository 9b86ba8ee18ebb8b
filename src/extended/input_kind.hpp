#pragma once

#include <string>

#include "extended/extended_data.hpp"
#include "extended/read_options.hpp"

namespace zeltric::extended {

// The files only the extended analysis reads.
enum class InputKind {
    Other,     // not one of them (a data file or a foreign format)
    Plink,     // PLINK 1 .bed with its .bim and .fam
    Variants,  // VCF (plain or bgzipped) or BCF
};

// By name (.bed; .vcf, .vcf.gz, .vcf.bgz, .bcf), else by the first bytes
// (the .bed magic, a VCF header line, a compressed VCF or BCF).
InputKind DetectInputKind(const std::string& path);

// Reads a file of kind Plink or Variants.
ExtendedData ReadExtendedInput(const std::string& path, InputKind kind, const ReadOptions& options,
                               ReadNotes& notes);

}  // namespace zeltric::extended
