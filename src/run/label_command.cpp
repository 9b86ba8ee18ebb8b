#include "run/label_command.hpp"

#include <algorithm>

#include "data/label_file.hpp"

namespace zeltric::run {

namespace {

// The plot and colour dialog read the analysed labels; after a go step they
// follow the opened file's labels through the recorded numbering.
void relabelAnalysed(Session& session) {
    if (!session.runDone) return;
    const int np = std::min(static_cast<int>(session.analysed.np), base::NPMax);
    for (int s = 1; s <= np; ++s) {
        const std::uint16_t origin = session.analysedOrigin[static_cast<std::size_t>(s)];
        if (origin >= 1 && origin <= session.opened.np)
            session.analysed.populationLabels[static_cast<std::size_t>(s)] =
                session.opened.populationLabels[origin];
    }
}

}  // namespace

void labelCommand(Session& session, const std::optional<std::string>& chosenPath) {
    data::setDefaultLabels(session.opened);
    if (chosenPath) session.labelFileName = *chosenPath;
    if (session.labelFileName.empty()) {
        session.menu.labelChecked = false;
        relabelAnalysed(session);
        return;
    }
    session.menu.labelChecked = false;  // until the file has been read
    session.labelSha256.clear();
    try {
        session.labelSha256 = data::readLabelFile(session.opened, session.labelFileName);
    } catch (...) {
        relabelAnalysed(session);  // the sample numbers, as in the opened file
        throw;
    }
    session.menu.labelChecked = true;
    relabelAnalysed(session);
}

void recordAnalysedOrigin(Session& session) {
    session.analysedOrigin.fill(0);
    const data::Dataset& opened = session.opened;
    const bool popsChecked = session.menu.popsChecked;
    std::size_t next = 0;
    for (int s = 1; s <= std::min(static_cast<int>(opened.np), base::NPMax); ++s) {
        if (popsChecked && opened.populationSelected[static_cast<std::size_t>(s)] == 0) continue;
        session.analysedOrigin[++next] = static_cast<std::uint16_t>(s);
    }
}

}  // namespace zeltric::run
