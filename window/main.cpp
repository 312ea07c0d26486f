// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
#include "StartupErrors.h"
#include "frmKvindo.h"
#include "sound/SoundPlayer.h"
#include "sound/modLjud.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    StartupErrors::catchPlatformFailures();
    QApplication app(argc, argv);
    StartupErrors::release();
    QApplication::setApplicationName(QStringLiteral("kvindo"));
    QApplication::setApplicationVersion(QStringLiteral(KVINDO_VERSION));
    // Lets the desktop match the window to its launcher and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(KVINDO_APP_ID));

    // The sound output outlives the window, whose first deal already asks
    // for a cue.
    kvsound::SoundPlayer sound(kvsound::SoundPlayer::Start::OnGo);
    modLjud::setSoundOutput(&sound);
    int status = 0;
    {
        frmKvindo form;
        QApplication::setWindowIcon(form.windowIcon());
        form.Form_Load();
        // The sound starts once the window has painted its first frame (or
        // after a moment, should it never be shown); the first card's cue
        // waits for it.
        QObject::connect(&form, &frmKvindo::firstFramePainted, &form, [&sound] { sound.go(); });
        QTimer::singleShot(500, &form, [&sound] { sound.go(); });
        status = QApplication::exec();
    }
    modLjud::setSoundOutput(nullptr);
    return status;
}
