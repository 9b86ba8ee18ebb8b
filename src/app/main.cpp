#include <QApplication>
#include <QStringList>

#include <cstdlib>
#include <iostream>

#include "base/messages_cli.hpp"
#include "run/session.hpp"
#include "ui/about_box.hpp"
#include "ui/desktop_start.hpp"

int main(int argc, char** argv) {
    // The kernel choice is read here, once; the core never reads the environment.
    const char* kernelName = std::getenv("ZELTRIC_KERNELS");
    const auto kernels = zeltric::analysis::KernelSelection::fromName(kernelName ? kernelName : "");
    if (!kernels) {
        std::cerr << "zeltric: "
                  << zeltric::base::kernelsVariableMessage(kernelName, zeltric::analysis::KernelSelection::names())
                  << '\n';
        return 2;
    }
    QApplication app(argc, argv);
    // The application's title (a display name would be appended to every
    // window caption on some platforms, so it is not set).
    QApplication::setApplicationName(QString::fromUtf8(zeltric::run::kApplicationTitle));
    QApplication::setWindowIcon(zeltric::ui::programIcon());
    // The main window's handlers end the program (Exit, frame, fatal error).
    QApplication::setQuitOnLastWindowClosed(false);

    zeltric::run::Session session;
    session.settings.kernels = *kernels;
    zeltric::ui::Desktop desktop(session);
    zeltric::ui::startDesktop(desktop);
    // `zeltric FILE`: a file manager opening a .dat file with the program.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1) {
        zeltric::ui::openAtStart(desktop, arguments.at(1));
    }
    return QApplication::exec();
}
