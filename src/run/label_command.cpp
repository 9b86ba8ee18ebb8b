#include "run/label_command.hpp"

#include <algorithm>

#include "data/label_file.hpp"

namespace zeltric::run {

namespace {

// The plot and colour dialog read the analysed labels; after a go step they
// follow the opened file's labels through the recorded numbering.
void relabelAnalysed(Session& session) {
    if (!session.results.runDone) return;
    const int np = std::min(static_cast<int>(session.results.analysed.np), base::NPMax);
    for (int s = 1; s <= np; ++s) {
        const std::uint16_t origin = session.results.analysedOrigin[static_cast<std::size_t>(s)];
        if (origin >= 1 && origin <= session.settings.opened.np)
            session.results.analysed.populationLabels[static_cast<std::size_t>(s)] =
                session.settings.opened.populationLabels[origin];
    }
}

}  // namespace

void labelCommand(Session& session, const std::optional<std::string>& chosenPath) {
    data::setDefaultLabels(session.settings.opened);
    if (chosenPath) session.settings.labelFileName = *chosenPath;
    if (session.settings.labelFileName.empty()) {
        session.settings.useLabels = false;
        relabelAnalysed(session);
        return;
    }
    session.settings.useLabels = false;  // until the file has been read
    session.settings.labelSha256.clear();
    try {
        session.settings.labelSha256 =
            data::readLabelFile(session.settings.opened, session.settings.labelFileName);
    } catch (...) {
        relabelAnalysed(session);  // the sample numbers, as in the opened file
        throw;
    }
    session.settings.useLabels = true;
    relabelAnalysed(session);
}

void recordAnalysedOrigin(Session& session) {
    session.results.analysedOrigin.fill(0);
    const data::Dataset& opened = session.settings.opened;
    const bool selectPops = session.settings.selectPops;
    std::size_t next = 0;
    for (int s = 1; s <= std::min(static_cast<int>(opened.np), base::NPMax); ++s) {
        if (selectPops && opened.populationSelected[static_cast<std::size_t>(s)] == 0) continue;
        session.results.analysedOrigin[++next] = static_cast<std::uint16_t>(s);
    }
}

}  // namespace zeltric::run
