#include "ui/colour_dialog.hpp"

#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>
#include <memory>
#include <utility>

#include "run/shown_results.hpp"
#include "ui/dialog_seam.hpp"
#include "ui/plot_painter.hpp"

namespace zeltric::ui {

namespace {

QPushButton* colorButton(QWidget* parent, const char* name, const QString& caption, int top, std::int32_t color) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(189, top, 60, 20);
    button->setFont(sansSerifFont(11));
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, plotColor(static_cast<std::uint32_t>(color)));
    button->setPalette(palette);
    return button;
}

}  // namespace

ColourDialog::ColourDialog(run::Session& session, QWidget* parent) : QDialog(parent), session_(session) {
    setObjectName(QStringLiteral("fColor"));
    setWindowTitle(QStringLiteral("Color"));
    setFont(sansSerifFont(10));
    // The design's outer size less a typical frame and title bar.
    resize(390, 452);
    move(224, 117);

    sampleList_ = new QListWidget(this);
    sampleList_->setObjectName(QStringLiteral("ListBox1"));
    sampleList_->setGeometry(52, 33, 98, 254);
    sampleList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    sampleList_->setUniformItemSizes(true);

    // The pink button keeps the name it had when it was yellow.
    const struct {
        const char* name;
        const char* caption;
        int top;
        std::int32_t color;
    } buttons[] = {{"bRed", "Red", 91, kColorRed},
                   {"bBlue", "Blue", 130, kColorBlue},
                   {"bYellow", "Pink", 169, kColorPink},
                   {"bGreen", "Green", 208, kColorGreen}};
    for (const auto& button : buttons) {
        const std::int32_t color = button.color;
        connect(colorButton(this, button.name, QString::fromLatin1(button.caption), button.top, color),
                &QPushButton::clicked, this, [this, color] { assign(color); });
    }

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("Button5"));
    okButton_->setGeometry(143, 332, 61, 20);
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

    sampleList_->clear();
    const int np = run::shownSamples(session_.results);
    for (int s = 1; s <= np; ++s) {
        const std::string& label = session_.results.extended
                                       ? session_.results.extended->sampleNames[static_cast<std::size_t>(s - 1)]
                                       : session_.results.analysed.populationLabels[static_cast<std::size_t>(s)];
        const QString line = QString::number(s) + QStringLiteral(". ") + QString::fromStdString(label);
        auto* item = new QListWidgetItem(line, sampleList_);
        item->setSizeHint(QSize(90, 13));
    }
}

void ColourDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    sampleList_->setFocus(Qt::ActiveWindowFocusReason);
}

void ColourDialog::assign(std::int32_t color) {
    const int np = std::min(static_cast<int>(session_.desktop.popColor.size()) - 1, sampleList_->count());
    for (int s = 1; s <= np; ++s) {
        if (sampleList_->item(s - 1)->isSelected()) session_.desktop.popColor[static_cast<std::size_t>(s)] = color;
    }
}

int runColourCommand(run::Session& session, QWidget* parent, DialogSeam& dialogs,
                     const std::function<void()>& redraw) {
    // Each use starts from all samples black, before the dialog lists them.
    auto dialog = std::make_unique<ColourDialog>(session, parent);
    std::fill(session.desktop.popColor.begin(), session.desktop.popColor.end(), 0);

    const int result = dialogs.runDialog(*dialog) ? QDialog::Accepted : QDialog::Rejected;
    if (redraw) redraw();
    return result;
}

}  // namespace zeltric::ui
