#pragma once

#include <string>

namespace zeltric::base {

// The ranges of base/limits.hpp as the texts state them (lowest..highest), and
// the prompts and captions that show them, so a range is typed once and every
// front end (dialogs, terminal, options, run records) says the same.
std::string randomisationRange();  // kMinRandomisations..kMaxRandomisations
std::string replicateRange();      // kMinReplicates..kMaxReplicates
std::string firstSeedRange();      // 1..kSeed1Max
std::string secondSeedRange();     // 1..kSeed2Max
std::string pngWidthRange();       // kMinPngWidth..kMaxPngWidth

// The seed dialog's title, which the terminal asks first, and its two seed
// questions with their ranges.
std::string seedQuestionTitle();
std::string firstSeedQuestion();
std::string secondSeedQuestion();
// The count questions of the Testing and the Bootstrap commands.
std::string randomisationCountQuestion();
std::string replicateCountQuestion();

}  // namespace zeltric::base
