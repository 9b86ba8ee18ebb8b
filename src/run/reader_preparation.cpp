#include "run/reader_preparation.hpp"

#include "base/fatal_error.hpp"
#include "base/messages_run.hpp"
#include "base/output_file.hpp"
#include "data/selection_filter.hpp"

namespace zeltric::run {

void prepareReader(Session& session, std::string& readPath) {
    const bool loci = session.settings.selectLoci;
    const bool pops = session.settings.selectPops;
    if (!loci && !pops) return;
    const std::string base =
        data::selectionBaseName(session.results.dataFileName, session.settings.opened, loci, pops);
    const std::string filtered = base + ".dat";
    for (const std::string* own : {&session.settings.labelFileName, &session.settings.seedFileName})
        if (!own->empty() && base::sameFile(filtered, *own))
            throw base::FatalError(base::filteredFileWouldReplaceMessage(filtered, *own));
    session.results.dataSha256 =
        data::writeFilteredDataFile(session.settings.opened, session.settings.openedPath, filtered, loci, pops);
    data::applySelection(session.results.analysed, session.settings.opened, loci, pops);
    session.results.dataFileName = base;
    readPath = filtered;
}

}  // namespace zeltric::run
