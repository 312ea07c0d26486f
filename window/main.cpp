#include "StartupErrors.h"
#include "frmKvindo.h"
#include "sound/SoundPlayer.h"
#include "sound/modLjud.h"

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

    // The sound output outlives the window, whose first deal already asks
    // for a cue.
    kvsound::SoundPlayer sound;
    modLjud::setSoundOutput(&sound);
    int status = 0;
    {
        frmKvindo form;
        form.Form_Load();
        status = QApplication::exec();
    }
    modLjud::setSoundOutput(nullptr);
    return status;
}
