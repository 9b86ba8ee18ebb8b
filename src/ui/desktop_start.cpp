#include "ui/desktop_start.hpp"

#include <QFileInfo>
#include <QPointer>
#include <QTimer>

#include "base/messages.hpp"
#include "run/asking.hpp"
#include "ui/about_box.hpp"

namespace zeltric::ui {

Desktop::Desktop(run::Session& session) : window(session), seedDialog(&window), countDialog(&window) {
    window.setPromptDialogs(&seedDialog, &countDialog);
}

void startDesktop(Desktop& desktop) {
    run::Session& session = desktop.window.session();
    if (!run::loadSeeds(session.settings.generator, session.settings.seedFileName, desktop.window.port())) {
        desktop.window.dialogs().message(
            nullptr, MessageKind::Error,
            QString::fromStdString(base::seedsNotSavedMessage(session.settings.seedFileName)));
    }
    showAboutBox(nullptr, desktop.window.dialogs());
    desktop.window.show();
}

void openAtStart(Desktop& desktop, const QString& path) {
    QPointer<MainWindow> window(&desktop.window);
    QTimer::singleShot(0, window, [window, path] {
        if (window.isNull()) {
            return;
        }
        const QFileInfo file(path);
        if (!file.isFile()) {
            window->dialogs().message(window, MessageKind::Error,
                                      QString::fromStdString(base::dataFileMissingMessage(path.toStdString())));
            return;
        }
        // The same open as a file chosen in File > Open; File > Open then
        // starts in its folder.
        window->openFile(file.absoluteFilePath());
    });
}

}  // namespace zeltric::ui
