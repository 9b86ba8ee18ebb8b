#include "ui/pick_dialogs.hpp"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <memory>
#include <string>
#include <vector>

#include "run/pick_logic.hpp"
#include "ui/dialog_seam.hpp"

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
      offeredList_(pickList(this, "ListBox1")),
      chosenList_(pickList(this, "ListBox2")),
      okButton_(pickButton(this, "Button1", "OK")),
      chooseButton_(pickButton(this, "Button2", ">")),
      unchooseButton_(pickButton(this, "Button3", "<")),
      walkLimit_(walkLimit) {
    setModal(true);
    auto* grid = new QGridLayout(this);
    grid->addWidget(offeredList_, 1, 0, 4, 1);
    grid->addWidget(chooseButton_, 2, 1);
    grid->addWidget(unchooseButton_, 3, 1);
    grid->addWidget(chosenList_, 1, 2, 4, 1);
    grid->addWidget(okButton_, 5, 0, 1, 3, Qt::AlignHCenter);
    grid->setRowStretch(1, 1);
    grid->setRowStretch(4, 1);
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(chooseButton_, &QPushButton::clicked, this, &PickDialog::chooseHighlighted);
    connect(unchooseButton_, &QPushButton::clicked, this, &PickDialog::unchooseHighlighted);
    // A double click moves that one item to the other list.
    connect(offeredList_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { moveOne(*offeredList_, *chosenList_, item); });
    connect(chosenList_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { moveOne(*chosenList_, *offeredList_, item); });
    // Tab walks the dialog as it reads: offered items, the move buttons, the
    // chosen items, OK.
    setTabOrder(offeredList_, chooseButton_);
    setTabOrder(chooseButton_, unchooseButton_);
    setTabOrder(unchooseButton_, chosenList_);
    setTabOrder(chosenList_, okButton_);
    resize(420, 300);
}

void PickDialog::chooseHighlighted() { move(*offeredList_, *chosenList_); }

void PickDialog::unchooseHighlighted() { move(*chosenList_, *offeredList_); }

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

void PickDialog::offer(const std::vector<std::string>& texts) {
    offeredList_->clear();
    chosenList_->clear();
    for (const std::string& text : texts) {
        offeredList_->addItem(QString::fromStdString(text));
    }
}

QStringList PickDialog::chosenTexts() const {
    QStringList texts;
    for (int row = 0; row < chosenList_->count(); ++row) {
        texts << chosenList_->item(row)->text();
    }
    return texts;
}

void PickDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    offeredList_->setFocus(Qt::OtherFocusReason);
}

LocusPickDialog::LocusPickDialog(int loci, QWidget* parent)
    : PickDialog(loci, parent),
      offeredLabel_(new QLabel(QStringLiteral("Loci to choose from :"), this)),
      chosenLabel_(new QLabel(QStringLiteral("Chosen loci :"), this)) {
    setObjectName(QStringLiteral("fpickloci"));
    setWindowTitle(QStringLiteral("Pick Loci"));
    offeredLabel_->setObjectName(QStringLiteral("label1"));
    chosenLabel_->setObjectName(QStringLiteral("Label2"));
    auto* grid = static_cast<QGridLayout*>(layout());
    grid->addWidget(offeredLabel_, 0, 0);
    grid->addWidget(chosenLabel_, 0, 2);
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
void runPickCommand(run::Session& session, run::PickKind kind, PickDialog& dialog, bool& checkMark,
                    DialogSeam& dialogs) {
    data::Dataset& dataset = session.settings.opened;
    dialog.offer(run::itemTexts(dataset, kind));
    bool confirmedOnce = false;
    while (true) {
        if (dialogs.runDialog(dialog)) {
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

void runLocusCommand(run::Session& session, QWidget* parent, DialogSeam& dialogs) {
    auto dialog = std::make_unique<LocusPickDialog>(session.settings.opened.nl, parent);
    runPickCommand(session, run::PickKind::Loci, *dialog, session.settings.selectLoci, dialogs);
}

void runPopulationCommand(run::Session& session, QWidget* parent, DialogSeam& dialogs) {
    auto dialog = std::make_unique<SamplePickDialog>(session.settings.opened.np, parent);
    runPickCommand(session, run::PickKind::Populations, *dialog, session.settings.selectPops, dialogs);
}

}  // namespace zeltric::ui
