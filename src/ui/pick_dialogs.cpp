#include "ui/pick_dialogs.hpp"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <memory>
#include <string>
#include <vector>

#include "run/pick_logic.hpp"

namespace zeltric::ui {

namespace {

QListWidget* pickList(QWidget* parent, const char* name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    return list;
}

QPushButton* pickButton(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

}  // namespace

PickDialog::PickDialog(int walkLimit, QWidget* parent)
    : QDialog(parent),
      ListBox1(pickList(this, "ListBox1")),
      ListBox2(pickList(this, "ListBox2")),
      Button1(pickButton(this, "Button1", "OK")),
      Button2(pickButton(this, "Button2", ">")),
      Button3(pickButton(this, "Button3", "<")),
      walkLimit_(walkLimit) {
    setModal(true);
    auto* grid = new QGridLayout(this);
    grid->addWidget(ListBox1, 1, 0, 4, 1);
    grid->addWidget(Button2, 2, 1);
    grid->addWidget(Button3, 3, 1);
    grid->addWidget(ListBox2, 1, 2, 4, 1);
    grid->addWidget(Button1, 5, 0, 1, 3, Qt::AlignHCenter);
    grid->setRowStretch(1, 1);
    grid->setRowStretch(4, 1);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &PickDialog::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &PickDialog::Button3Click);
    // A double click moves that one item to the other list.
    connect(ListBox1, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { moveOne(*ListBox1, *ListBox2, item); });
    connect(ListBox2, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { moveOne(*ListBox2, *ListBox1, item); });
    // Tab walks the dialog as it reads: offered items, the move buttons, the
    // chosen items, OK.
    setTabOrder(ListBox1, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, ListBox2);
    setTabOrder(ListBox2, Button1);
    resize(420, 300);
}

void PickDialog::Button2Click() { move(*ListBox1, *ListBox2); }

void PickDialog::Button3Click() { move(*ListBox2, *ListBox1); }

void PickDialog::moveOne(QListWidget& source, QListWidget& destination, QListWidgetItem* item) {
    if (item == nullptr) {
        return;
    }
    source.clearSelection();
    item->setSelected(true);
    move(source, destination);
}

void PickDialog::move(QListWidget& source, QListWidget& destination) {
    std::vector<std::string> sourceTexts;
    std::vector<bool> highlighted;
    for (int row = 0; row < source.count(); ++row) {
        const QListWidgetItem* item = source.item(row);
        sourceTexts.push_back(item->text().toStdString());
        highlighted.push_back(item->isSelected());
    }
    std::vector<std::string> destinationTexts;
    for (int row = 0; row < destination.count(); ++row) {
        destinationTexts.push_back(destination.item(row)->text().toStdString());
    }
    if (run::moveHighlighted(sourceTexts, highlighted, destinationTexts, walkLimit_) == 0) {
        return;
    }
    // Items left behind keep their highlight; moved ones arrive plain.
    source.clear();
    for (std::size_t i = 0; i < sourceTexts.size(); ++i) {
        auto* item = new QListWidgetItem(QString::fromStdString(sourceTexts[i]), &source);
        item->setSelected(highlighted[i]);
    }
    for (int row = destination.count(); row < static_cast<int>(destinationTexts.size()); ++row) {
        destination.addItem(QString::fromStdString(destinationTexts[static_cast<std::size_t>(row)]));
    }
}

QStringList PickDialog::chosenTexts() const {
    QStringList texts;
    for (int row = 0; row < ListBox2->count(); ++row) {
        texts << ListBox2->item(row)->text();
    }
    return texts;
}

void PickDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ListBox1->setFocus(Qt::OtherFocusReason);
}

LocusPickDialog::LocusPickDialog(int loci, QWidget* parent)
    : PickDialog(loci, parent),
      label1(new QLabel(QStringLiteral("Loci to choose from :"), this)),
      Label2(new QLabel(QStringLiteral("Chosen loci :"), this)) {
    setObjectName(QStringLiteral("fpickloci"));
    setWindowTitle(QStringLiteral("Pick Loci"));
    label1->setObjectName(QStringLiteral("label1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    auto* grid = static_cast<QGridLayout*>(layout());
    grid->addWidget(label1, 0, 0);
    grid->addWidget(Label2, 0, 2);
}

SamplePickDialog::SamplePickDialog(int samples, QWidget* parent) : PickDialog(samples, parent) {
    setObjectName(QStringLiteral("Fpickpop"));
    setWindowTitle(QStringLiteral("pick pop"));
}

namespace {

std::vector<std::string> toStrings(const QStringList& texts) {
    std::vector<std::string> strings;
    strings.reserve(static_cast<std::size_t>(texts.size()));
    for (const QString& text : texts) {
        strings.push_back(text.toStdString());
    }
    return strings;
}

// The menu command around one dialog instance: fill the left list, pick until
// the choice is large enough, then the check mark.
void runPickCommand(run::Session& session, run::PickKind kind, PickDialog& dialog, bool& checkMark) {
    data::Dataset& dataset = session.opened;
    dialog.ListBox1->clear();
    dialog.ListBox2->clear();
    for (const std::string& text : run::itemTexts(dataset, kind)) {
        dialog.ListBox1->addItem(QString::fromStdString(text));
    }
    bool confirmedOnce = false;
    while (true) {
        if (dialog.exec() == QDialog::Accepted) {
            confirmedOnce = true;
            const int chosen = run::setFlagsFromChosen(dataset, kind, toStrings(dialog.chosenTexts()));
            if (run::choiceIsEnough(kind, chosen)) {
                break;
            }
        } else if (!confirmedOnce) {
            // Closed by its frame before any OK: nothing was chosen, so the
            // flags and the check mark stay as they were.
            return;
        }
        // Too small a choice (or closed after one): the dialog comes back
        // with the lists as the user left them.
    }
    checkMark = run::checkMarkAfterPick(dataset, kind, checkMark);
}

}  // namespace

void runLocusCommand(run::Session& session, QWidget* parent) {
    auto dialog = std::make_unique<LocusPickDialog>(session.opened.nl, parent);
    runPickCommand(session, run::PickKind::Loci, *dialog, session.menu.lociChecked);
}

void runPopulationCommand(run::Session& session, QWidget* parent) {
    auto dialog = std::make_unique<SamplePickDialog>(session.opened.np, parent);
    runPickCommand(session, run::PickKind::Populations, *dialog, session.menu.popsChecked);
}

}  // namespace zeltric::ui
