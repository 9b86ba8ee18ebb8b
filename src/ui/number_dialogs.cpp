#include "ui/number_dialogs.hpp"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

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
      psrnd(named(new QFrame(this), "psrnd")),
      lfirstseed(named(new QLabel(QStringLiteral("First seed? [1..2147483562]"), psrnd), "lfirstseed")),
      Ernd1(named(new QLineEdit(psrnd), "Ernd1")),
      Lsecondseed(named(new QLabel(QStringLiteral("Second seed?  [1..2147483398]"), psrnd), "Lsecondseed")),
      ERnd2(named(new QLineEdit(psrnd), "ERnd2")),
      Button1(named(new QPushButton(QStringLiteral("&OK"), psrnd), "Button1")) {
    setObjectName(QStringLiteral("fseedRnd"));
    setWindowTitle(QStringLiteral("Seeds Random Number generator?"));
    setModal(true);
    psrnd->setFrameShape(QFrame::Panel);
    psrnd->setFrameShadow(QFrame::Raised);

    auto* grid = new QGridLayout(psrnd);
    grid->addWidget(lfirstseed, 0, 0);
    grid->addWidget(Ernd1, 1, 0);
    grid->addWidget(Lsecondseed, 2, 0);
    grid->addWidget(ERnd2, 3, 0);
    grid->addWidget(Button1, 4, 0, Qt::AlignHCenter);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(psrnd);

    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    resize(260, 170);
}

std::optional<std::pair<std::string, std::string>> SeedDialog::prompt() {
    Ernd1->clear();
    ERnd2->clear();
    if (exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return std::make_pair(Ernd1->text().toStdString(), ERnd2->text().toStdString());
}

void SeedDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Ernd1->setFocus(Qt::OtherFocusReason);
}

CountDialog::CountDialog(QWidget* parent)
    : QDialog(parent),
      lnbrand(named(new QLabel(QStringLiteral("Number of randomisations ? [100..15000]"), this), "lnbrand")),
      Enbrand(named(new QLineEdit(QStringLiteral("100"), this), "Enbrand")),
      bOKnbrand(named(new QPushButton(QStringLiteral("OK"), this), "bOKnbrand")) {
    setObjectName(QStringLiteral("fnbrand"));
    setWindowTitle(QStringLiteral("Number of randomisations"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lnbrand);
    layout->addWidget(Enbrand);
    layout->addWidget(bOKnbrand, 0, Qt::AlignHCenter);
    bOKnbrand->setDefault(true);
    connect(bOKnbrand, &QPushButton::clicked, this, &QDialog::accept);
    resize(280, 120);
}

std::optional<std::string> CountDialog::prompt(const std::string& offered) {
    Enbrand->setText(QString::fromStdString(offered));
    if (exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return Enbrand->text().toStdString();
}

void CountDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Enbrand->setFocus(Qt::OtherFocusReason);
    Enbrand->selectAll();
}

}  // namespace zeltric::ui
