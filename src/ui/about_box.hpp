#pragma once

#include <QDialog>
#include <QIcon>

class QFrame;
class QLabel;
class QPushButton;

namespace zeltric::ui {

// The about box: program name, version, credit lines, the operating system
// and the machine's total physical memory. Fixed size, created per showing.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);

    QLabel* Image1;
    QLabel* SKUName;
    QLabel* Version;
    QLabel* credits[7];
    QFrame* Bevel1;
    QLabel* OS;
    QLabel* Label3;
    QLabel* PhysMem;
    QPushButton* OKButton;

private:
    void FormCreate();
};

// Shows the about box modally and destroys it when it closes.
void showAboutBox(QWidget* parent);

// The program's icon, drawn rather than loaded so that it needs no file.
QIcon programIcon();

}  // namespace zeltric::ui
