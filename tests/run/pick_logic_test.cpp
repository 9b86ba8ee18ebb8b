#include "run/pick_logic.hpp"

#include <gtest/gtest.h>

namespace zeltric::run {
namespace {

data::Dataset fourLoci() {
    data::Dataset ds;
    ds.nl = 4;
    ds.np = 3;
    const char* names[] = {"", "Loc1", "  b2", "Loc3", "loc4"};
    for (int l = 1; l <= 4; ++l) ds.locusNames[static_cast<std::size_t>(l)] = names[l];
    for (int s = 1; s <= 3; ++s) ds.populationLabels[static_cast<std::size_t>(s)] = std::to_string(s);
    ds.locusSelected.fill(1);
    ds.populationSelected.fill(1);
    return ds;
}

std::vector<int> selectedLoci(const data::Dataset& ds) {
    std::vector<int> loci;
    for (int l = 1; l <= ds.nl; ++l)
        if (ds.locusSelected[static_cast<std::size_t>(l)]) loci.push_back(l);
    return loci;
}

TEST(PickLogic, ItemTextsStartWithTheNumber) {
    const data::Dataset ds = fourLoci();
    EXPECT_EQ(locusItemText(ds, 3), "3. Loc3");
    EXPECT_EQ(locusItemText(ds, 2), "2.   b2");
    EXPECT_EQ(populationItemText(ds, 2), "2. 2");
    EXPECT_EQ(itemTexts(ds, PickKind::Loci),
              (std::vector<std::string>{"1. Loc1", "2.   b2", "3. Loc3", "4. loc4"}));
    EXPECT_EQ(itemTexts(ds, PickKind::Populations).size(), 3u);
}

TEST(PickLogic, ChosenOrderDoesNotMatter) {
    data::Dataset ds = fourLoci();
    EXPECT_EQ(setFlagsFromChosen(ds, PickKind::Loci, {"3. Loc3", "1. Loc1"}), 2);
    EXPECT_EQ(selectedLoci(ds), (std::vector<int>{1, 3}));
    EXPECT_TRUE(checkMarkAfterPick(ds, PickKind::Loci, false));
}

TEST(PickLogic, MatchIsExactAndCaseSensitive) {
    data::Dataset ds = fourLoci();
    EXPECT_EQ(setFlagsFromChosen(ds, PickKind::Loci, {"4. Loc4", "1. Loc1 ", "2. b2"}), 3);
    EXPECT_TRUE(selectedLoci(ds).empty());
}

TEST(PickLogic, ChoosingEverythingAddsNoCheckMarkButKeepsOne) {
    data::Dataset ds = fourLoci();
    setFlagsFromChosen(ds, PickKind::Loci, itemTexts(ds, PickKind::Loci));
    EXPECT_EQ(selectedLoci(ds), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_FALSE(checkMarkAfterPick(ds, PickKind::Loci, false));
    EXPECT_TRUE(checkMarkAfterPick(ds, PickKind::Loci, true));
    // Flags of the other kind play no part.
    ds.populationSelected[2] = 0;
    EXPECT_FALSE(checkMarkAfterPick(ds, PickKind::Loci, false));
    EXPECT_TRUE(checkMarkAfterPick(ds, PickKind::Populations, false));
}

TEST(PickLogic, SamplesWithTheSameLabelStayDistinct) {
    data::Dataset ds = fourLoci();
    ds.populationLabels[1] = ds.populationLabels[2] = "Lake";
    ds.populationLabels[3] = "Sea";
    setFlagsFromChosen(ds, PickKind::Populations, {"2. Lake", "3. Sea"});
    EXPECT_EQ(ds.populationSelected[1], 0);
    EXPECT_EQ(ds.populationSelected[2], 1);
    EXPECT_EQ(ds.populationSelected[3], 1);
    EXPECT_EQ(ds.locusSelected[1], 1);  // the locus flags are untouched
}

TEST(PickLogic, TooSmallChoiceStillSetsFlags) {
    data::Dataset ds = fourLoci();
    const int count = setFlagsFromChosen(ds, PickKind::Populations, {"1. 1"});
    EXPECT_FALSE(choiceIsEnough(PickKind::Populations, count));
    EXPECT_EQ(ds.populationSelected[1], 1);
    EXPECT_EQ(ds.populationSelected[2], 0);
    EXPECT_TRUE(choiceIsEnough(PickKind::Populations, 2));
    EXPECT_FALSE(choiceIsEnough(PickKind::Loci, setFlagsFromChosen(ds, PickKind::Loci, {})));
    EXPECT_TRUE(choiceIsEnough(PickKind::Loci, 1));
}

TEST(PickLogic, MoveTakesHighlightedItemsInOrder) {
    std::vector<std::string> left = {"1. a", "2. b", "3. c", "4. d", "5. e"};
    std::vector<bool> marked = {true, true, false, true, false};
    std::vector<std::string> right = {"9. z"};
    EXPECT_EQ(moveHighlighted(left, marked, right, 5), 3);
    EXPECT_EQ(left, (std::vector<std::string>{"3. c", "5. e"}));
    EXPECT_EQ(marked, (std::vector<bool>{false, false}));
    EXPECT_EQ(right, (std::vector<std::string>{"9. z", "1. a", "2. b", "4. d"}));

    // Moving back appends: lists are not re-sorted.
    std::vector<bool> rightMarked = {false, true, false, false};
    moveHighlighted(right, rightMarked, left, 5);
    EXPECT_EQ(left, (std::vector<std::string>{"3. c", "5. e", "1. a"}));
}

TEST(PickLogic, MoveStopsAfterTheLimitAndOnEmptyLists) {
    std::vector<std::string> left = {"1. a", "2. b", "3. c"};
    std::vector<bool> marked = {true, true, true};
    std::vector<std::string> right;
    EXPECT_EQ(moveHighlighted(left, marked, right, 2), 2);
    EXPECT_EQ(left, (std::vector<std::string>{"3. c"}));
    std::vector<std::string> empty;
    std::vector<bool> none;
    EXPECT_EQ(moveHighlighted(empty, none, right, 4), 0);
    EXPECT_EQ(right.size(), 2u);
}

TEST(PickLogic, ChoosingByNumbersChecksTheItem) {
    Session session;
    session.settings.opened = fourLoci();
    chooseByNumbers(session, PickKind::Loci, {1, 2, 3, 4});
    EXPECT_TRUE(session.settings.selectLoci);
    EXPECT_FALSE(session.settings.selectPops);
    chooseByNumbers(session, PickKind::Populations, {3, 1});
    EXPECT_TRUE(session.settings.selectPops);
    EXPECT_EQ(session.settings.opened.populationSelected[2], 0);
    EXPECT_EQ(session.settings.opened.populationSelected[3], 1);
}

}  // namespace
}  // namespace zeltric::run
