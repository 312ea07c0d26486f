// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// The bounds every sound file must keep before it is decoded and played.
// A cue for a card turn lasts a fraction of a second; these leave ample room
// for any sensible file while keeping a hostile one from costing more than
// a few tens of megabytes or a few tens of milliseconds of loader time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvsound {

// Size of the file on disk: the RIFF header alone is 12 bytes, and 16 MiB
// is about 95 s of 44.1 kHz 16-bit stereo.
inline constexpr std::int64_t kMinFileBytes = 12;
inline constexpr std::int64_t kMaxFileBytes = 16 * 1024 * 1024;

// Decoded size in 16-bit samples (all channels together): 32 MiB at most,
// whatever the encoding's compression ratio.
inline constexpr std::size_t kMaxDecodedSamples = 16u * 1024u * 1024u;

inline constexpr int kMinChannels = 1;
inline constexpr int kMaxChannels = 8;
inline constexpr int kMinRate = 4000;
inline constexpr int kMaxRate = 192000;

} // namespace kvsound
