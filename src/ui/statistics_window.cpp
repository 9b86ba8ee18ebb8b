#include "ui/statistics_window.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <exception>

#include "base/csv_text.hpp"
#include "base/fatal_error.hpp"
#include "base/limits.hpp"
#include "figure/figure_file.hpp"
#include "figure/pairwise_heatmap.hpp"
#include "platform/platform.hpp"
#include "statistics/statistics_tables.hpp"
#include "ui/plot_figure.hpp"
#include "ui/qt_user_interface.hpp"

namespace zeltric::ui {

namespace {

constexpr int kDefaultPairwiseRandomisations = 1000;
// The heat map on screen, pixels across; the exported PNG has the figures' width.
constexpr int kHeatMapShownWidth = 720;

// The test's progress on the window's own bar; Cancel is seen between
// batches of pairs, where events are processed.
class PanelObserver final : public randomisation::TestObserver {
public:
    explicit PanelObserver(ProgressPanel& panel) : panel_(panel) {}
    void started(int pairs) override {
        panel_.start(pairs);
        QCoreApplication::processEvents();
    }
    void taken(int pairs) override { panel_.step(pairs); }
    void finished() override { panel_.finish(); }
    bool cancelRequested() override {
        QCoreApplication::processEvents();
        return panel_.cancelRequested();
    }
    void notice(const std::string&) override {}

private:
    ProgressPanel& panel_;
};

QTableWidget* tableWidget(const char* name) {
    auto* table = new QTableWidget;
    table->setObjectName(QString::fromLatin1(name));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->setAlternatingRowColors(true);
    return table;
}

// The table shown cell by cell as its CSV text holds it: the header row as
// column titles, every figure in the digits the exported file has.
void fill(QTableWidget& table, const std::string& csv) {
    const std::vector<std::vector<std::string>> records = base::csvRecords(csv);
    table.clear();
    if (records.empty()) return;
    QStringList header;
    for (const std::string& title : records.front()) header << QString::fromStdString(title);
    table.setColumnCount(static_cast<int>(header.size()));
    table.setHorizontalHeaderLabels(header);
    table.setRowCount(static_cast<int>(records.size() - 1));
    for (std::size_t row = 1; row < records.size(); ++row)
        for (std::size_t column = 0; column < records[row].size(); ++column)
            table.setItem(static_cast<int>(row - 1), static_cast<int>(column),
                          new QTableWidgetItem(QString::fromStdString(records[row][column])));
    table.resizeColumnsToContents();
}

QString figure(const std::optional<double>& value) {
    return value ? QString::number(*value, 'g', 6) : QStringLiteral("undefined");
}

QSpinBox* spinBox(const char* name, int minimum, int maximum, int value) {
    auto* box = new QSpinBox;
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(minimum, maximum);
    box->setValue(value);
    return box;
}

}  // namespace

StatisticsWindow::StatisticsWindow(run::StatisticsInput input, std::string base, int threads,
                                   FigureTargetCheck refuse)
    : input_(std::move(input)),
      base_(std::move(base)),
      threads_(threads > 0 ? threads : platform::usableProcessorCount()),
      refuse_(std::move(refuse)) {
    setObjectName(QStringLiteral("statisticsWindow"));
    setWindowTitle(QStringLiteral("Statistics: theta, gene diversities and pairwise theta"));
    setWindowIcon(QApplication::windowIcon());
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(820, 640);

    run::StatisticsRequest request;
    request.threads = threads_;
    run_ = run::startStatistics(input_.data, request, base_);

    summary_ = new QLabel;
    summary_->setObjectName(QStringLiteral("statisticsSummary"));
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    tabs_ = new QTabWidget;
    tabs_->setObjectName(QStringLiteral("statisticsTabs"));
    lociTable_ = tableWidget("lociTable");
    pairwiseTable_ = tableWidget("pairwiseTable");
    samplesTable_ = tableWidget("samplesTable");
    heatMap_ = new QLabel;
    heatMap_->setObjectName(QStringLiteral("heatMap"));
    heatMap_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* heatMapArea = new QScrollArea;
    heatMapArea->setWidget(heatMap_);
    heatMapArea->setWidgetResizable(true);
    heatMapArea->setBackgroundRole(QPalette::Base);
    tabs_->addTab(lociTable_, QStringLiteral("Per &locus"));
    tabs_->addTab(pairwiseTable_, QStringLiteral("&Pairwise"));
    tabs_->addTab(samplesTable_, QStringLiteral("Per &sample"));
    tabs_->addTab(heatMapArea, QStringLiteral("&Heat map"));

    randomisations_ = spinBox("pairwiseRandomisations", base::kMinRandomisations, base::kMaxRandomisations,
                              kDefaultPairwiseRandomisations);
    seed1_ = spinBox("pairwiseSeed1", 1, static_cast<int>(base::kSeed1Max), 1);
    seed2_ = spinBox("pairwiseSeed2", 1, static_cast<int>(base::kSeed2Max), 1);
    runButton_ = new QPushButton(QStringLiteral("&Run pairwise test"));
    runButton_->setObjectName(QStringLiteral("pairwiseRun"));
    exportTablesButton_ = new QPushButton(QStringLiteral("Export &tables"));
    exportTablesButton_->setObjectName(QStringLiteral("exportStatisticsTables"));
    exportFigureButton_ = new QPushButton(QStringLiteral("Export &figure"));
    exportFigureButton_->setObjectName(QStringLiteral("exportHeatMap"));

    auto* testRow = new QHBoxLayout;
    testRow->addWidget(new QLabel(QStringLiteral("Randomisations:")));
    testRow->addWidget(randomisations_);
    testRow->addWidget(new QLabel(QStringLiteral("Seeds:")));
    testRow->addWidget(seed1_);
    testRow->addWidget(seed2_);
    testRow->addWidget(runButton_);
    testRow->addStretch(1);
    testRow->addWidget(exportTablesButton_);
    testRow->addWidget(exportFigureButton_);

    note_ = new QLabel;
    note_->setObjectName(QStringLiteral("pairwiseNote"));
    note_->setWordWrap(true);

    auto* client = new QWidget;
    auto* layout = new QVBoxLayout(client);
    layout->addWidget(summary_);
    layout->addWidget(tabs_, 1);
    layout->addLayout(testRow);
    layout->addWidget(note_);
    setCentralWidget(client);

    progress_ = new ProgressPanel;
    statusBar()->addPermanentWidget(progress_, 1);
    progress_->hide();

    connect(runButton_, &QPushButton::clicked, this, &StatisticsWindow::runTest);
    connect(exportTablesButton_, &QPushButton::clicked, this, &StatisticsWindow::exportTables);
    connect(exportFigureButton_, &QPushButton::clicked, this, &StatisticsWindow::exportFigure);
    refresh();
}

StatisticsWindow::~StatisticsWindow() = default;

std::string StatisticsWindow::lociText() const { return statistics::lociTable(input_.data, run_.statistics); }

std::string StatisticsWindow::pairwiseText() const {
    return statistics::pairwiseTable(run_.statistics, run_.test ? &*run_.test : nullptr);
}

std::string StatisticsWindow::samplesText() const {
    return statistics::sampleDiversityTable(input_.data, run_.statistics);
}

std::string StatisticsWindow::heatMapSvg() const {
    const figure::PairwiseMap map = figure::pairwiseMap(input_.data.sampleNames, input_.firstAxis, run_.statistics,
                                                        run_.test ? &*run_.test : nullptr);
    return figure::pairwiseHeatMapSvg(map, figure::kPairwiseHeatMapTitle);
}

void StatisticsWindow::refresh() {
    const statistics::Statistics& s = run_.statistics;
    summary_->setText(QStringLiteral("Weir and Cockerham: theta %1, F %2, f %3.  Nei over %4 loci: Ho %5, "
                                     "Hs %6, Ht %7, Dst %8, Fst %9, Fis %10.")
                          .arg(figure(s.theta), figure(s.bigF), figure(s.smallF), QString::number(s.neiLoci),
                               figure(s.ho), figure(s.hs), figure(s.ht), figure(s.dst), figure(s.fst))
                          .arg(figure(s.fis)));
    fill(*lociTable_, lociText());
    fill(*pairwiseTable_, pairwiseText());
    fill(*samplesTable_, samplesText());

    try {
        const std::string png = renderFigure(heatMapSvg(), figure::FigureFormat::Png, kHeatMapShownWidth);
        QImage picture;
        picture.loadFromData(reinterpret_cast<const uchar*>(png.data()), static_cast<int>(png.size()), "PNG");
        heatMap_->setPixmap(QPixmap::fromImage(picture));
    } catch (const std::exception& e) {
        heatMap_->setText(QString::fromStdString(e.what()));
    }

    QString note;
    if (!run_.test) {
        note = QStringLiteral("No pairwise test yet: the P and Holm_P columns are empty.");
    } else if (run_.test->cancelled) {
        note = QStringLiteral("The pairwise test was cancelled: no P-values are shown. Run it again for them.");
    } else {
        std::size_t significant = 0;
        for (const auto& holm : run_.test->holm)
            if (holm && *holm < 0.05) ++significant;
        note = QStringLiteral(
                   "Pairwise test of %1 randomisations, seeds %2,%3: %4 of %5 pairs with Holm's P "
                   "below 0.05 (dots in the heat map).")
                   .arg(run_.testOptions->randomisations)
                   .arg(run_.testOptions->seed1)
                   .arg(run_.testOptions->seed2)
                   .arg(significant)
                   .arg(run_.test->holm.size());
    }
    note_->setText(note);
}

void StatisticsWindow::setTestRunning(bool running) {
    testRunning_ = running;
    for (QWidget* control : std::initializer_list<QWidget*>{runButton_, exportTablesButton_, exportFigureButton_,
                                                            randomisations_, seed1_, seed2_})
        control->setEnabled(!running);
    emit testRunningChanged(running);
}

void StatisticsWindow::requestCancel() {
    if (testRunning_) progress_->requestCancel();
}

void StatisticsWindow::runTest() {
    if (testRunning_) return;
    statistics::PairwiseTestOptions options;
    options.randomisations = randomisations_->value();
    options.seed1 = seed1_->value();
    options.seed2 = seed2_->value();
    options.threads = threads_;
    run_.testOptions = options;
    // The last test's P-values do not stay beside the new test's settings.
    run_.test.reset();
    refresh();
    note_->setText(QStringLiteral("Testing %1 pairs...").arg(run_.statistics.pairs.size()));
    setTestRunning(true);
    PanelObserver observer(*progress_);
    try {
        run_.test = statistics::runPairwiseTest(input_.data, run_.statistics.pairTheta, options, observer);
    } catch (const std::exception& e) {
        run_.testOptions.reset();
        dialogs_.message(this, MessageKind::Error, displayText(e.what()));
    }
    setTestRunning(false);
    refresh();
    if (closePending_) {
        closePending_ = false;
        close();
    }
}

void StatisticsWindow::exportTables() {
    try {
        QString written;
        for (const std::string& path : run::writeStatisticsTables(
                 input_.data, run_.statistics, run_.test ? &*run_.test : nullptr, run::statisticsFiles(base_)))
            written += QStringLiteral("\n") + QString::fromStdString(path);
        dialogs_.message(this, MessageKind::Information,
                         QStringLiteral("The statistics tables were written:") + written);
    } catch (const base::FatalError& e) {
        dialogs_.message(this, MessageKind::Error, displayText(e.what()));
    }
}

void StatisticsWindow::exportFigure() {
    const QString svg = QStringLiteral("SVG figure (*.svg)");
    const QString pdf = QStringLiteral("PDF figure (*.pdf)");
    const QString png = QStringLiteral("PNG figure (*.png)");
    QString filter = svg;
    std::optional<QString> chosen =
        dialogs_.chooseSaveFile(this, QStringLiteral("Export heat map"),
                                svg + QStringLiteral(";;") + pdf + QStringLiteral(";;") + png, &filter);
    if (!chosen) return;
    // A name typed without a figure extension takes the chosen filter's.
    if (!filter.isEmpty() && !figure::figureFormat(chosen->toStdString()))
        *chosen += filter == pdf   ? QStringLiteral(".pdf")
                   : filter == png ? QStringLiteral(".png")
                                   : QStringLiteral(".svg");
    const std::string path = chosen->toStdString();
    if (refuse_)
        if (const auto problem = refuse_(path))
            return dialogs_.message(this, MessageKind::Error, displayText(*problem));
    try {
        figure::writeFigureFile(path, heatMapSvg(), figure::kDefaultPngWidth, renderFigure);
    } catch (const base::FatalError& e) {
        dialogs_.message(this, MessageKind::Error, displayText(e.what()));
    }
}

void StatisticsWindow::closeEvent(QCloseEvent* event) {
    if (testRunning_) {
        // The window closes once the test has unwound.
        closePending_ = true;
        progress_->requestCancel();
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace zeltric::ui
