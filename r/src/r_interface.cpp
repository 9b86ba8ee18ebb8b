#include "r_interface.h"

#include <algorithm>

#define R_NO_REMAP
#include <R_ext/Utils.h>
#include <Rinternals.h>

#include "base/messages.hpp"

namespace zeltric::r {
namespace {

void checkInterrupt(void*) { R_CheckUserInterrupt(); }

// Calls to R are costly beside one randomisation: progress is drawn and the
// interrupt looked for at most this often.
constexpr auto kProgressEvery = std::chrono::milliseconds(100);
constexpr auto kInterruptEvery = std::chrono::milliseconds(20);

}  // namespace

bool interruptPending() { return R_ToplevelExec(checkInterrupt, nullptr) == FALSE; }

void RInterface::information(const std::string& text) { messages.push_back(base::displayLineEnds(text)); }

void RInterface::error(const std::string& text) { messages.push_back(base::displayLineEnds(text)); }

void RInterface::progressStart(int maximum) {
    maximum_ = maximum;
    position_ = 0;
    stage_ = stages_.empty() ? 1 : stages_[std::min(static_cast<std::size_t>(starts_), stages_.size() - 1)];
    ++starts_;
    lastShown_ = std::chrono::steady_clock::now();
    report(0);
}

void RInterface::report(int done) {
    if (!progress_ || cancelled) return;
    if (!progress_(stage_, done, maximum_)) cancelled = true;
}

void RInterface::progressStep(int position) {
    position_ = position;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastShown_ < kProgressEvery && position != maximum_) return;
    lastShown_ = now;
    report(position);
}

void RInterface::progressEnd() {
    if (progress_) progress_(stage_, -1, maximum_);
}

bool RInterface::cancelRequested() {
    if (cancelled) return true;
    if (cancelAfter_ > 0 && stage_ != 1 && position_ >= cancelAfter_) return cancelled = true;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastCheck_ < kInterruptEvery) return false;
    lastCheck_ = now;
    return cancelled = interruptPending();
}

}  // namespace zeltric::r
