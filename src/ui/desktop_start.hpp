#pragma once

#include <QString>

#include "run/session.hpp"
#include "ui/main_window.hpp"
#include "ui/number_dialogs.hpp"

namespace zeltric::ui {

// The windows that live from start to exit, created in the order the start
// requires: the main window, then the seed dialog, then the count dialog.
struct Desktop {
    explicit Desktop(run::Session& session);

    MainWindow window;
    SeedDialog seedDialog;
    CountDialog countDialog;
};

// Program start after the windows exist: the seeds (asking until valid ones
// are given), the about box, then the main window is shown.
void startDesktop(Desktop& desktop);

// A data file named on the command line (as a file manager passes it when a
// .dat file is opened with the program): opened exactly as File > Open opens
// a chosen file, on the first turn of the event loop, so that an error that
// ends the program ends it from inside the loop. A path that is not an
// existing file is reported and nothing is opened.
void openAtStart(Desktop& desktop, const QString& path);

}  // namespace zeltric::ui
