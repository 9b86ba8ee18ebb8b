#include "ui/help_viewer.hpp"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace zeltric::ui {

QStringList manualSearchPath(const QString& executableDir) {
    QStringList folders;
    const QDir dir(executableDir);
    folders << QString::fromLatin1(kEmbeddedManualFolder) << dir.absolutePath()
            << dir.absoluteFilePath(QStringLiteral("docs"))
            << QDir::cleanPath(dir.absoluteFilePath(QStringLiteral("../share/zeltric")));
    // A build folder inside the source tree (build/<name>/ or build/).
    QDir up(dir);
    for (int level = 0; level < 4 && up.cdUp(); ++level) {
        folders << up.absoluteFilePath(QStringLiteral("docs"));
    }
    return folders;
}

QString findManual(const QStringList& searchPath) {
    for (const QString& folder : searchPath) {
        const QFileInfo candidate(QDir(folder), QString::fromLatin1(kManualFileName));
        if (candidate.isFile() && candidate.isReadable()) {
            return candidate.absoluteFilePath();
        }
    }
    return {};
}

QUrl manualUrl(const QString& manualPath) {
    if (manualPath.startsWith(QLatin1Char(':'))) return QUrl(QStringLiteral("qrc") + manualPath);
    return QUrl::fromLocalFile(manualPath);
}

namespace {

// Loads the manual through prepareManualHtml, whatever page the history
// brings back.
class ManualBrowser : public QTextBrowser {
public:
    explicit ManualBrowser(QWidget* parent) : QTextBrowser(parent) {}

    QVariant loadResource(int type, const QUrl& name) override {
        QVariant loaded = QTextBrowser::loadResource(type, name);
        if (type != QTextDocument::HtmlResource || !loaded.isValid()) return loaded;
        const QString html = loaded.userType() == QMetaType::QByteArray ? QString::fromUtf8(loaded.toByteArray())
                                                                        : loaded.toString();
        return prepareManualHtml(html);
    }
};

QToolButton* navigationButton(QWidget* parent, const char* name, const QString& text, const QKeySequence& key,
                              const QString& tip) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(text);
    button->setShortcut(key);
    button->setToolTip(QStringLiteral("%1 (%2)").arg(tip, key.toString(QKeySequence::NativeText)));
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

}  // namespace

QString prepareManualHtml(QString html) {
    static const QRegularExpression code(QStringLiteral("<pre>(.*?)</pre>"),
                                         QRegularExpression::DotMatchesEverythingOption);
    html.replace(code, QStringLiteral("<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"6\" "
                                      "bgcolor=\"#f4f4f4\"><tr><td bgcolor=\"#f4f4f4\"><pre style=\"margin: 0; "
                                      "padding: 0; white-space: pre-wrap\">\\1</pre></td></tr></table>"));
    return html;
}

HelpViewer::HelpViewer(const QString& manualPath, QWidget* parent)
    : QDialog(parent),
      browser_(new ManualBrowser(this)),
      backButton_(
          navigationButton(this, "helpBack", QStringLiteral("Back"), QKeySequence::Back, QStringLiteral("Back"))),
      forwardButton_(navigationButton(this, "helpForward", QStringLiteral("Forward"), QKeySequence::Forward,
                                      QStringLiteral("Forward"))),
      homeButton_(navigationButton(this, "helpHome", QStringLiteral("Home"), QKeySequence(Qt::ALT | Qt::Key_Home),
                                   QStringLiteral("The start of the manual"))),
      findField_(new QLineEdit(this)),
      findStatus_(new QLabel(this)) {
    setObjectName(QStringLiteral("helpViewer"));
    setWindowTitle(QStringLiteral("ZELTRIC Help"));
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    browser_->setOpenExternalLinks(true);
    findField_->setObjectName(QStringLiteral("helpFind"));
    findField_->setPlaceholderText(QStringLiteral("Find (Ctrl+F)"));
    findField_->setClearButtonEnabled(true);
    findStatus_->setObjectName(QStringLiteral("helpFindStatus"));

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(4, 4, 4, 4);
    bar->addWidget(backButton_);
    bar->addWidget(forwardButton_);
    bar->addWidget(homeButton_);
    bar->addStretch(1);
    bar->addWidget(findStatus_);
    bar->addWidget(findField_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(bar);
    layout->addWidget(browser_, 1);
    setTabOrder(backButton_, forwardButton_);
    setTabOrder(forwardButton_, homeButton_);
    setTabOrder(homeButton_, findField_);
    setTabOrder(findField_, browser_);

    backButton_->setEnabled(false);
    forwardButton_->setEnabled(false);
    connect(backButton_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forwardButton_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(homeButton_, &QToolButton::clicked, browser_, &QTextBrowser::home);
    connect(browser_, &QTextBrowser::backwardAvailable, backButton_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forwardButton_, &QToolButton::setEnabled);
    // A followed link stays the text cursor's focus mark, and Forward would
    // scroll back to it (the table of contents) instead of to the section:
    // once the page shows, the cursor moves to its visible top.
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
        QTimer::singleShot(0, browser_,
                           [this] { browser_->setTextCursor(browser_->cursorForPosition(QPoint(0, 0))); });
    });
    connect(findField_, &QLineEdit::returnPressed, this, [this] { findNext(); });
    connect(findField_, &QLineEdit::textChanged, findStatus_, &QLabel::clear);
    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, &HelpViewer::focusFind);
    connect(new QShortcut(QKeySequence::FindNext, this), &QShortcut::activated, this, [this] { findNext(); });
    connect(new QShortcut(QKeySequence::FindPrevious, this), &QShortcut::activated, this,
            [this] { findNext(true); });

    browser_->setSource(manualUrl(manualPath));
    // Wide enough for the manual's widest picture and code lines.
    resize(900, 700);
}

void HelpViewer::focusFind() {
    findField_->setFocus(Qt::ShortcutFocusReason);
    findField_->selectAll();
}

bool HelpViewer::findNext(bool backward) {
    const QString text = findField_->text();
    findStatus_->clear();
    if (text.isEmpty()) return false;
    const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (browser_->find(text, flags)) return true;
    // Round the end: from the other end of the manual once more.
    const QTextCursor kept = browser_->textCursor();
    QTextCursor restart(browser_->document());
    restart.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
    browser_->setTextCursor(restart);
    if (browser_->find(text, flags)) return true;
    browser_->setTextCursor(kept);
    findStatus_->setText(QStringLiteral("Not found"));
    return false;
}

}  // namespace zeltric::ui
