#pragma once

#include <QFont>
#include <QImage>
#include <QMainWindow>
#include <QString>
#include <optional>

#include "run/session.hpp"
#include "ui/dialog_seam.hpp"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QSpinBox;

namespace zeltric::ui {

// Shows the plot bitmap at its own size.
class PlotImage : public QWidget {
    Q_OBJECT

public:
    explicit PlotImage(QWidget* parent = nullptr) : QWidget(parent) {}
    // `display`, when not null, is the same picture drawn at the screen's
    // device pixel ratio and is what the widget shows.
    void setPicture(QImage picture, QImage display = {});
    const QImage& picture() const { return picture_; }
    const QImage& display() const { return display_.isNull() ? picture_ : display_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
    QImage display_;
};

// The ordination plot window. It copies nothing from the session: every
// redraw reads the analysed samples, the PCA figures, the P-values, the
// colours and the label and Testing check marks afresh.
class PlotWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit PlotWindow(run::Session& session);
    ~PlotWindow() override;

    // Draws the description and the picture of axes x (horizontal) and y.
    void redraw(int x, int y);
    // The axis choosers' ranges for the analysed data set, axes 1 and 2
    // drawn, the window shown.
    void showFirstAxes();

    // The description exactly as built (lines separated by LF CR); the label
    // shows it with a plain line break.
    const std::string& description() const { return description_; }
    const QImage& picture() const;
    // The font confirmed last in this window's font dialog, if any.
    const std::optional<QFont>& plotFont() const { return plotFont_; }
    // The save, export, font and colour dialogs and the error boxes.
    DialogSeam& dialogs() { return dialogs_; }

private:
    void closeWindow();
    void saveBitmap();
    // Writes the figure of the axes and colours shown, as SVG, PDF or PNG.
    void exportFigure();
    void chooseColours();
    void chooseFont();
    void showError(const std::string& message);
    void layoutPanels();
    void redrawCurrent();

    run::Session& session_;
    DialogSeam dialogs_;
    QFrame* axisPanel_ = nullptr;
    QFrame* plotPanel_ = nullptr;
    PlotImage* plotImage_ = nullptr;
    QSpinBox* xAxisChooser_ = nullptr;
    QSpinBox* yAxisChooser_ = nullptr;
    QLabel* descriptionLabel_ = nullptr;
    QAction* fontAction_ = nullptr;
    std::optional<QFont> plotFont_;
    bool fontMarked_ = false;       // the Font item's check mark, kept apart from Qt's auto-toggle
    bool figureIntervals_ = false;  // the export dialog's check box, kept for the next export
    std::string description_;
};

// Creates the plot window for the analysed data set: all sample colours
// black, axes 1 and 2, drawn, graphShown on, shown modeless. When the
// analysis has fewer than three samples or allele columns, the window shows
// a note instead of a plot. The caller owns the window.
PlotWindow* launchGraph(run::Session& session);

// Closes and destroys `window` (whether shown, hidden or closed through its
// own Exit item) and sets graphShown off; used by the open step and before
// the go step launches the next window. Null is allowed.
void destroyGraph(run::Session& session, PlotWindow*& window);

// The exit step's teardown while a plot window exists: destroys the window,
// releases the analysed per-run tables, unchecks Testing, disables Go, and
// sets graphShown off.
void releaseRun(run::Session& session, PlotWindow*& window);

}  // namespace zeltric::ui
