// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
#include "StartupErrors.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace StartupErrors {

namespace {

QtMessageHandler previousHandler = nullptr;
// Messages of the start-up, held back: Qt names the cause of a failure in a
// warning before the fatal message that ends it.
QList<std::pair<QtMsgType, QString>> held;

void handler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtFatalMsg) {
        held.append({type, message});
        return;
    }
    QString cause = message.section(QLatin1Char('\n'), 0, 0);
    for (const auto &[heldType, text] : std::as_const(held)) {
        if (heldType == QtWarningMsg || heldType == QtCriticalMsg) {
            cause = text;
            break;
        }
    }
    std::fprintf(stderr, "kvindo: cannot open the game window: %s\n", cause.simplified().toLocal8Bit().constData());
    std::fflush(stderr);
    std::_Exit(EXIT_FAILURE);
}

} // namespace

void catchPlatformFailures()
{
    previousHandler = qInstallMessageHandler(handler);
}

void release()
{
    qInstallMessageHandler(previousHandler);
    // No failure followed: let the held messages be seen after all.
    for (const auto &[type, text] : std::as_const(held))
        qt_message_output(type, QMessageLogContext(), text);
    held.clear();
}

} // namespace StartupErrors
