// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// Decoding of one sound file into 16-bit PCM, with every bound of
// SoundLimits.h enforced. Pure functions: no threads, no sound server.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace kvsound {

struct Pcm
{
    std::vector<std::int16_t> samples; // interleaved
    int rate = 0;
    int channels = 0;

    std::size_t frames() const { return channels > 0 ? samples.size() / static_cast<std::size_t>(channels) : 0; }
};

enum class DecodeError {
    None,
    Missing,    // cannot be opened (missing, dangling link, unreadable)
    NotRegular, // directory, FIFO, device, socket
    TooSmall,   // fewer than kMinFileBytes
    TooLarge,   // more than kMaxFileBytes
    ReadFailed,
    NotWav,      // no RIFF....WAVE magic, or not opened as WAV
    Undecodable, // libsndfile refused it
    BadChannels,
    BadRate,
    TooLong,   // decodes to more than kMaxDecodedSamples
    Empty,     // decodes to no frames at all
    Cancelled, // a newer request (or shutdown) made the work pointless
    NoDecoder, // libsndfile is not installed
};

struct DecodeResult
{
    std::shared_ptr<const Pcm> pcm; // set exactly when error == None
    DecodeError error = DecodeError::None;

    bool ok() const { return error == DecodeError::None; }
};

// Returns true when the caller no longer wants the result; polled between
// chunks of reading and decoding.
using CancelCheck = std::function<bool()>;

struct Sndfile;
const Sndfile *sndfile();

// Decodes a WAV file held in memory. The buffer must start with the RIFF/WAVE
// magic and lie within the file size limits. decoder: libsndfile's functions
// (a test's stand-in).
DecodeResult decodeWavBuffer(
    const void *data, std::size_t size, const CancelCheck &cancelled = {}, const Sndfile *decoder = sndfile());

// Opens path without blocking (a FIFO or device never stalls the caller),
// re-checks type and size on the descriptor, reads at most kMaxFileBytes and
// decodes the bytes with decodeWavBuffer.
DecodeResult decodeWavFile(const char *path, const CancelCheck &cancelled = {});

} // namespace kvsound
