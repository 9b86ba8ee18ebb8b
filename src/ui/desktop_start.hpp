#pragma once

#include "run/session.hpp"
#include "ui/main_window.hpp"
#include "ui/number_dialogs.hpp"

namespace zeltric::ui {

// The windows that live from start to exit, created in the order the start
// requires: the main window, then the seed dialog, then the count dialog.
struct Desktop {
    explicit Desktop(run::Session& session);

    Tfpca window;
    TfseedRnd seedDialog;
    Tfnbrand countDialog;
};

// Program start after the windows exist: the seeds (asking until valid ones
// are given), the about box, then the main window is shown.
void startDesktop(Desktop& desktop);

}  // namespace zeltric::ui
