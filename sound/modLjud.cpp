// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
#include "modLjud.h"

namespace modLjud {

std::int16_t SoundResult = 0;

namespace {
SoundOutput *currentOutput = nullptr;
}

void setSoundOutput(SoundOutput *output)
{
    currentOutput = output;
}

std::int32_t PlaySoundA(const char *pszSound, std::int32_t /*hmod*/, std::uint32_t fdwSound)
{
    if (!currentOutput || !pszSound)
        return 0;
    return currentOutput->play(pszSound, fdwSound);
}

} // namespace modLjud
