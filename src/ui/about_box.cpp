#include "ui/about_box.hpp"

#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <algorithm>
#include <memory>

#include "ui/dialog_seam.hpp"
#include "ui/system_info.hpp"

namespace zeltric::ui {

namespace {

QLabel* placedLabel(QWidget* parent, const char* name, const QString& text, int left, int top, int pixelSize,
                    bool bold = false, bool italic = false, bool underline = false,
                    const QColor& color = Qt::black) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    label->adjustSize();
    label->move(left, top);
    return label;
}

struct CreditLine {
    const char* text;
    int left;
    int top;
    bool italicNavy;
};

constexpr CreditLine kCredits[7] = {
    {"Principal component analysis of", 58, 65, false},
    {"allele frequencies among samples,", 58, 80, false},
    {"with Fst per axis, a permutation", 58, 96, false},
    {"test and an ordination plot.", 58, 112, false},
    {"Made by the ZELTRIC project.", 58, 128, false},
    {"Free software for", 104, 144, true},
    {"population genetics", 144, 160, true},
};

}  // namespace

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About ZELTRIC"));
    setFixedSize(342, 258);

    icon_ = new QLabel(this);
    icon_->setObjectName(QStringLiteral("Image1"));
    icon_->setGeometry(9, 11, 32, 32);
    icon_->setPixmap(programIcon().pixmap(32, 32));

    programName_ = placedLabel(this, "SKUName", QStringLiteral("ZELTRIC"), 82, 9, 19, true, false, true);
    version_ = placedLabel(this, "Version", QStringLiteral("Version 1.2"), 82, 35, 13);
    for (int i = 0; i < 7; ++i) {
        const CreditLine& line = kCredits[i];
        const QByteArray name = "Credit" + QByteArray::number(i + 1);
        credits_[i] = placedLabel(this, name.constData(), QString::fromLatin1(line.text), line.left, line.top, 11,
                                  !line.italicNavy, line.italicNavy, false,
                                  line.italicNavy ? QColor(0, 0, 128) : QColor(Qt::black));
    }

    rule_ = new QFrame(this);
    rule_->setObjectName(QStringLiteral("Bevel1"));
    rule_->setFrameShape(QFrame::HLine);
    rule_->setFrameShadow(QFrame::Sunken);
    rule_->setGeometry(86, 182, 251, 2);

    systemLine_ = placedLabel(this, "OS", QString(), 86, 191, 11);
    memoryLabel_ = placedLabel(this, "Label3", QStringLiteral("Memory Available to Windows:"), 86, 208, 11);
    memoryLine_ = placedLabel(this, "PhysMem", QStringLiteral("0"), 0, 208, 11);
    memoryLine_->setAlignment(Qt::AlignRight | Qt::AlignTop);

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("OKButton"));
    okButton_->setGeometry(256, 223, 75, 25);
    // Default and cancel button at once: Enter clicks it, Escape rejects the
    // dialog, and both close the box.
    okButton_->setDefault(true);
    okButton_->setAutoDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

    describeMachine();
}

void AboutBox::describeMachine() {
    systemLine_->setText(QString::fromStdString(formatOsLine(currentOsVersion())));
    systemLine_->adjustSize();
    const std::string separator = QLocale::system().groupSeparator().toStdString();
    memoryLine_->setText(QString::fromStdString(formatMemoryLine(totalPhysicalMemory(), separator)));
    memoryLine_->adjustSize();
    // Right-aligned on the edge at 329, unless the substitute font makes the
    // two texts of the line meet: then it starts just after the label.
    const int left = std::max(329 - memoryLine_->width(), memoryLabel_->geometry().right() + 5);
    memoryLine_->move(left, 208);
}

void showAboutBox(QWidget* parent, DialogSeam& dialogs) {
    auto box = std::make_unique<AboutBox>(parent);
    dialogs.runDialog(*box);
}

QIcon programIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 0, 128), 1.5));
    painter.drawLine(4, 28, 30, 28);
    painter.drawLine(4, 28, 4, 2);
    const QColor colours[] = {QColor(200, 0, 0), QColor(0, 140, 0), QColor(0, 0, 200), QColor(200, 120, 0)};
    const QPoint points[] = {QPoint(10, 20), QPoint(17, 9), QPoint(24, 16), QPoint(13, 13)};
    for (int i = 0; i < 4; ++i) {
        painter.setBrush(colours[i]);
        painter.setPen(Qt::black);
        painter.drawRect(points[i].x() - 2, points[i].y() - 2, 5, 5);
    }
    painter.end();
    return QIcon(pixmap);
}

}  // namespace zeltric::ui
