#pragma once

#include <QMainWindow>
#include <functional>
#include <optional>
#include <string>

#include "run/statistics_step.hpp"
#include "ui/dialog_seam.hpp"

class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTabWidget;

namespace zeltric::ui {

class ProgressPanel;

// Options > Statistics: Weir and Cockerham's theta, Nei's diversities and
// pairwise theta of the last go step's analysed data, as three tables (the
// bytes zeltric-cli's --statistics writes, shown cell by cell) and the heat
// map of the pairwise matrix, with the pairwise test run here with its own
// progress bar and Cancel. The window keeps its own copy of the data, so a
// later open or go step cannot pull it away; the main window closes it then.
class StatisticsWindow : public QMainWindow {
    Q_OBJECT
public:
    // `base` names the outputs the tables go beside (NAME-loci.csv, ...);
    // `threads` the workers of the computation and the test (0: all cores).
    // `refuse` says why a figure must not go to a path (nothing: it may).
    using FigureTargetCheck = std::function<std::optional<std::string>(const std::string& path)>;
    StatisticsWindow(run::StatisticsInput input, std::string base, int threads, FigureTargetCheck refuse);
    ~StatisticsWindow() override;

    bool testRunning() const { return testRunning_; }
    // Asks a running test to stop (closing the main window does).
    void requestCancel();
    // The save dialog and the boxes.
    DialogSeam& dialogs() { return dialogs_; }
    // What the window shows: the tables' texts and the heat map's SVG.
    const run::StatisticsRun& shown() const { return run_; }
    std::string lociText() const;
    std::string pairwiseText() const;
    std::string samplesText() const;
    std::string heatMapSvg() const;

signals:
    // A test started or ended: the main window takes no command meanwhile.
    void testRunningChanged(bool running);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void runTest();
    void exportTables();
    void exportFigure();
    // Tables, summary, heat map and note from run_.
    void refresh();
    void setTestRunning(bool running);

    run::StatisticsInput input_;
    std::string base_;
    int threads_;
    FigureTargetCheck refuse_;
    run::StatisticsRun run_;
    DialogSeam dialogs_;
    QTabWidget* tabs_ = nullptr;
    QTableWidget* lociTable_ = nullptr;
    QTableWidget* pairwiseTable_ = nullptr;
    QTableWidget* samplesTable_ = nullptr;
    QLabel* heatMap_ = nullptr;
    QLabel* summary_ = nullptr;
    QLabel* note_ = nullptr;
    QSpinBox* randomisations_ = nullptr;
    QSpinBox* seed1_ = nullptr;
    QSpinBox* seed2_ = nullptr;
    QPushButton* runButton_ = nullptr;
    QPushButton* exportTablesButton_ = nullptr;
    QPushButton* exportFigureButton_ = nullptr;
    ProgressPanel* progress_ = nullptr;
    bool testRunning_ = false;
    bool closePending_ = false;
};

}  // namespace zeltric::ui
