#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Files in the formats population geneticists already keep (Genepop,
// STRUCTURE, GENETIX, FSTAT), converted to a data file, a label file and an
// allele table. Standard library only, so every front end can call it.
namespace zeltric::formats {

enum class Format { ZeltricData, Genepop, Structure, Genetix, Fstat };

// "genepop", "structure", "genetix", "fstat" (as the --format option spells them).
std::optional<Format> formatFromName(std::string_view name);
std::string formatName(Format format);

// The format of a file from its extension (".gtx", with the dot, any case)
// first: .gen and .genepop are Genepop, .str, .stru and .structure
// STRUCTURE, .gtx GENETIX, whatever the content. Otherwise a file whose
// first line holds four integers is a data file, and so is anything not
// recognised: the data file reader then judges it with its own messages.
// FSTAT is never detected (it is a data file by its first line); it is
// converted only when asked for.
Format detect(std::string_view bytes, std::string_view extension);

// Whether a file taken as a data file may be in another format, so that a
// refusal of the data file reader says how to state the format: an
// extension other than .dat, or a first line whose 4th number is not an
// allele coding of the data file (a 3-digit FSTAT file).
bool mayBeOtherFormat(std::string_view bytes, std::string_view extension);

// What the user states about a STRUCTURE file; unset items are detected.
struct StructureOptions {
    std::optional<int> loci;
    std::optional<int> rows;  // 1 or 2 rows per individual
    std::optional<int> extraColumns;
    std::optional<long long> missing;  // default -9
};

// The layout of a STRUCTURE file as detected (and as stated, where stated).
struct StructureLayout {
    bool namesRow = false;
    int rows = 2;
    int extraColumns = 0;
    bool popFlag = false;  // the extra column was recognised as PopFlag (0 and 1 only)
    int loci = 0;
    long long missing = -9;
};

// Detects the layout; raises base::FatalError naming the file with what the
// user should state when the content leaves it open.
StructureLayout structureLayout(std::string_view bytes, const std::string& fileName,
                                const StructureOptions& options);
// One line saying what the layout is, for the user to check.
std::string describeLayout(const StructureLayout& layout);

// The three files' texts (lines end CR LF) and notes for the user.
//
// Numbering: at each locus, the allele names seen in complete genotypes are
// numbered 1..k in ascending numeric order; the data file's highest allele
// number is the largest k (at least 1), its coding is 2 (code = 100 * first
// allele + second allele, 0 for a missing genotype). A genotype with one
// allele missing counts as missing. Samples, then individuals, in the
// format's order (STRUCTURE: ascending PopData, file order within a sample).
// Locus names keep their first six characters in the data file and are given
// in full in the allele table, whose lines are
//   locus number TAB locus name TAB allele number TAB original allele name
// after one heading line.
struct Conversion {
    std::string dataFile;
    std::string labelFile;
    std::string alleleTable;
    std::vector<std::string> notes;  // half-missing genotypes, name collisions, layout
};

// Raises base::FatalError naming the file, the line and what was expected,
// or the locus beyond the capacity limits; nothing is returned then.
Conversion convert(Format format, std::string_view bytes, const std::string& fileName,
                   const StructureOptions& structure = {});

// Where the converted files of sourcePath go: beside it, named after it and
// the format ("trout.gen" gives "trout.gen-genepop.dat", "trout.gen-genepop.lab"
// and "trout.gen-genepop-alleles.txt").
struct ConvertedPaths {
    std::string dataFile;
    std::string labelFile;
    std::string alleleTable;
};
ConvertedPaths convertedPaths(const std::string& sourcePath, Format format);

// Writes the three files. A file that already exists with the same bytes
// counts as written (a repeated conversion works); one with other bytes is
// never replaced: base::FatalError names it, and nothing of this call is
// left behind. Each file appears complete or not at all.
void writeConversion(const Conversion& conversion, const ConvertedPaths& paths);

// The whole step for a file on disk: reads it, detects its format (unless
// `forced`), converts and writes beside it. Nothing when it is a data file
// (or cannot be opened and no format is forced: the data file reader then
// reports it). Raises base::FatalError as convert and writeConversion do.
struct FileConversion {
    Format format;
    ConvertedPaths paths;
    std::vector<std::string> notes;
    std::string sha256;  // of the bytes that were converted
};
// A file whose first line holds no digit and that no format recognises
// raises base::FatalError with base::unrecognisedFormatMessage.
std::optional<FileConversion> convertFile(const std::string& path, std::optional<Format> forced,
                                          const StructureOptions& structure = {});

}  // namespace zeltric::formats
