#include "run/pick_logic.hpp"

#include <cstddef>

#include "base/fatal_error.hpp"
#include "base/limits.hpp"

namespace zeltric::run {
namespace {

int itemCount(const data::Dataset& dataset, PickKind kind) {
    const int count = kind == PickKind::Loci ? dataset.nl : dataset.np;
    ZELTRIC_ASSERT(count <= (kind == PickKind::Loci ? base::NLMax : base::NPMax));
    return count;
}

std::uint8_t& flag(data::Dataset& dataset, PickKind kind, int item) {
    const auto index = static_cast<std::size_t>(item);
    return kind == PickKind::Loci ? dataset.locusSelected[index] : dataset.populationSelected[index];
}

std::uint8_t flag(const data::Dataset& dataset, PickKind kind, int item) {
    const auto index = static_cast<std::size_t>(item);
    return kind == PickKind::Loci ? dataset.locusSelected[index] : dataset.populationSelected[index];
}

std::string itemText(const data::Dataset& dataset, PickKind kind, int item) {
    return kind == PickKind::Loci ? locusItemText(dataset, item) : populationItemText(dataset, item);
}

}  // namespace

std::string locusItemText(const data::Dataset& dataset, int locus) {
    return std::to_string(locus) + ". " + dataset.locusNames[static_cast<std::size_t>(locus)];
}

std::string populationItemText(const data::Dataset& dataset, int sample) {
    return std::to_string(sample) + ". " + dataset.populationLabels[static_cast<std::size_t>(sample)];
}

std::vector<std::string> itemTexts(const data::Dataset& dataset, PickKind kind) {
    std::vector<std::string> items;
    const int count = itemCount(dataset, kind);
    for (int i = 1; i <= count; ++i) items.push_back(itemText(dataset, kind, i));
    return items;
}

int setFlagsFromChosen(data::Dataset& dataset, PickKind kind, const std::vector<std::string>& chosen) {
    const int count = itemCount(dataset, kind);
    for (int i = 1; i <= count; ++i) flag(dataset, kind, i) = 0;
    for (const std::string& text : chosen)
        for (int i = 1; i <= count; ++i)
            if (itemText(dataset, kind, i) == text) flag(dataset, kind, i) = 1;
    return static_cast<int>(chosen.size());
}

int minimumChoice(PickKind kind) { return kind == PickKind::Loci ? 1 : 2; }

bool choiceIsEnough(PickKind kind, int count) { return count >= minimumChoice(kind); }

bool checkMarkAfterPick(const data::Dataset& dataset, PickKind kind, bool checkedBefore) {
    const int count = itemCount(dataset, kind);
    for (int i = 1; i <= count; ++i)
        if (flag(dataset, kind, i) == 0) return true;
    return checkedBefore;
}

int moveHighlighted(std::vector<std::string>& source, std::vector<bool>& sourceHighlighted,
                    std::vector<std::string>& destination, int limit) {
    ZELTRIC_ASSERT(source.size() == sourceHighlighted.size());
    std::size_t at = 0;
    int moved = 0;
    for (int examined = 0; examined < limit && at < source.size(); ++examined) {
        if (!sourceHighlighted[at]) {
            ++at;
            continue;
        }
        destination.push_back(source[at]);
        source.erase(source.begin() + static_cast<std::ptrdiff_t>(at));
        sourceHighlighted.erase(sourceHighlighted.begin() + static_cast<std::ptrdiff_t>(at));
        ++moved;
    }
    return moved;
}

void chooseByNumbers(Session& session, PickKind kind, const std::vector<int>& numbers) {
    data::Dataset& dataset = session.settings.opened;
    const int count = itemCount(dataset, kind);
    for (int i = 1; i <= count; ++i) flag(dataset, kind, i) = 0;
    for (int number : numbers) {
        ZELTRIC_ASSERT(number >= 1 && number <= count);
        flag(dataset, kind, number) = 1;
    }
    (kind == PickKind::Loci ? session.settings.selectLoci : session.settings.selectPops) = true;
}

}  // namespace zeltric::run
