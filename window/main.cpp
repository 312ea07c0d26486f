#include "StartupErrors.h"
#include "frmKvindo.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    StartupErrors::catchPlatformFailures();
    QApplication app(argc, argv);
    StartupErrors::release();
    QApplication::setApplicationName(QStringLiteral("kvindo"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    // Lets the desktop match the window to its launcher and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("se.norvakk.Kvindo"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icon/kvindo.svg")));

    frmKvindo form;
    form.Form_Load();
    return QApplication::exec();
}
