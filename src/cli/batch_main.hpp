#pragma once

#include "cli/extended_batch.hpp"

namespace zeltric::cli {

// zeltric-cli from its command line to its exit status (standard output
// flushed and checked), the extended test's arrangements analysed as
// `spread` says (by default on this process's threads). Shared by the
// programs that take zeltric-cli's options.
int batchMain(int& argc, char** argv, const ExtendedSpread& spread);

}  // namespace zeltric::cli
