#include "ui/tf_graph.hpp"

#include <QAction>
#include <QFileDialog>
#include <QFontDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QResizeEvent>
#include <QSpinBox>
#include <QWindow>
#include <algorithm>
#include <utility>

#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "base/output_file.hpp"
#include "figure/session_figure.hpp"
#include "run/steps.hpp"
#include "ui/plot_figure.hpp"
#include "ui/plot_layout.hpp"
#include "ui/plot_painter.hpp"
#include "ui/tf_color.hpp"

namespace zeltric::ui {

namespace {

std::deque<std::optional<QString>>& fileAnswers() {
    static std::deque<std::optional<QString>> answers;
    return answers;
}

std::deque<std::optional<QFont>>& fontAnswers() {
    static std::deque<std::optional<QFont>> answers;
    return answers;
}

std::function<void(const QString&)>& errorBoxHook() {
    static std::function<void(const QString&)> hook;
    return hook;
}

// What the font dialog proposes before any font was confirmed.
QFont initialPlotFont() { return sansSerifFont(13); }

QFont descriptionFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Nimbus Mono PS"),
                      QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setBold(true);
    font.setPixelSize(12);
    return font;
}

QFrame* panel(QWidget* parent, const char* name) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setLineWidth(1);
    return frame;
}

QSpinBox* axisChooser(QWidget* parent, const char* name, const QRect& geometry) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setGeometry(geometry);
    spin->setSingleStep(1);
    // Only stepping: a typed number could leave the ranges set at launch.
    if (auto* edit = spin->findChild<QLineEdit*>()) edit->setReadOnly(true);
    return spin;
}

// The central area: it lays the panels out whenever the window's size changes.
class GraphClient : public QWidget {
public:
    GraphClient(QWidget* parent, std::function<void()> onResize)
        : QWidget(parent), onResize_(std::move(onResize)) {}

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        onResize_();
    }

private:
    std::function<void()> onResize_;
};

}  // namespace

void PlotImage::setPicture(QImage picture, QImage display) {
    picture_ = std::move(picture);
    display_ = std::move(display);
    update();
}

void PlotImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!display().isNull()) painter.drawImage(0, 0, display());
}

TfGraph::TfGraph(run::Session& session) : session_(session) {
    setObjectName(QStringLiteral("fGraph"));
    setWindowTitle(QStringLiteral("Ordination of samples"));
    setFont(sansSerifFont(11));
    // The plot window never keeps the program alive on its own.
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* client = new GraphClient(this, [this] { FormResize(); });
    setCentralWidget(client);

    Panel1 = panel(client, "Panel1");
    Label1 = new QLabel(QStringLiteral("X"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(9, 17);
    Label1->adjustSize();
    SpinEdit1 = axisChooser(Panel1, "SpinEdit1", QRect(25, 10, 49, 22));
    Label2 = new QLabel(QStringLiteral("Y"), Panel1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(121, 17);
    Label2->adjustSize();
    SpinEdit2 = axisChooser(Panel1, "SpinEdit2", QRect(136, 10, 50, 22));
    descript = new QLabel(Panel1);
    descript->setObjectName(QStringLiteral("descript"));
    descript->setFont(descriptionFont());
    QPalette palette = descript->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    descript->setPalette(palette);
    descript->move(192, 8);

    Panel2 = panel(client, "Panel2");
    Image1 = new PlotImage(Panel2);
    Image1->setObjectName(QStringLiteral("Image1"));

    menuBar()->setObjectName(QStringLiteral("MainMenu1"));
    File1 = menuBar()->addMenu(QStringLiteral("&File"));
    File1->setObjectName(QStringLiteral("File1"));
    SaveAs1 = File1->addAction(QStringLiteral("Save &As"));
    SaveAs1->setObjectName(QStringLiteral("SaveAs1"));
    Print1 = File1->addAction(QStringLiteral("&Print"));
    Print1->setObjectName(QStringLiteral("Print1"));
    // Printing has no use here; the item stays visible but greyed.
    Print1->setEnabled(false);
    Exit1 = File1->addAction(QStringLiteral("E&xit"));
    Exit1->setObjectName(QStringLiteral("Exit1"));
    Options1 = menuBar()->addMenu(QStringLiteral("&Options"));
    Options1->setObjectName(QStringLiteral("Options1"));
    Color1 = Options1->addAction(QStringLiteral("&Color"));
    Color1->setObjectName(QStringLiteral("Color1"));
    mFont1 = Options1->addAction(QStringLiteral("Font"));
    mFont1->setObjectName(QStringLiteral("mFont1"));
    mFont1->setCheckable(true);
    ExportFigure1 = File1->addAction(QStringLiteral("Export &figure..."));
    ExportFigure1->setObjectName(QStringLiteral("ExportFigure1"));
    ExportFigure1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));

    SpinEdit1->setRange(1, 1);
    SpinEdit2->setRange(2, 2);
    SpinEdit1->setValue(1);
    SpinEdit2->setValue(2);

    // Ctrl+E is kept for exporting the figure.
    SaveAs1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    Exit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));

    connect(SaveAs1, &QAction::triggered, this, &TfGraph::SaveAs1Click);
    connect(Exit1, &QAction::triggered, this, &TfGraph::Exit1Click);
    connect(ExportFigure1, &QAction::triggered, this, &TfGraph::ExportFigure1Click);
    connect(Color1, &QAction::triggered, this, &TfGraph::Color1Click);
    connect(mFont1, &QAction::triggered, this, &TfGraph::mFont1Click);
    connect(SpinEdit1, &QSpinBox::valueChanged, this, &TfGraph::SpinEdit1Change);
    connect(SpinEdit2, &QSpinBox::valueChanged, this, &TfGraph::SpinEdit2Change);

    move(240, 59);
    resize(kPlotWindowWidth, kPlotWindowHeight);
}

TfGraph::~TfGraph() = default;

const QImage& TfGraph::picture() const { return Image1->picture(); }

void TfGraph::layoutPanels() {
    QWidget* client = centralWidget();
    const int width = client->width();
    const int clientHeight = client->height();
    Panel1->setGeometry(0, 0, width, kPlotPanel1Height);
    // The resize rule, kept inside the client area so that a small window
    // never gives the panel a negative height.
    const int panelHeight =
        std::clamp(plotPanel2Height(height()), 2 * kPlotImageBorder, std::max(clientHeight, 2));
    Panel2->setGeometry(0, clientHeight - panelHeight, width, panelHeight);
    Image1->setGeometry(kPlotImageBorder, kPlotImageBorder,
                        std::max(width - 2 * kPlotImageBorder, 0),
                        panelHeight - 2 * kPlotImageBorder);
}

void TfGraph::FormResize() {
    layoutPanels();
    redrawCurrent();
}

void TfGraph::redrawCurrent() { redraw(SpinEdit1->value(), SpinEdit2->value()); }

void TfGraph::redraw(int x, int y) {
    if (hasAxisPair(session_)) {
        description_ = describeAxes(session_, x, y);
    } else {
        description_.clear();
    }
    // The label shows the LF CR separator as one plain line break.
    const QString shown = QString::fromStdString(data::displayLineEnds(description_));
    descript->setText(shown);
    descript->adjustSize();

    const QFont* sampleFont = mFont1->isChecked() && plotFont_ ? &*plotFont_ : nullptr;
    const qreal ratio = devicePixelRatioF();
    QImage picture = renderPlot(session_, x, y, Image1->width(), Image1->height(), sampleFont);
    QImage display;
    if (ratio != 1.0) display = renderPlot(session_, x, y, Image1->width(), Image1->height(), sampleFont, ratio);
    Image1->setPicture(std::move(picture), std::move(display));
}

void TfGraph::SpinEdit1Change() { redrawCurrent(); }

void TfGraph::SpinEdit2Change() { redrawCurrent(); }

void TfGraph::Exit1Click() {
    fontMarked_ = false;
    mFont1->setChecked(false);
    close();
    session_.graphShown = false;
}

void TfGraph::SaveAs1Click() {
    std::optional<QString> chosen;
    if (!fileAnswers().empty()) {
        chosen = fileAnswers().front();
        fileAnswers().pop_front();
    } else {
        const QString name = QFileDialog::getSaveFileName(
            this, QStringLiteral("Save As"), QString(), QStringLiteral("Bitmaps (*.bmp)"), nullptr,
            QFileDialog::DontConfirmOverwrite);
        if (!name.isEmpty()) chosen = name;
    }
    if (!chosen || chosen->isEmpty()) return;

    std::string error;
    if (!savePlotBmp(picture(), chosen->toStdString(), nullptr, &error)) {
        const QString text = QString::fromStdString(error);
        if (errorBoxHook())
            errorBoxHook()(text);
        else
            QMessageBox::critical(this, QStringLiteral("Error"), text);
    }
}

void TfGraph::ExportFigure1Click() {
    const auto showError = [this](const std::string& message) {
        const QString text = QString::fromStdString(message);
        if (errorBoxHook())
            errorBoxHook()(text);
        else
            QMessageBox::critical(this, QStringLiteral("Error"), text);
    };
    const int x = SpinEdit1->value();
    const int y = SpinEdit2->value();
    if (const auto why = figure::figureUnavailable(session_, x, y)) return showError(*why);

    std::optional<QString> chosen;
    if (!fileAnswers().empty()) {
        chosen = fileAnswers().front();
        fileAnswers().pop_front();
    } else {
        const QString svg = QStringLiteral("SVG figure (*.svg)");
        const QString pdf = QStringLiteral("PDF figure (*.pdf)");
        const QString png = QStringLiteral("PNG figure (*.png)");
        QString filter = svg;
        QString name = QFileDialog::getSaveFileName(this, QStringLiteral("Export figure"), QString(),
                                                    svg + QStringLiteral(";;") + pdf + QStringLiteral(";;") + png,
                                                    &filter);
        // A name without a figure extension takes the chosen filter's.
        if (!name.isEmpty() && !figure::figureFormat(name.toStdString()))
            name += filter == pdf ? QStringLiteral(".pdf") : filter == png ? QStringLiteral(".png") : QStringLiteral(".svg");
        if (!name.isEmpty()) chosen = name;
    }
    if (!chosen || chosen->isEmpty()) return;

    const std::string path = chosen->toStdString();
    for (const std::string& input : {session_.openedPath, session_.labelFileName})
        if (!input.empty() && data::sameFile(path, input))
            return showError("Cannot write the figure \"" + path + "\": that is the input file \"" + input + "\".");
    for (const char* extension : run::kOutputExtensions)
        if (data::sameFile(path, run::outputPath(session_, extension)))
            return showError("Cannot write the figure \"" + path + "\": that is the results file \"" +
                             run::outputPath(session_, extension) + "\".");
    try {
        figure::writeFigureFile(path, figure::figureSvg(session_, x, y), figure::kDefaultPngWidth, renderFigure);
    } catch (const data::FatalError& e) {
        showError(e.what());
    }
}

void TfGraph::Color1Click() {
    runColorCommand(session_, this, [this] { redrawCurrent(); });
}

void TfGraph::mFont1Click() {
    // A checkable action toggles itself when triggered; the mark must follow
    // the dialog's outcome only.
    const bool wasChecked = fontMarked_;
    std::optional<QFont> chosen;
    const QFont proposed = plotFont_.value_or(initialPlotFont());
    if (!fontAnswers().empty()) {
        chosen = fontAnswers().front();
        fontAnswers().pop_front();
    } else {
        bool ok = false;
        const QFont font = QFontDialog::getFont(&ok, proposed, this);
        if (ok) chosen = font;
    }
    if (chosen) {
        plotFont_ = *chosen;
        fontMarked_ = true;
    } else {
        fontMarked_ = wasChecked;
    }
    mFont1->setChecked(fontMarked_);
    redrawCurrent();
}

void TfGraph::setNextFileName(std::optional<QString> name) {
    fileAnswers().push_back(std::move(name));
}

void TfGraph::setNextFont(std::optional<QFont> font) { fontAnswers().push_back(std::move(font)); }

void TfGraph::setErrorBoxHook(std::function<void(const QString&)> hook) {
    errorBoxHook() = std::move(hook);
}

TfGraph* launchGraph(run::Session& session) {
    auto* window = new TfGraph(session);
    const int np = std::min(static_cast<int>(session.analysed.np), data::NPMax);
    for (int s = 1; s <= np; ++s) session.popColor[static_cast<std::size_t>(s)] = 0;

    {
        const QSignalBlocker block1(window->SpinEdit1);
        const QSignalBlocker block2(window->SpinEdit2);
        if (hasAxisPair(session)) {
            const int m = plotAxisCount(session) + 1;
            window->SpinEdit1->setRange(1, m - 2);
            window->SpinEdit2->setRange(2, m - 1);
        } else {
            // No pair of axes: the choosers stay at 1 and 2, greyed, and the
            // picture carries the note.
            window->SpinEdit1->setRange(1, 1);
            window->SpinEdit2->setRange(2, 2);
            window->SpinEdit1->setEnabled(false);
            window->SpinEdit2->setEnabled(false);
        }
        window->SpinEdit1->setValue(1);
        window->SpinEdit2->setValue(window->SpinEdit1->value() + 1);
    }
    window->redraw(window->SpinEdit1->value(), window->SpinEdit2->value());
    session.graphShown = true;
    window->show();
    // Moved to a screen of another pixel density, the picture is drawn anew.
    if (QWindow* handle = window->windowHandle())
        QObject::connect(handle, &QWindow::screenChanged, window, [window] {
            window->redraw(window->SpinEdit1->value(), window->SpinEdit2->value());
        });
    return window;
}

void destroyGraph(run::Session& session, TfGraph*& window) {
    if (window != nullptr) {
        window->close();
        delete window;
        window = nullptr;
    }
    session.graphShown = false;
}

void releaseRun(run::Session& session, TfGraph*& window) {
    destroyGraph(session, window);
    session.analysed.counts.release();
    session.analysed.genotypeColumns = data::GenotypeColumns{};
    session.menu.testingChecked = false;
    session.menu.goEnabled = false;
    session.graphShown = false;
}

}  // namespace zeltric::ui
