#pragma once

#include <QDialog>
#include <QIcon>

class QFrame;
class QLabel;
class QPushButton;

namespace zeltric::ui {

class DialogSeam;

// The about box: program name, version, credit lines, the operating system
// and the machine's total physical memory. Fixed size, created per showing.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);

private:
    // The two lines about this machine.
    void describeMachine();

    QLabel* icon_;
    QLabel* programName_;
    QLabel* version_;
    QLabel* credits_[7];
    QFrame* rule_;
    QLabel* systemLine_;
    QLabel* memoryLabel_;
    QLabel* memoryLine_;
    QPushButton* okButton_;
};

// Shows the about box modally through `dialogs` and destroys it when it
// closes.
void showAboutBox(QWidget* parent, DialogSeam& dialogs);

// The program's icon, drawn rather than loaded so that it needs no file.
QIcon programIcon();

}  // namespace zeltric::ui
