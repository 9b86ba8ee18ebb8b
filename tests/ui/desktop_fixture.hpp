#pragma once

// One desktop program instance for the window tests: a session, the three
// lasting windows, and a folder holding the data and seed files. Boxes are
// recorded, not shown, and ending the program is recorded, not done.

#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include <optional>
#include <string>
#include <vector>

#include "run/session.hpp"
#include "test_support.hpp"
#include "ui/desktop_settings.hpp"
#include "ui/desktop_start.hpp"
#include "ui/main_window.hpp"
#include "ui/number_dialogs.hpp"
#include "ui_test_support.hpp"

using zeltric::test::control;

namespace zeltric::test {

struct DesktopFixture {
    TempDir dir;
    run::Session session;
    std::optional<ui::Desktop> desktop;
    std::vector<int> endCodes;

    DesktopFixture() {
        // Settings of the test mode, never the user's, in a folder of this
        // process (window test programs run in parallel); each case starts
        // as a first start.
        static const TempDir settingsFolder;
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(settingsFolder.path().string()));
        ui::clearDesktopSettings();
        session.settings.seedFileName = dir.file("ZELTRIC.INI");
        desktop.emplace(session);
        window().dialogs().setRecordMessages(true);
        window().setEndProgram([this](int code) { endCodes.push_back(code); });
    }
    ui::MainWindow& window() { return desktop->window; }

    // Switches Testing on, confirming `count` in the count dialog.
    void testingOn(ModalScript& script, const QString& count) {
        script.then([count](QDialog& dialog) {
            auto& countDialog = static_cast<ui::CountDialog&>(dialog);
            control<QLineEdit>(countDialog, "Enbrand")->setText(count);
            control<QPushButton>(countDialog, "bOKnbrand")->click();
        });
        control<QAction>(window(), "mTesting")->trigger();
    }

    // File > Open, answering the file dialog with `path`.
    void open(const std::string& path) {
        window().dialogs().setNextFileName(QString::fromStdString(path));
        control<QAction>(window(), "mfopen")->trigger();
    }

    // Go, with Cancel pressed as soon as the event loop runs (during the test).
    void goAndCancel() {
        ui::MainWindow& w = window();
        QTimer::singleShot(0, &w, [&w] { control<QPushButton>(w, "bCancel")->click(); });
        control<QAction>(w, "mGo")->trigger();
    }

    // The small data file, seeds 1,1 and a 15,000-randomisation test,
    // cancelled while it runs.
    void cancelLongTest(ModalScript& script) {
        session.settings.generator.seed1 = 1;
        session.settings.generator.seed2 = 1;
        open(writeData());
        testingOn(script, "15000");
        goAndCancel();
    }

    std::string writeData(const std::string& name = "small.dat", const char* content = kSmallData) {
        const std::string path = dir.file(name);
        writeFile(path, content);
        return path;
    }
};

}  // namespace zeltric::test
