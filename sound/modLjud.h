// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// The game's sound module: the one sound request the game makes, and the
// result of the last request.
#pragma once

#include <cstdint>

namespace modLjud {

// Flags of PlaySoundA; the game always passes both.
inline constexpr std::uint32_t SND_ASYNC = 0x0001;     // return at once; a new request cuts off the old sound
inline constexpr std::uint32_t SND_NODEFAULT = 0x0002; // a missing or unreadable file plays nothing

// Whatever actually plays the sounds. The program installs one at start-up;
// tests install a recorder.
class SoundOutput
{
public:
    virtual ~SoundOutput() = default;
    // Non-zero when the request was accepted.
    virtual std::int32_t play(const char *path, std::uint32_t flags) = 0;
};

// Plays the WAV file at path (a '/'-separated absolute path). Returns non-zero
// when the request was accepted, 0 when it was not (or when no output is set).
std::int32_t PlaySoundA(const char *pszSound, std::int32_t hmod, std::uint32_t fdwSound);

// Result of the latest request, kept as a 16-bit value; nothing reads it.
extern std::int16_t SoundResult;

// A request's result as kept in SoundResult: a non-zero result stays non-zero.
constexpr std::int16_t toSoundResult(std::int32_t result)
{
    return static_cast<std::int16_t>(result < INT16_MIN ? INT16_MIN : result > INT16_MAX ? INT16_MAX : result);
}

// Installs the output PlaySoundA forwards to (not owned; nullptr for silence).
void setSoundOutput(SoundOutput *output);

} // namespace modLjud
