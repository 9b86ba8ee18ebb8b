#pragma once

#include <QDialog>

#include "run/session.hpp"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace zeltric::ui {

// The two-list selection dialog shared by the locus and population dialogs:
// the left list offers the items, the right one collects the chosen ones.
class PickDialog : public QDialog {
    Q_OBJECT
public:
    // `walkLimit`: the move buttons examine at most this many positions.
    PickDialog(int walkLimit, QWidget* parent);

    QListWidget* ListBox1;
    QListWidget* ListBox2;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;

    void Button2Click();  // highlighted items left to right
    void Button3Click();  // highlighted items right to left

    QStringList chosenTexts() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void move(QListWidget& source, QListWidget& destination);
    void moveOne(QListWidget& source, QListWidget& destination, QListWidgetItem* item);
    int walkLimit_;
};

class LocusPickDialog : public PickDialog {
    Q_OBJECT
public:
    LocusPickDialog(int loci, QWidget* parent);
    QLabel* label1;
    QLabel* Label2;
};

class SamplePickDialog : public PickDialog {
    Q_OBJECT
public:
    SamplePickDialog(int samples, QWidget* parent);
};

// "Loci to use" and "Pops to use": show the dialog (again while the choice is
// too small), then set the flags of the opened data set and the check mark.
// Closing the dialog by its frame before any OK ends the command with flags
// and check mark unchanged; after an OK with too small a choice it comes back.
void runLocusCommand(run::Session& session, QWidget* parent);
void runPopulationCommand(run::Session& session, QWidget* parent);

}  // namespace zeltric::ui
