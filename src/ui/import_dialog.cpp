#include "ui/import_dialog.hpp"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/fatal_error.hpp"
#include "run/label_command.hpp"
#include "run/steps.hpp"
#include "ui/extended_open.hpp"
#include "ui/main_window.hpp"

namespace zeltric::ui {

StructureImportDialog::StructureImportDialog(QWidget* parent,
                                             const std::optional<formats::StructureLayout>& detected,
                                             const QString& report)
    : QDialog(parent),
      detectedLabel_(new QLabel(report)),
      lociField_(new QSpinBox),
      rowsChoice_(new QComboBox),
      extraField_(new QSpinBox),
      missingField_(new QLineEdit) {
    setObjectName(QStringLiteral("structureImport"));
    setWindowTitle(QStringLiteral("Import a STRUCTURE file"));
    detectedLabel_->setObjectName(QStringLiteral("lDetected"));
    detectedLabel_->setWordWrap(true);
    lociField_->setObjectName(QStringLiteral("eLoci"));
    lociField_->setRange(0, 100000);
    lociField_->setSpecialValueText(QStringLiteral("detect"));
    rowsChoice_->setObjectName(QStringLiteral("cRows"));
    rowsChoice_->addItems({QStringLiteral("detect"), QStringLiteral("1"), QStringLiteral("2")});
    extraField_->setObjectName(QStringLiteral("eExtra"));
    extraField_->setRange(-1, 100000);
    extraField_->setSpecialValueText(QStringLiteral("detect"));
    extraField_->setValue(-1);
    missingField_->setObjectName(QStringLiteral("eMissing"));
    missingField_->setText(QStringLiteral("-9"));
    if (detected) {
        lociField_->setValue(detected->loci);
        rowsChoice_->setCurrentIndex(detected->rows);
        extraField_->setValue(detected->extraColumns);
        missingField_->setText(QString::number(detected->missing));
    }
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Loci:"), lociField_);
    form->addRow(QStringLiteral("Rows per individual:"), rowsChoice_);
    form->addRow(QStringLiteral("Extra columns after PopData:"), extraField_);
    form->addRow(QStringLiteral("Missing value:"), missingField_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(detectedLabel_);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

formats::StructureOptions StructureImportDialog::options() const {
    formats::StructureOptions o;
    if (lociField_->value() > 0) o.loci = lociField_->value();
    if (rowsChoice_->currentIndex() > 0) o.rows = rowsChoice_->currentIndex();
    if (extraField_->value() >= 0) o.extraColumns = extraField_->value();
    bool ok = false;
    const long long missing = missingField_->text().trimmed().toLongLong(&ok);
    if (ok) o.missing = missing;
    return o;
}

bool openForeignFile(MainWindow& window, const std::string& path, bool fstatChosen) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const formats::Format format = fstatChosen
                                       ? formats::Format::Fstat
                                       : formats::detect(bytes, std::filesystem::path(path).extension().string());
    if (format == formats::Format::ZeltricData) return false;

    formats::StructureOptions options;
    if (format == formats::Format::Structure) {
        std::optional<formats::StructureLayout> detected;
        QString report;
        try {
            detected = formats::structureLayout(bytes, path, {});
            report = QStringLiteral("Detected: ") + QString::fromStdString(formats::describeLayout(*detected));
        } catch (const base::FatalError& open) {
            report = displayText(open.what());
        }
        StructureImportDialog dialog(&window, detected, report);
        if (!window.dialogs().runDialog(dialog)) return true;
        options = dialog.options();
    }
    // Past the data file's limits it goes to the extended analysis instead.
    if (openForeignPastLimits(window, path, format, options)) return true;
    const auto converted = formats::convertFile(path, format, options);
    for (const std::string& note : converted->notes)
        window.dialogs().message(&window, MessageKind::Information, displayText(note));
    run::openStep(window.session(), window.port(), converted->paths.dataFile);
    window.session().settings.convertedFrom =
        run::ConvertedSource{path, formats::formatName(format), converted->paths.alleleTable, converted->sha256};
    run::labelCommand(window.session(), converted->paths.labelFile);
    return true;
}

}  // namespace zeltric::ui
