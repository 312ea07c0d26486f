// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// A sound output for tests: records every request instead of playing it.
#pragma once

#include "sound/modLjud.h"

#include <QString>
#include <QStringList>

class SoundRecorder : public modLjud::SoundOutput
{
public:
    SoundRecorder() { modLjud::setSoundOutput(this); }
    ~SoundRecorder() override { modLjud::setSoundOutput(nullptr); }

    std::int32_t play(const char *path, std::uint32_t flags) override
    {
        requests << QString::fromLocal8Bit(path);
        lastFlags = flags;
        return 1;
    }

    // The file names requested, without the directory.
    QStringList names() const
    {
        QStringList result;
        for (const QString &path : requests)
            result << path.section(QLatin1Char('/'), -1);
        return result;
    }

    QStringList requests;
    std::uint32_t lastFlags = 0;
};
