#pragma once

#include <QDialog>
#include <QString>
#include <optional>
#include <string>
#include <utility>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zeltric::ui {

class DialogSeam;

// The seed dialog: two one-line fields and OK, no Cancel. Created once at
// start and shown again for every prompt.
class SeedDialog : public QDialog {
    Q_OBJECT
public:
    explicit SeedDialog(QWidget* parent = nullptr);

    // One showing through `dialogs` with both fields empty: the two texts on
    // OK, nothing when the dialog was closed another way.
    std::optional<std::pair<std::string, std::string>> prompt(DialogSeam& dialogs);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QFrame* panel_;
    QLabel* firstLabel_;
    QLineEdit* firstSeedField_;
    QLabel* secondLabel_;
    QLineEdit* secondSeedField_;
    QPushButton* okButton_;
};

// The randomisation-count dialog: one field and OK, no Cancel.
class CountDialog : public QDialog {
    Q_OBJECT
public:
    explicit CountDialog(QWidget* parent = nullptr);

    // One showing through `dialogs` offering `offered` in the field: the
    // text on OK, nothing when the dialog was closed another way.
    std::optional<std::string> prompt(const std::string& offered, DialogSeam& dialogs);
    // The question above the field (the same dialog asks for replicates).
    void setQuestion(const QString& question);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* questionLabel_;
    QLineEdit* countField_;
    QPushButton* okButton_;
};

}  // namespace zeltric::ui
