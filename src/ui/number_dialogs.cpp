#include "ui/number_dialogs.hpp"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/messages_ranges.hpp"
#include "ui/dialog_seam.hpp"

namespace zeltric::ui {

namespace {

template <typename T>
T* named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace

SeedDialog::SeedDialog(QWidget* parent)
    : QDialog(parent),
      panel_(named(new QFrame(this), "psrnd")),
      firstLabel_(named(new QLabel(QString::fromStdString(base::firstSeedQuestion()), panel_), "lfirstseed")),
      firstSeedField_(named(new QLineEdit(panel_), "Ernd1")),
      secondLabel_(named(new QLabel(QString::fromStdString(base::secondSeedQuestion()), panel_), "Lsecondseed")),
      secondSeedField_(named(new QLineEdit(panel_), "ERnd2")),
      okButton_(named(new QPushButton(QStringLiteral("&OK"), panel_), "Button1")) {
    setObjectName(QStringLiteral("fseedRnd"));
    setWindowTitle(QString::fromStdString(base::seedQuestionTitle()));
    setModal(true);
    panel_->setFrameShape(QFrame::Panel);
    panel_->setFrameShadow(QFrame::Raised);

    auto* grid = new QGridLayout(panel_);
    grid->addWidget(firstLabel_, 0, 0);
    grid->addWidget(firstSeedField_, 1, 0);
    grid->addWidget(secondLabel_, 2, 0);
    grid->addWidget(secondSeedField_, 3, 0);
    grid->addWidget(okButton_, 4, 0, Qt::AlignHCenter);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(panel_);

    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    resize(260, 170);
}

std::optional<std::pair<std::string, std::string>> SeedDialog::prompt(DialogSeam& dialogs) {
    firstSeedField_->clear();
    secondSeedField_->clear();
    if (!dialogs.runDialog(*this)) {
        return std::nullopt;
    }
    return std::make_pair(firstSeedField_->text().toStdString(), secondSeedField_->text().toStdString());
}

void SeedDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    firstSeedField_->setFocus(Qt::OtherFocusReason);
}

CountDialog::CountDialog(QWidget* parent)
    : QDialog(parent),
      questionLabel_(
          named(new QLabel(QString::fromStdString(base::randomisationCountQuestion()), this), "lnbrand")),
      countField_(named(new QLineEdit(QStringLiteral("100"), this), "Enbrand")),
      okButton_(named(new QPushButton(QStringLiteral("OK"), this), "bOKnbrand")) {
    setObjectName(QStringLiteral("fnbrand"));
    setWindowTitle(QStringLiteral("Number of randomisations"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(questionLabel_);
    layout->addWidget(countField_);
    layout->addWidget(okButton_, 0, Qt::AlignHCenter);
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    resize(280, 120);
}

std::optional<std::string> CountDialog::prompt(const std::string& offered, DialogSeam& dialogs) {
    countField_->setText(QString::fromStdString(offered));
    if (!dialogs.runDialog(*this)) {
        return std::nullopt;
    }
    return countField_->text().toStdString();
}

void CountDialog::setQuestion(const QString& question) { questionLabel_->setText(question); }

void CountDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    countField_->setFocus(Qt::OtherFocusReason);
    countField_->selectAll();
}

}  // namespace zeltric::ui
