#include "ui/extended_open.hpp"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "base/fatal_error.hpp"
#include "extended/input_kind.hpp"
#include "platform/platform.hpp"
#include "run/extended_step.hpp"
#include "ui/dialog_seam.hpp"
#include "ui/main_window.hpp"

namespace zeltric::ui {

namespace {

int readerThreads(const run::Session& session) {
    return session.settings.threads > 0 ? session.settings.threads : platform::usableProcessorCount();
}

// The map of a VCF or BCF file that has none beside it, asked for in a file
// dialog opened in the data's folder; nothing when cancelled.
std::optional<std::string> askPopulationMap(MainWindow& window, const std::string& path) {
    const QFileInfo data(QString::fromStdString(path));
    QFileDialog dialog(&window);
    dialog.setObjectName(QStringLiteral("popmapOpenDlg"));
    dialog.setWindowTitle(QStringLiteral("Population map for %1").arg(data.fileName()));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("population maps (*.popmap *.txt);;all files (*)"));
    dialog.setDirectory(data.absolutePath());
    const std::optional<QString> chosen = window.dialogs().chooseFile(dialog);
    if (!chosen) return std::nullopt;
    return QDir::toNativeSeparators(*chosen).toStdString();
}

}  // namespace

bool isExtendedOnlyFile(const std::string& path) {
    return extended::DetectInputKind(path) != extended::InputKind::Other;
}

bool openExtendedFile(MainWindow& window, const std::string& path, const LociProgress& progress) {
    run::ExtendedRequest request;
    request.dataFile = path;
    request.popmapFile = run::PopulationMapBeside(path);
    if (!request.popmapFile && run::NeedsPopulationMap(path)) {
        request.popmapFile = askPopulationMap(window, path);
        if (!request.popmapFile) return false;
    }
    request.threads = readerThreads(window.session());
    request.progress = progress;
    try {
        return run::ExtendedOpenStep(window.session(), window.port(), request);
    } catch (const base::FatalError& refused) {
        window.dialogs().message(&window, MessageKind::Error, displayText(refused.what()));
    }
    return false;
}

bool openForeignPastLimits(MainWindow& window, const std::string& path, formats::Format format,
                           const formats::StructureOptions& options) {
    run::ExtendedRequest request;
    request.dataFile = path;
    request.forcedFormat = format;
    request.structure = options;
    request.threads = readerThreads(window.session());
    return run::ExtendedOpenStep(window.session(), window.port(), request);
}

}  // namespace zeltric::ui
