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
    : QWidget(parent), progressBar(new QProgressBar(this)), bCancel(new QPushButton(QStringLiteral("Cancel"), this)) {
    setObjectName(QStringLiteral("progressPanel"));
    progressBar->setObjectName(QStringLiteral("progressBar"));
    bCancel->setObjectName(QStringLiteral("bCancel"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(progressBar, 1);
    layout->addWidget(bCancel);
    connect(bCancel, &QPushButton::clicked, this, [this] { cancelPressed = true; });
}

QtUserInterface::QtUserInterface(QWidget& window, QPlainTextEdit& resultsView, ProgressPanel& progress,
                                 DialogSeam& dialogs)
    : window_(window), resultsView_(resultsView), progress_(progress), dialogs_(dialogs) {}

void QtUserInterface::setPromptDialogs(TfseedRnd* seedDialog, Tfnbrand* countDialog) {
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
    return seedDialog_->prompt();
}

std::optional<std::string> QtUserInterface::askCount(const std::string& offered) {
    if (countDialog_ == nullptr) {
        return std::nullopt;
    }
    return countDialog_->prompt(offered);
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
    const std::string lines = data::displayLineEnds(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
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
                         QString::fromStdString(data::resultsUnreadableMessage(resultsPath)));
        return;
    }
    resultsView_.setPlainText(text);
    resultsView_.repaint();
}

void QtUserInterface::setCaption(const std::string& caption) {
    window_.setWindowTitle(QString::fromStdString(caption));
}

void QtUserInterface::progressStart(int maximum) {
    progress_.cancelPressed = false;
    progress_.progressBar->setRange(0, maximum);
    progress_.progressBar->setValue(0);
    progress_.show();
    QCoreApplication::processEvents();
}

void QtUserInterface::progressStep(int position) {
    progress_.progressBar->setValue(position);
}

void QtUserInterface::progressEnd() {
    progress_.hide();
    progress_.progressBar->reset();
    window_.repaint();
}

bool QtUserInterface::cancelRequested() {
    QCoreApplication::processEvents();
    return progress_.cancelPressed;
}

}  // namespace zeltric::ui
