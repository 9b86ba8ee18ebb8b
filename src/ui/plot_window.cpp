#include "ui/plot_window.hpp"

#include <QAction>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QResizeEvent>
#include <QSpinBox>
#include <QWindow>
#include <algorithm>
#include <utility>

#include "base/fatal_error.hpp"
#include "base/messages.hpp"
#include "base/messages_run.hpp"
#include "base/output_file.hpp"
#include "figure/session_figure.hpp"
#include "run/shown_results.hpp"
#include "run/steps.hpp"
#include "ui/colour_dialog.hpp"
#include "ui/dialog_seam.hpp"
#include "ui/plot_figure.hpp"
#include "ui/plot_layout.hpp"
#include "ui/plot_painter.hpp"

namespace zeltric::ui {

namespace {

// What the font dialog proposes before any font was confirmed.
QFont initialPlotFont() { return sansSerifFont(13); }

QFont descriptionFont() {
    QFont font;
    font.setFamilies(
        {QStringLiteral("Courier New"), QStringLiteral("Nimbus Mono PS"), QStringLiteral("DejaVu Sans Mono")});
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

PlotWindow::PlotWindow(run::Session& session) : session_(session) {
    setObjectName(QStringLiteral("fGraph"));
    setWindowTitle(QStringLiteral("Ordination of samples"));
    setFont(sansSerifFont(11));
    // The plot window never keeps the program alive on its own.
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* client = new GraphClient(this, [this] {
        layoutPanels();
        redrawCurrent();
    });
    setCentralWidget(client);

    axisPanel_ = panel(client, "Panel1");
    auto* xLabel = new QLabel(QStringLiteral("X"), axisPanel_);
    xLabel->setObjectName(QStringLiteral("Label1"));
    xLabel->move(9, 17);
    xLabel->adjustSize();
    xAxisChooser_ = axisChooser(axisPanel_, "SpinEdit1", QRect(25, 10, 49, 22));
    auto* yLabel = new QLabel(QStringLiteral("Y"), axisPanel_);
    yLabel->setObjectName(QStringLiteral("Label2"));
    yLabel->move(121, 17);
    yLabel->adjustSize();
    yAxisChooser_ = axisChooser(axisPanel_, "SpinEdit2", QRect(136, 10, 50, 22));
    descriptionLabel_ = new QLabel(axisPanel_);
    descriptionLabel_->setObjectName(QStringLiteral("descript"));
    descriptionLabel_->setFont(descriptionFont());
    QPalette palette = descriptionLabel_->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    descriptionLabel_->setPalette(palette);
    descriptionLabel_->move(192, 8);

    plotPanel_ = panel(client, "Panel2");
    plotImage_ = new PlotImage(plotPanel_);
    plotImage_->setObjectName(QStringLiteral("Image1"));

    menuBar()->setObjectName(QStringLiteral("MainMenu1"));
    QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu->setObjectName(QStringLiteral("File1"));
    QAction* saveAction = fileMenu->addAction(QStringLiteral("Save &As"));
    saveAction->setObjectName(QStringLiteral("SaveAs1"));
    QAction* printAction = fileMenu->addAction(QStringLiteral("&Print"));
    printAction->setObjectName(QStringLiteral("Print1"));
    // Printing has no use here; the item stays visible but greyed.
    printAction->setEnabled(false);
    QAction* closeAction = fileMenu->addAction(QStringLiteral("E&xit"));
    closeAction->setObjectName(QStringLiteral("Exit1"));
    QMenu* optionsMenu = menuBar()->addMenu(QStringLiteral("&Options"));
    optionsMenu->setObjectName(QStringLiteral("Options1"));
    QAction* colourAction = optionsMenu->addAction(QStringLiteral("&Color"));
    colourAction->setObjectName(QStringLiteral("Color1"));
    fontAction_ = optionsMenu->addAction(QStringLiteral("Font"));
    fontAction_->setObjectName(QStringLiteral("mFont1"));
    fontAction_->setCheckable(true);
    QAction* exportAction = fileMenu->addAction(QStringLiteral("Export &figure..."));
    exportAction->setObjectName(QStringLiteral("ExportFigure1"));
    exportAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));

    xAxisChooser_->setRange(1, 1);
    yAxisChooser_->setRange(2, 2);
    xAxisChooser_->setValue(1);
    yAxisChooser_->setValue(2);

    // Ctrl+E is kept for exporting the figure.
    saveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    closeAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));

    connect(saveAction, &QAction::triggered, this, &PlotWindow::saveBitmap);
    connect(closeAction, &QAction::triggered, this, &PlotWindow::closeWindow);
    connect(exportAction, &QAction::triggered, this, &PlotWindow::exportFigure);
    connect(colourAction, &QAction::triggered, this, &PlotWindow::chooseColours);
    connect(fontAction_, &QAction::triggered, this, &PlotWindow::chooseFont);
    connect(xAxisChooser_, &QSpinBox::valueChanged, this, &PlotWindow::redrawCurrent);
    connect(yAxisChooser_, &QSpinBox::valueChanged, this, &PlotWindow::redrawCurrent);

    move(240, 59);
    resize(kPlotWindowWidth, kPlotWindowHeight);
}

PlotWindow::~PlotWindow() = default;

const QImage& PlotWindow::picture() const { return plotImage_->picture(); }

void PlotWindow::layoutPanels() {
    QWidget* client = centralWidget();
    const int width = client->width();
    const int clientHeight = client->height();
    axisPanel_->setGeometry(0, 0, width, kPlotPanel1Height);
    // The resize rule, kept inside the client area so that a small window
    // never gives the panel a negative height.
    const int panelHeight =
        std::clamp(plotPanel2Height(height()), 2 * kPlotImageBorder, std::max(clientHeight, 2));
    plotPanel_->setGeometry(0, clientHeight - panelHeight, width, panelHeight);
    plotImage_->setGeometry(kPlotImageBorder, kPlotImageBorder, std::max(width - 2 * kPlotImageBorder, 0),
                            panelHeight - 2 * kPlotImageBorder);
}

void PlotWindow::redrawCurrent() { redraw(xAxisChooser_->value(), yAxisChooser_->value()); }

void PlotWindow::redraw(int x, int y) {
    if (hasAxisPair(session_)) {
        description_ = describeAxes(session_, x, y);
    } else {
        description_.clear();
    }
    // The label shows the LF CR separator as one plain line break.
    const QString shown = QString::fromStdString(base::displayLineEnds(description_));
    descriptionLabel_->setText(shown);
    descriptionLabel_->adjustSize();

    const QFont* sampleFont = fontAction_->isChecked() && plotFont_ ? &*plotFont_ : nullptr;
    const qreal ratio = devicePixelRatioF();
    QImage picture = renderPlot(session_, x, y, plotImage_->width(), plotImage_->height(), sampleFont);
    QImage display;
    if (ratio != 1.0)
        display = renderPlot(session_, x, y, plotImage_->width(), plotImage_->height(), sampleFont, ratio);
    plotImage_->setPicture(std::move(picture), std::move(display));
}

void PlotWindow::closeWindow() {
    fontMarked_ = false;
    fontAction_->setChecked(false);
    close();
    session_.desktop.graphShown = false;
}

void PlotWindow::showError(const std::string& message) {
    dialogs_.message(this, MessageKind::Error, QString::fromStdString(message), QStringLiteral("Error"));
}

void PlotWindow::saveBitmap() {
    const std::optional<QString> chosen =
        dialogs_.chooseSaveFile(this, QStringLiteral("Save As"), QStringLiteral("Bitmaps (*.bmp)"), nullptr,
                                QFileDialog::DontConfirmOverwrite);
    if (!chosen) return;

    std::string error;
    if (!savePlotBmp(picture(), chosen->toStdString(), nullptr, &error)) showError(error);
}

namespace {

// The colours the colour dialog chose (0x00BBGGRR), as the figure takes them.
figure::FigureOptions figureColours(const run::Session& session) {
    figure::FigureOptions options;
    const int np =
        std::min(run::shownSamples(session.results), static_cast<int>(session.desktop.popColor.size()) - 1);
    for (int s = 1; s <= np; ++s) {
        const auto bgr = static_cast<std::uint32_t>(session.desktop.popColor[static_cast<std::size_t>(s)]);
        options.sampleRgb.push_back(((bgr & 0xFFu) << 16) | (bgr & 0xFF00u) | ((bgr >> 16) & 0xFFu));
    }
    return options;
}

}  // namespace

void PlotWindow::exportFigure() {
    const int x = xAxisChooser_->value();
    const int y = yAxisChooser_->value();
    if (const auto why = figure::figureUnavailable(session_.results, x, y)) return showError(*why);

    const QString svg = QStringLiteral("SVG figure (*.svg)");
    const QString pdf = QStringLiteral("PDF figure (*.pdf)");
    const QString png = QStringLiteral("PNG figure (*.png)");
    QString filter = svg;
    const QString filters = svg + QStringLiteral(";;") + pdf + QStringLiteral(";;") + png;
    // The check box only where it can change the figure: after a bootstrap.
    std::optional<QString> chosen =
        session_.results.bootstrap.replicates > 0
            ? dialogs_.chooseSaveFileWithCheck(this, QStringLiteral("Export figure"), filters, &filter,
                                               QStringLiteral("Bootstrap intervals in the axis titles"),
                                               QStringLiteral("FigureIntervals"), figureIntervals_)
            : dialogs_.chooseSaveFile(this, QStringLiteral("Export figure"), filters, &filter);
    if (!chosen) return;
    // A name typed without a figure extension takes the chosen filter's (a
    // scripted name stands as given).
    if (!filter.isEmpty() && !figure::figureFormat(chosen->toStdString()))
        *chosen += filter == pdf   ? QStringLiteral(".pdf")
                   : filter == png ? QStringLiteral(".png")
                                   : QStringLiteral(".svg");

    const std::string path = chosen->toStdString();
    for (const std::string& input : {session_.settings.openedPath, session_.settings.labelFileName})
        if (!input.empty() && base::sameFile(path, input))
            return showError(base::figureIsInputMessage(path, input));
    for (const char* extension : run::kOutputExtensions)
        if (base::sameFile(path, run::outputPath(session_, extension)))
            return showError(base::figureIsResultsMessage(path, run::outputPath(session_, extension)));
    try {
        figure::FigureOptions options = figureColours(session_);
        options.intervals = figureIntervals_;
        figure::writeFigureFile(path, figure::figureSvg(session_.settings, session_.results, x, y, options),
                                figure::kDefaultPngWidth, renderFigure);
    } catch (const base::FatalError& e) {
        showError(e.what());
    }
}

void PlotWindow::chooseColours() {
    runColourCommand(session_, this, dialogs_, [this] { redrawCurrent(); });
}

void PlotWindow::chooseFont() {
    // A checkable action toggles itself when triggered; the mark must follow
    // the dialog's outcome only.
    const std::optional<QFont> chosen = dialogs_.chooseFont(this, plotFont_.value_or(initialPlotFont()));
    if (chosen) {
        plotFont_ = *chosen;
        fontMarked_ = true;
    }
    fontAction_->setChecked(fontMarked_);
    redrawCurrent();
}

void PlotWindow::showFirstAxes() {
    {
        const QSignalBlocker blockX(xAxisChooser_);
        const QSignalBlocker blockY(yAxisChooser_);
        if (hasAxisPair(session_)) {
            const int m = plotAxisCount(session_) + 1;
            xAxisChooser_->setRange(1, m - 2);
            yAxisChooser_->setRange(2, m - 1);
        } else {
            // No pair of axes: the choosers stay at 1 and 2, greyed, and the
            // picture carries the note.
            xAxisChooser_->setRange(1, 1);
            yAxisChooser_->setRange(2, 2);
            xAxisChooser_->setEnabled(false);
            yAxisChooser_->setEnabled(false);
        }
        xAxisChooser_->setValue(1);
        yAxisChooser_->setValue(xAxisChooser_->value() + 1);
    }
    redrawCurrent();
    session_.desktop.graphShown = true;
    show();
    // Moved to a screen of another pixel density, the picture is drawn anew.
    if (QWindow* handle = windowHandle())
        connect(handle, &QWindow::screenChanged, this, &PlotWindow::redrawCurrent);
}

PlotWindow* launchGraph(run::Session& session) {
    auto* window = new PlotWindow(session);
    // Every sample black, as many as the analysis has.
    session.desktop.popColor.assign(
        static_cast<std::size_t>(std::max(run::shownSamples(session.results), base::NPMax)) + 1, 0);
    window->showFirstAxes();
    return window;
}

void destroyGraph(run::Session& session, PlotWindow*& window) {
    if (window != nullptr) {
        window->close();
        delete window;
        window = nullptr;
    }
    session.desktop.graphShown = false;
}

void releaseRun(run::Session& session, PlotWindow*& window) {
    destroyGraph(session, window);
    session.results.analysed.counts.release();
    session.results.analysed.genotypeColumns = data::GenotypeColumns{};
    session.settings.testingOn = false;
    session.desktop.goEnabled = false;
    session.desktop.graphShown = false;
}

}  // namespace zeltric::ui
