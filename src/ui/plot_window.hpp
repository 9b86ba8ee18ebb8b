#pragma once

#include <QFont>
#include <QImage>
#include <QMainWindow>
#include <QString>
#include <deque>
#include <functional>
#include <optional>

#include "run/session.hpp"

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

    QFrame* Panel1 = nullptr;
    QFrame* Panel2 = nullptr;
    PlotImage* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QSpinBox* SpinEdit2 = nullptr;
    QMenu* File1 = nullptr;
    QAction* SaveAs1 = nullptr;
    QAction* Print1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* Options1 = nullptr;
    QAction* Color1 = nullptr;
    QLabel* descript = nullptr;
    QAction* mFont1 = nullptr;
    QAction* ExportFigure1 = nullptr;  // File > Export figure, after the original items

    void Exit1Click();
    void SaveAs1Click();
    void SpinEdit1Change();
    // Draws the description and the picture of axes x (horizontal) and y.
    void redraw(int x, int y);
    void SpinEdit2Change();
    void Color1Click();
    void mFont1Click();
    void FormResize();
    // Writes the figure of the axes and colours shown, as SVG, PDF or PNG.
    void ExportFigure1Click();

    // The description exactly as built (lines separated by LF CR); the label
    // shows it with a plain line break.
    const std::string& description() const { return description_; }
    const QImage& picture() const;
    // The font confirmed last in this window's font dialog, if any.
    const std::optional<QFont>& plotFont() const { return plotFont_; }

    // Test seams for the modal dialogs. Each queued answer is used by the next
    // showing instead of the real dialog; an empty optional is a cancel.
    static void setNextFileName(std::optional<QString> name);
    static void setNextFont(std::optional<QFont> font);
    // Receives the text of an error box instead of showing it; null restores
    // the real box.
    static void setErrorBoxHook(std::function<void(const QString&)> hook);

private:
    void layoutPanels();
    void redrawCurrent();

    run::Session& session_;
    std::optional<QFont> plotFont_;
    bool fontMarked_ = false;  // mFont1's check mark, kept apart from Qt's auto-toggle
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
