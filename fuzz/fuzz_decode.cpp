// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// libFuzzer target for the decode step: any bytes the program directory could
// hold, fed to the in-memory decoder the loader thread uses.
#include "sound/SoundLimits.h"
#include "sound/WavDecode.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const kvsound::DecodeResult r = kvsound::decodeWavBuffer(data, size);
    if (r.ok()) {
        // Whatever decodes must keep the bounds the output relies on.
        const kvsound::Pcm &pcm = *r.pcm;
        if (pcm.channels < kvsound::kMinChannels || pcm.channels > kvsound::kMaxChannels || pcm.rate < kvsound::kMinRate
            || pcm.rate > kvsound::kMaxRate || pcm.samples.empty() || pcm.samples.size() > kvsound::kMaxDecodedSamples
            || pcm.samples.size() % static_cast<std::size_t>(pcm.channels) != 0)
            std::abort();
    } else if (r.pcm) {
        std::abort();
    }
    return 0;
}
