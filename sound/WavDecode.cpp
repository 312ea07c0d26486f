// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
#include "sound/WavDecode.h"

#include "sound/SoundLimits.h"

#include "sound/SoundLibraries.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvsound {

namespace {

DecodeResult failure(DecodeError error)
{
    DecodeResult r;
    r.error = error;
    return r;
}

// libsndfile reads from our buffer through these callbacks; it never sees a
// file descriptor, so no parser of it can reach beyond the bytes we read.
struct MemoryFile
{
    const unsigned char *data;
    sf_count_t size;
    sf_count_t pos;
};

sf_count_t memLength(void *user)
{
    return static_cast<MemoryFile *>(user)->size;
}

sf_count_t memSeek(sf_count_t offset, int whence, void *user)
{
    auto *m = static_cast<MemoryFile *>(user);
    sf_count_t base = 0;
    switch (whence) {
    case SEEK_SET:
        base = 0;
        break;
    case SEEK_CUR:
        base = m->pos;
        break;
    case SEEK_END:
        base = m->size;
        break;
    default:
        return -1;
    }
    // Offsets come from the file's own headers: guard the addition itself.
    // Like lseek, a position past the end is allowed; reads there get nothing.
    if (offset < -base || offset > std::numeric_limits<sf_count_t>::max() - base)
        return -1;
    m->pos = base + offset;
    return m->pos;
}

sf_count_t memRead(void *ptr, sf_count_t count, void *user)
{
    auto *m = static_cast<MemoryFile *>(user);
    if (count <= 0 || m->pos >= m->size)
        return 0;
    const sf_count_t n = std::min(count, m->size - m->pos);
    std::memcpy(ptr, m->data + m->pos, static_cast<std::size_t>(n));
    m->pos += n;
    return n;
}

sf_count_t memWrite(const void *, sf_count_t, void *)
{
    return 0;
}

sf_count_t memTell(void *user)
{
    return static_cast<MemoryFile *>(user)->pos;
}

struct SndfileCloser
{
    const Sndfile *sf;
    void operator()(SNDFILE *f) const { sf->sf_close(f); }
};

std::int16_t toSample(float v)
{
    if (std::isnan(v))
        return 0;
    const float scaled = std::clamp(v, -1.0f, 1.0f) * 32768.0f;
    return static_cast<std::int16_t>(std::clamp(std::lrint(scaled), -32768L, 32767L));
}

} // namespace

DecodeResult decodeWavBuffer(const void *data, std::size_t size, const CancelCheck &cancelled, const Sndfile *sf)
{
    if (size < static_cast<std::size_t>(kMinFileBytes))
        return failure(DecodeError::TooSmall);
    if (size > static_cast<std::size_t>(kMaxFileBytes))
        return failure(DecodeError::TooLarge);
    const auto *bytes = static_cast<const unsigned char *>(data);
    // Only RIFF/WAVE reaches libsndfile: its parsers for every other format
    // stay out of reach of whatever lies in the program's directory.
    if (std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0)
        return failure(DecodeError::NotWav);

    if (!sf)
        return failure(DecodeError::NoDecoder);
    MemoryFile mem{bytes, static_cast<sf_count_t>(size), 0};
    SF_VIRTUAL_IO io{memLength, memSeek, memRead, memWrite, memTell};
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndfileCloser> file(sf->sf_open_virtual(&io, SFM_READ, &info, &mem), SndfileCloser{sf});
    if (!file)
        return failure(DecodeError::Undecodable);

    const int type = info.format & SF_FORMAT_TYPEMASK;
    if (type != SF_FORMAT_WAV && type != SF_FORMAT_WAVEX)
        return failure(DecodeError::NotWav);
    if (info.channels < kMinChannels || info.channels > kMaxChannels)
        return failure(DecodeError::BadChannels);
    if (info.samplerate < kMinRate || info.samplerate > kMaxRate)
        return failure(DecodeError::BadRate);

    // Every encoding is read as normalised float and converted here: reading
    // a float file as integers would give near-silence, and a 16-bit file
    // comes back exactly (x / 32768 * 32768).
    sf->sf_command(file.get(), SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);

    const auto channels = static_cast<std::size_t>(info.channels);
    // libsndfile counts the frames from the data actually present, so a file
    // that announces too many is refused before any of it is decoded; the
    // loop below enforces the same bound on what really comes out.
    if (info.frames > 0 && static_cast<std::uint64_t>(info.frames) > kMaxDecodedSamples / channels)
        return failure(DecodeError::TooLong);
    constexpr std::size_t chunkFrames = 4096;
    std::vector<float> chunk(chunkFrames * channels);
    auto pcm = std::make_shared<Pcm>();
    pcm->rate = info.samplerate;
    pcm->channels = info.channels;
    // The header's frame count may lie; it only sizes the first reservation.
    if (info.frames > 0)
        pcm->samples.reserve(std::min<std::size_t>(
            static_cast<std::size_t>(info.frames) * channels, std::min<std::size_t>(kMaxDecodedSamples, size * 4)));

    for (;;) {
        if (cancelled && cancelled())
            return failure(DecodeError::Cancelled);
        const sf_count_t got = sf->sf_readf_float(file.get(), chunk.data(), static_cast<sf_count_t>(chunkFrames));
        if (got <= 0)
            break;
        const std::size_t n = static_cast<std::size_t>(got) * channels;
        if (pcm->samples.size() + n > kMaxDecodedSamples)
            return failure(DecodeError::TooLong);
        for (std::size_t i = 0; i < n; ++i)
            pcm->samples.push_back(toSample(chunk[i]));
    }
    if (pcm->samples.empty())
        return failure(DecodeError::Empty);
    pcm->samples.shrink_to_fit();

    DecodeResult r;
    r.pcm = std::move(pcm);
    return r;
}

DecodeResult decodeWavFile(const char *path, const CancelCheck &cancelled)
{
    if (!path || !*path)
        return failure(DecodeError::Missing);

    // Look before opening: opening some devices has effects of its own.
    struct stat st
    {
    };
    if (::stat(path, &st) != 0)
        return failure(DecodeError::Missing);
    if (!S_ISREG(st.st_mode))
        return failure(DecodeError::NotRegular);

    // O_NONBLOCK: should the path have become a FIFO since, open returns at once.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return failure(DecodeError::Missing);
    struct FdCloser
    {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};

    // The file may have changed since the caller looked: check what we hold.
    if (::fstat(fd, &st) != 0)
        return failure(DecodeError::ReadFailed);
    if (!S_ISREG(st.st_mode))
        return failure(DecodeError::NotRegular);
    if (st.st_size < kMinFileBytes)
        return failure(DecodeError::TooSmall);
    if (st.st_size > kMaxFileBytes)
        return failure(DecodeError::TooLarge);

    // Not zero-filled: a 16 MiB memset would delay the first cancel check.
    const auto size = static_cast<std::size_t>(st.st_size);
    const auto buffer = std::make_unique_for_overwrite<unsigned char[]>(size);
    std::size_t have = 0;
    constexpr std::size_t readChunk = 1024 * 1024;
    while (have < size) {
        if (cancelled && cancelled())
            return failure(DecodeError::Cancelled);
        const ssize_t n = ::read(fd, buffer.get() + have, std::min(readChunk, size - have));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return failure(DecodeError::ReadFailed);
        }
        if (n == 0)
            break; // shrank while we read: decode what is there
        have += static_cast<std::size_t>(n);
    }
    return decodeWavBuffer(buffer.get(), have, cancelled);
}

} // namespace kvsound
