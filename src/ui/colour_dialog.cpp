#include "ui/colour_dialog.hpp"

#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <memory>
#include <utility>

#include "ui/plot_painter.hpp"

namespace zeltric::ui {

namespace {

std::function<void(ColourDialog&)>& script() {
    static std::function<void(ColourDialog&)> instance;
    return instance;
}

QPushButton* colorButton(QWidget* parent, const char* name, const QString& caption, int top,
                         std::int32_t color) {
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

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(52, 33, 98, 254);
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBox1->setUniformItemSizes(true);

    bRed = colorButton(this, "bRed", QStringLiteral("Red"), 91, kColorRed);
    bBlue = colorButton(this, "bBlue", QStringLiteral("Blue"), 130, kColorBlue);
    bYellow = colorButton(this, "bYellow", QStringLiteral("Pink"), 169, kColorPink);
    bGreen = colorButton(this, "bGreen", QStringLiteral("Green"), 208, kColorGreen);

    Button5 = new QPushButton(QStringLiteral("OK"), this);
    Button5->setObjectName(QStringLiteral("Button5"));
    Button5->setGeometry(143, 332, 61, 20);
    Button5->setDefault(true);

    connect(bRed, &QPushButton::clicked, this, &ColourDialog::bRedClick);
    connect(bBlue, &QPushButton::clicked, this, &ColourDialog::bBlueClick);
    connect(bYellow, &QPushButton::clicked, this, &ColourDialog::bYellowClick);
    connect(bGreen, &QPushButton::clicked, this, &ColourDialog::bGreenClick);
    connect(Button5, &QPushButton::clicked, this, &QDialog::accept);

    ListBox1->clear();
    const int np = std::min(static_cast<int>(session_.analysed.np), data::NPMax);
    for (int s = 1; s <= np; ++s) {
        const QString line =
            QString::number(s) + QStringLiteral(". ") +
            QString::fromStdString(session_.analysed.populationLabels[static_cast<std::size_t>(s)]);
        auto* item = new QListWidgetItem(line, ListBox1);
        item->setSizeHint(QSize(90, 13));
    }
}

void ColourDialog::FormActivate() { ListBox1->setFocus(Qt::ActiveWindowFocusReason); }

void ColourDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

void ColourDialog::assign(std::int32_t color) {
    const int np = std::min(static_cast<int>(session_.analysed.np), ListBox1->count());
    for (int s = 1; s <= np; ++s) {
        if (ListBox1->item(s - 1)->isSelected())
            session_.popColor[static_cast<std::size_t>(s)] = color;
    }
}

void ColourDialog::setScript(std::function<void(ColourDialog&)> newScript) {
    script() = std::move(newScript);
}

int runColorCommand(run::Session& session, QWidget* parent, const std::function<void()>& redraw) {
    // Each use starts from all samples black, before the dialog lists them.
    auto dialog = std::make_unique<ColourDialog>(session, parent);
    const int np = std::min(static_cast<int>(session.analysed.np), data::NPMax);
    for (int s = 1; s <= np; ++s) session.popColor[static_cast<std::size_t>(s)] = 0;

    if (script()) {
        QPointer<ColourDialog> target(dialog.get());
        QTimer::singleShot(0, dialog.get(), [target] {
            if (target == nullptr) return;
            script()(*target);
            if (target != nullptr && target->isVisible()) target->reject();
        });
    }
    const int result = dialog->exec();
    if (redraw) redraw();
    return result;
}

}  // namespace zeltric::ui
