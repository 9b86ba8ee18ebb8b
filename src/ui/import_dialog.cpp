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
#include "ui/main_window.hpp"

namespace zeltric::ui {

StructureImportDialog::StructureImportDialog(QWidget* parent,
                                             const std::optional<formats::StructureLayout>& detected,
                                             const QString& report)
    : QDialog(parent),
      lDetected(new QLabel(report)),
      eLoci(new QSpinBox),
      cRows(new QComboBox),
      eExtra(new QSpinBox),
      eMissing(new QLineEdit) {
    setObjectName(QStringLiteral("structureImport"));
    setWindowTitle(QStringLiteral("Import a STRUCTURE file"));
    lDetected->setObjectName(QStringLiteral("lDetected"));
    lDetected->setWordWrap(true);
    eLoci->setObjectName(QStringLiteral("eLoci"));
    eLoci->setRange(0, 100000);
    eLoci->setSpecialValueText(QStringLiteral("detect"));
    cRows->setObjectName(QStringLiteral("cRows"));
    cRows->addItems({QStringLiteral("detect"), QStringLiteral("1"), QStringLiteral("2")});
    eExtra->setObjectName(QStringLiteral("eExtra"));
    eExtra->setRange(-1, 100000);
    eExtra->setSpecialValueText(QStringLiteral("detect"));
    eExtra->setValue(-1);
    eMissing->setObjectName(QStringLiteral("eMissing"));
    eMissing->setText(QStringLiteral("-9"));
    if (detected) {
        eLoci->setValue(detected->loci);
        cRows->setCurrentIndex(detected->rows);
        eExtra->setValue(detected->extraColumns);
        eMissing->setText(QString::number(detected->missing));
    }
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Loci:"), eLoci);
    form->addRow(QStringLiteral("Rows per individual:"), cRows);
    form->addRow(QStringLiteral("Extra columns after PopData:"), eExtra);
    form->addRow(QStringLiteral("Missing value:"), eMissing);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lDetected);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

formats::StructureOptions StructureImportDialog::options() const {
    formats::StructureOptions o;
    if (eLoci->value() > 0) o.loci = eLoci->value();
    if (cRows->currentIndex() > 0) o.rows = cRows->currentIndex();
    if (eExtra->value() >= 0) o.extraColumns = eExtra->value();
    bool ok = false;
    const long long missing = eMissing->text().trimmed().toLongLong(&ok);
    if (ok) o.missing = missing;
    return o;
}

bool openForeignFile(MainWindow& window, const std::string& path, bool fstatChosen) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const formats::Format format =
        fstatChosen ? formats::Format::Fstat
                    : formats::detect(bytes, std::filesystem::path(path).extension().string());
    if (format == formats::Format::ZeltricData) return false;

    formats::StructureOptions options;
    if (format == formats::Format::Structure) {
        std::optional<formats::StructureLayout> detected;
        QString report;
        try {
            detected = formats::structureLayout(bytes, path, {});
            report = QStringLiteral("Detected: ") + QString::fromStdString(formats::describeLayout(*detected));
        } catch (const data::FatalError& open) {
            report = displayText(open.what());
        }
        StructureImportDialog dialog(&window, detected, report);
        if (!window.dialogs().runDialog(dialog)) return true;
        options = dialog.options();
    }
    const auto converted = formats::convertFile(path, format, options);
    for (const std::string& note : converted->notes)
        window.dialogs().message(&window, MessageKind::Information, displayText(note));
    run::openStep(window.session(), window.port(), converted->paths.dataFile);
    window.session().convertedFrom =
        run::Session::ConvertedSource{path, formats::formatName(format), converted->paths.alleleTable};
    run::labelCommand(window.session(), converted->paths.labelFile);
    return true;
}

}  // namespace zeltric::ui
