#include "run/go_bootstrap.hpp"

#include "base/limits.hpp"
#include "base/messages_run.hpp"
#include "base/output_file.hpp"
#include "randomisation/bootstrap.hpp"
#include "randomisation/integer_entry.hpp"
#include "run/port_observer.hpp"
#include "run/steps.hpp"

namespace zeltric::run {

void runBootstrapStage(Session& session, UserInterface& ui) {
    session.results.bootstrap = {};
    PortObserver observer(ui);
    endBootstrapStage(session, ui,
                      randomisation::runBootstrap(session.results.analysed, session.results.pca,
                                                  session.settings.bootstrapReplicates,
                                                  session.settings.bootstrapSeed1, session.settings.bootstrapSeed2,
                                                  session.settings.threads, observer, session.settings.kernels));
}

void endBootstrapStage(Session& session, UserInterface& ui, const randomisation::BootstrapOutcome& outcome) {
    if (outcome.cancelled) {
        ui.information(base::bootstrapCancelledMessage());
        return;
    }
    session.results.bootstrap = outcome.summaries;
    const std::string resultsPath = outputPath(session, ".pca");
    base::appendToFile(resultsPath, randomisation::bootstrapSectionText(session.results.bootstrap));
    ui.showResults(resultsPath);
}

void bootstrapToggle(Session& session, const CountPrompt& askCount) {
    session.settings.bootstrapOn = !session.settings.bootstrapOn;
    if (!session.settings.bootstrapOn) return;
    for (;;) {
        const auto answer = askCount("1000");
        if (!answer) continue;
        const auto count = randomisation::parseIntegerEntry(*answer);
        if (count && *count >= base::kMinReplicates && *count <= base::kMaxReplicates) {
            session.settings.bootstrapReplicates = *count;
            return;
        }
    }
}

}  // namespace zeltric::run
