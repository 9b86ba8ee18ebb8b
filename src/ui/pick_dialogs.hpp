#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "run/session.hpp"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace zeltric::ui {

class DialogSeam;

// The two-list selection dialog shared by the locus and population dialogs:
// the left list offers the items, the right one collects the chosen ones.
class PickDialog : public QDialog {
    Q_OBJECT
public:
    // `walkLimit`: the move buttons examine at most this many positions.
    PickDialog(int walkLimit, QWidget* parent);

    // Both lists emptied, then `texts` offered on the left.
    void offer(const std::vector<std::string>& texts);
    QStringList chosenTexts() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void chooseHighlighted();    // highlighted items left to right
    void unchooseHighlighted();  // highlighted items right to left
    void move(QListWidget& source, QListWidget& destination);
    void moveOne(QListWidget& source, QListWidget& destination, QListWidgetItem* item);
    QListWidget* offeredList_;
    QListWidget* chosenList_;
    QPushButton* okButton_;
    QPushButton* chooseButton_;
    QPushButton* unchooseButton_;
    int walkLimit_;
};

class LocusPickDialog : public PickDialog {
    Q_OBJECT
public:
    LocusPickDialog(int loci, QWidget* parent);

private:
    QLabel* offeredLabel_;
    QLabel* chosenLabel_;
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
// Every showing goes through `dialogs`.
void runLocusCommand(run::Session& session, QWidget* parent, DialogSeam& dialogs);
void runPopulationCommand(run::Session& session, QWidget* parent, DialogSeam& dialogs);

}  // namespace zeltric::ui
