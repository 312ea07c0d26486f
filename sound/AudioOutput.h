// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// Where decoded sounds go. The player calls these from its loader thread
// only, one call at a time; an implementation must return promptly and never
// wait for a sound server.
#pragma once

#include "sound/WavDecode.h"

#include <memory>

namespace kvsound {

class AudioOutput
{
public:
    virtual ~AudioOutput() = default;
    // Starts pcm from its beginning. Whatever was playing has been stopped.
    virtual void start(std::shared_ptr<const Pcm> pcm) = 0;
    // Silences the sound in progress at once (and forgets one not yet started).
    virtual void stop() = 0;
};

} // namespace kvsound
