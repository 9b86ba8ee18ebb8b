#include "run/reader_preparation.hpp"

#include "base/fatal_error.hpp"
#include "base/output_file.hpp"
#include "data/selection_filter.hpp"

namespace zeltric::run {

void prepareReader(Session& session, std::string& readPath) {
    const bool loci = session.menu.lociChecked;
    const bool pops = session.menu.popsChecked;
    if (!loci && !pops) return;
    const std::string base = data::selectionBaseName(session.dataFileName, session.opened, loci, pops);
    const std::string filtered = base + ".dat";
    for (const std::string* own : {&session.labelFileName, &session.seedFileName})
        if (!own->empty() && base::sameFile(filtered, *own))
            throw base::FatalError("The filtered data file \"" + filtered + "\" would replace \"" + *own +
                                   "\"; nothing was written.");
    session.dataSha256 = data::writeFilteredDataFile(session.opened, session.openedPath, filtered, loci, pops);
    data::applySelection(session.analysed, session.opened, loci, pops);
    session.dataFileName = base;
    readPath = filtered;
}

}  // namespace zeltric::run
