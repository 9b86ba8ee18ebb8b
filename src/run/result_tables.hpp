#pragma once

#include <string>
#include <vector>

#include "run/session.hpp"

// The last run's figures as tables a spreadsheet or R reads at once, beside
// the fixed-layout outputs: RFC 4180 CSV (fields quoted where they hold a
// comma, a quote or a line end; lines end CR LF), UTF-8, one header row,
// numbers in the shortest form that reads back to the same value
// (std::to_chars), an empty field where a value does not exist.
//
//   NAME-frequencies.csv  sample,label,locus,locus_name,allele,original_name,frequency,typed
//                         one row per sample and retained allele; typed is the
//                         sample's individuals typed at the locus (frequency
//                         empty when none)
//   NAME-samples.csv      sample,label,size,complete,axis1,axis2,...
//   NAME-alleles.csv      locus,locus_name,allele,original_name,axis1,axis2,...
//   NAME-axes.csv         axis,eigenvalue,percent,fst,share,p_value,
//                         share_lower,share_upper,fst_lower,fst_upper
//                         (the bounds after a bootstrap that gave them)
// Samples and loci carry the opened file's numbers; locus names are full
// names for a converted file; original_name is the converted file's allele
// name. The Fst is the analysis's Dst/Ht (Nei's GST family).
namespace zeltric::run {

struct ResultTable {
    std::string suffix;  // "-frequencies.csv", ...
    std::string text;
};

// Needs a finished run (session.results.runDone).
std::vector<ResultTable> resultTables(const Session& session);

// Writes the tables beside the outputs (outputPath(session, suffix)), each
// atomically; returns their paths. Raises base::FatalError naming a file
// that cannot be written.
std::vector<std::string> writeResultTables(const Session& session);

// One CSV field as RFC 4180 writes it.
std::string csvField(const std::string& text);

}  // namespace zeltric::run
