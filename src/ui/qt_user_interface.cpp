#include "ui/qt_user_interface.hpp"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStringDecoder>

#include "base/messages.hpp"
#include "ui/number_dialogs.hpp"

namespace zeltric::ui {

ProgressPanel::ProgressPanel(QWidget* parent)
    : QWidget(parent),
      bar_(new QProgressBar(this)),
      cancelButton_(new QPushButton(QStringLiteral("Cancel"), this)) {
    setObjectName(QStringLiteral("progressPanel"));
    bar_->setObjectName(QStringLiteral("progressBar"));
    cancelButton_->setObjectName(QStringLiteral("bCancel"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(bar_, 1);
    layout->addWidget(cancelButton_);
    connect(cancelButton_, &QPushButton::clicked, this, &ProgressPanel::requestCancel);
}

void ProgressPanel::start(int maximum) {
    cancelRequested_ = false;
    bar_->setRange(0, maximum);
    bar_->setValue(0);
    show();
}

void ProgressPanel::step(int position) { bar_->setValue(position); }

void ProgressPanel::finish() {
    hide();
    bar_->reset();
}

QtUserInterface::QtUserInterface(QWidget& window, QPlainTextEdit& resultsView, ProgressPanel& progress,
                                 DialogSeam& dialogs)
    : window_(window), resultsView_(resultsView), progress_(progress), dialogs_(dialogs) {}

void QtUserInterface::setPromptDialogs(SeedDialog* seedDialog, CountDialog* countDialog) {
    seedDialog_ = seedDialog;
    countDialog_ = countDialog;
}

void QtUserInterface::information(const std::string& text) {
    dialogs_.message(&window_, MessageKind::Information, displayText(text));
}

void QtUserInterface::error(const std::string& text) {
    dialogs_.message(&window_, MessageKind::Error, displayText(text));
}

std::optional<std::pair<std::string, std::string>> QtUserInterface::askSeeds() {
    if (seedDialog_ == nullptr) {
        return std::nullopt;
    }
    return seedDialog_->prompt(dialogs_);
}

std::optional<std::string> QtUserInterface::askCount(const std::string& offered) {
    if (countDialog_ == nullptr) {
        return std::nullopt;
    }
    return countDialog_->prompt(offered, dialogs_);
}

QString loadTextForDisplay(const QString& path, bool* ok) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (ok != nullptr) {
            *ok = false;
        }
        return {};
    }
    const QByteArray bytes = file.readAll();
    if (ok != nullptr) {
        *ok = true;
    }
    // CR and LF are single bytes in both decodings: normalised before decoding.
    const std::string lines =
        base::displayLineEnds(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    const QByteArray normalised(lines.data(), static_cast<qsizetype>(lines.size()));
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(normalised);
    if (utf8.hasError()) {
        text = QString::fromLatin1(normalised);
    }
    return text;
}

void QtUserInterface::showResults(const std::string& resultsPath) {
    bool ok = false;
    const QString path = QString::fromStdString(resultsPath);
    const QString text = loadTextForDisplay(path, &ok);
    resultsView_.clear();
    if (!ok) {
        dialogs_.message(&window_, MessageKind::Error,
                         QString::fromStdString(base::resultsUnreadableMessage(resultsPath)));
        return;
    }
    resultsView_.setPlainText(text);
    resultsView_.repaint();
}

void QtUserInterface::setCaption(const std::string& caption) {
    window_.setWindowTitle(QString::fromStdString(caption));
}

void QtUserInterface::progressStart(int maximum) {
    progress_.start(maximum);
    QCoreApplication::processEvents();
}

void QtUserInterface::progressStep(int position) { progress_.step(position); }

void QtUserInterface::progressEnd() {
    progress_.finish();
    window_.repaint();
}

bool QtUserInterface::cancelRequested() {
    QCoreApplication::processEvents();
    return progress_.cancelRequested();
}

}  // namespace zeltric::ui
