#pragma once

#include <string>
#include <vector>

#include "data/dataset.hpp"
#include "run/session.hpp"

namespace zeltric::run {

// The logic of the "Loci to use" and "Pops to use" dialogs, without widgets.
// Everything works in the opened file's numbering (items 1..nl or 1..np).

enum class PickKind { Loci, Populations };

// "3. " followed by the name: the number keeps items with equal names apart.
std::string locusItemText(const data::Dataset& dataset, int locus);
std::string populationItemText(const data::Dataset& dataset, int sample);
// The item texts of loci 1..nl or samples 1..np, in order (the left list).
std::vector<std::string> itemTexts(const data::Dataset& dataset, PickKind kind);

// After OK: every flag of the kind becomes 0, then each chosen text that
// equals an item text exactly (case-sensitive) sets that item's flag to 1.
// The order of `chosen` does not matter. Returns the number of chosen texts.
int setFlagsFromChosen(data::Dataset& dataset, PickKind kind, const std::vector<std::string>& chosen);

// At least 1 locus, at least 2 samples; a smaller choice shows the dialog again.
int minimumChoice(PickKind kind);
bool choiceIsEnough(PickKind kind, int count);

// The menu item's check mark after a pick: set when any flag of the kind is 0;
// otherwise left as it was (only the open step clears it).
bool checkMarkAfterPick(const data::Dataset& dataset, PickKind kind, bool checkedBefore);

// A move button: walks `source` from the top; each highlighted item is
// appended to `destination` and removed from `source` (with its highlight),
// so the next item takes its place and is examined next; other items are
// stepped over. Stops at the end of `source`, and at the latest after `limit`
// examined positions (nl or np). Returns the number of items moved.
int moveHighlighted(std::vector<std::string>& source, std::vector<bool>& sourceHighlighted,
                    std::vector<std::string>& destination, int limit);

// A choice made by numbers (the batch front end's --loci and --pops): the
// flags of exactly these items are 1 and the kind's menu item is checked.
// Numbers outside 1..nl or 1..np are an internal error (parse them first).
void chooseByNumbers(Session& session, PickKind kind, const std::vector<int>& numbers);

}  // namespace zeltric::run
