#pragma once

#include "randomisation/bootstrap.hpp"
#include "record/run_record.hpp"

namespace zeltric::run {

// The run record's "bootstrap" object: replicates, seeds, the interval
// method, then per figure the observed value, the estimate (the observed
// value measured as the replicates are), mean, se, z0 and the bounds (null
// without an interval, the reason given). `singleObserved`: the observed
// values are the exact analysis's single-precision figures, written as such;
// the extended analysis's are doubles. A block bootstrap also gives its
// block size and block count.
record::Json BootstrapJson(const randomisation::BootstrapSummaries& summaries, bool singleObserved);

}  // namespace zeltric::run
