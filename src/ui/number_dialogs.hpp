#pragma once

#include <QDialog>

#include <optional>
#include <string>
#include <utility>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zeltric::ui {

// The seed dialog: two one-line fields and OK, no Cancel. Created once at
// start and shown again for every prompt.
class SeedDialog : public QDialog {
    Q_OBJECT
public:
    explicit SeedDialog(QWidget* parent = nullptr);

    // One showing with both fields empty: the two texts on OK, nothing when
    // the dialog was closed another way.
    std::optional<std::pair<std::string, std::string>> prompt();

    QFrame* psrnd;
    QLabel* lfirstseed;
    QLineEdit* Ernd1;
    QLabel* Lsecondseed;
    QLineEdit* ERnd2;
    QPushButton* Button1;

protected:
    void showEvent(QShowEvent* event) override;
};

// The randomisation-count dialog: one field and OK, no Cancel.
class CountDialog : public QDialog {
    Q_OBJECT
public:
    explicit CountDialog(QWidget* parent = nullptr);

    // One showing offering `offered` in the field: the text on OK, nothing
    // when the dialog was closed another way.
    std::optional<std::string> prompt(const std::string& offered);

    QLabel* lnbrand;
    QLineEdit* Enbrand;
    QPushButton* bOKnbrand;

protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace zeltric::ui
