#pragma once

#include <QDialog>

#include <string>

#include "formats/foreign_formats.hpp"

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace zeltric::ui {

class MainWindow;

// The import dialog of a STRUCTURE file: shows what was detected (or why the
// layout stays open) and lets the user state the number of loci, the rows
// per individual, the extra columns and the missing value. Thin: it only
// moves values between its controls and formats::StructureOptions.
class StructureImportDialog : public QDialog {
    Q_OBJECT
public:
    // `detected` fills the controls; `report` is the line shown above them.
    StructureImportDialog(QWidget* parent, const std::optional<formats::StructureLayout>& detected,
                          const QString& report);
    // The values as stated; "detect" items stay unset.
    formats::StructureOptions options() const;

private:
    QLabel* detectedLabel_;
    QSpinBox* lociField_;      // 0 = detect
    QComboBox* rowsChoice_;    // detect, 1, 2
    QSpinBox* extraField_;     // -1 = detect
    QLineEdit* missingField_;  // a whole number
};

// File > Open of a file in another format: detects it (FSTAT only when
// `fstatChosen`, the file type the user picked), asks about a STRUCTURE
// layout, converts it beside the source and opens the converted data file
// with its label file. Returns false when the file is a data file (the
// caller opens it as before); true when it was converted and opened, or the
// import dialog was cancelled. Raises base::FatalError as the conversion does.
bool openForeignFile(MainWindow& window, const std::string& path, bool fstatChosen);

}  // namespace zeltric::ui
