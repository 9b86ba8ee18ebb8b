#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>

#include "run/session.hpp"

class QListWidget;
class QPushButton;

namespace zeltric::ui {

class DialogSeam;

// The four sample colours of the plot, 0x00BBGGRR.
inline constexpr std::int32_t kColorRed = 0x0000FF;
inline constexpr std::int32_t kColorBlue = 0xFF0000;
inline constexpr std::int32_t kColorPink = 0xFF00FF;
inline constexpr std::int32_t kColorGreen = 0x00FF00;

// The colour assignment dialog: one list line "s. label" per analysed
// sample; each colour button stores its colour at once in popColor for every
// selected line. Created for one use by runColourCommand.
class ColourDialog : public QDialog {
    Q_OBJECT

public:
    explicit ColourDialog(run::Session& session, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void assign(std::int32_t color);

    run::Session& session_;
    QListWidget* sampleList_ = nullptr;
    QPushButton* okButton_ = nullptr;
};

// The colour command: creates the dialog, resets popColor of samples 1..np to
// black, lists the samples, shows the dialog modally through `dialogs`, calls
// `redraw` and destroys the dialog. The colours clicked stand whatever way
// the dialog was closed. Returns the dialog's result.
int runColourCommand(run::Session& session, QWidget* parent, DialogSeam& dialogs,
                     const std::function<void()>& redraw);

}  // namespace zeltric::ui
