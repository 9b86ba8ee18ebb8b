#include "ui/desktop_start.hpp"

#include "randomisation/seed_file.hpp"
#include "ui/about_box.hpp"

namespace zeltric::ui {

Desktop::Desktop(run::Session& session) : window(session), seedDialog(&window), countDialog(&window) {
    window.setPromptDialogs(&seedDialog, &countDialog);
}

void startDesktop(Desktop& desktop) {
    run::Session& session = desktop.window.session();
    if (!randomisation::loadSeeds(session.generator, session.seedFileName, desktop.window.port())) {
        desktop.window.dialogs().message(
            nullptr, MessageKind::Error,
            QStringLiteral("The seeds could not be saved: the file %1 could not be written.")
                .arg(QString::fromStdString(session.seedFileName)));
    }
    showAboutBox(nullptr);
    desktop.window.show();
}

}  // namespace zeltric::ui
