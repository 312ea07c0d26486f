// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// Sound files the tests write for themselves: good tones in every encoding,
// and every kind of bad file the layer must survive.
#pragma once

#include "sound/SoundLimits.h"
#include "sound/WavDecode.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QtEndian>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testfiles {

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline void put16(QByteArray &b, std::uint16_t v)
{
    char c[2];
    qToLittleEndian(v, c);
    b.append(c, 2);
}

inline void put32(QByteArray &b, std::uint32_t v)
{
    char c[4];
    qToLittleEndian(v, c);
    b.append(c, 4);
}

// A canonical 44-byte WAV header. dataBytes is what the header claims; the
// caller appends as much data as it likes.
inline QByteArray wavHeader(
    std::uint16_t formatTag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, std::uint32_t dataBytes)
{
    QByteArray b;
    b.append("RIFF", 4);
    put32(b, dataBytes > 0xFFFFFFFFu - 36 ? 0xFFFFFFFFu : 36 + dataBytes);
    b.append("WAVE", 4);
    b.append("fmt ", 4);
    put32(b, 16);
    put16(b, formatTag);
    put16(b, channels);
    put32(b, rate);
    const std::uint32_t blockAlign = static_cast<std::uint32_t>(channels) * bits / 8;
    put32(b, rate * blockAlign);
    put16(b, static_cast<std::uint16_t>(blockAlign));
    put16(b, bits);
    b.append("data", 4);
    put32(b, dataBytes);
    return b;
}

// Mono 16-bit sine samples.
inline QByteArray pcm16Tone(double hz, double seconds, int rate, double amplitude)
{
    QByteArray b;
    const int n = static_cast<int>(seconds * rate);
    for (int i = 0; i < n; ++i)
        put16(b,
            static_cast<std::uint16_t>(
                static_cast<std::int16_t>(std::lrint(amplitude * 32767.0 * std::sin(2.0 * M_PI * hz * i / rate)))));
    return b;
}

// Mono 32-bit float sine samples, hand-made (independent of libsndfile).
inline QByteArray floatTone(double hz, double seconds, int rate, double amplitude)
{
    QByteArray b;
    const int n = static_cast<int>(seconds * rate);
    for (int i = 0; i < n; ++i) {
        const float v = static_cast<float>(amplitude * std::sin(2.0 * M_PI * hz * i / rate));
        std::uint32_t bits;
        std::memcpy(&bits, &v, 4);
        put32(b, bits);
    }
    return b;
}

inline QByteArray pcm16Wav(double hz, double seconds, int rate = 44100, double amplitude = 0.5)
{
    const QByteArray data = pcm16Tone(hz, seconds, rate, amplitude);
    return wavHeader(1, 1, static_cast<std::uint32_t>(rate), 16, static_cast<std::uint32_t>(data.size())) + data;
}

// A tone written by libsndfile in any of its formats (format: SF_FORMAT_*).
inline bool writeTone(
    const QString &path, int format, int rate, int channels, double hz, double seconds, double amplitude = 0.5)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!f)
        return false;
    const sf_count_t frames = static_cast<sf_count_t>(seconds * rate);
    constexpr sf_count_t chunk = 65536;
    std::vector<double> buf(static_cast<std::size_t>(chunk) * static_cast<std::size_t>(channels));
    sf_count_t written = 0;
    while (written < frames) {
        const sf_count_t n = std::min(chunk, frames - written);
        for (sf_count_t i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c)
                buf[static_cast<std::size_t>(i * channels + c)]
                    = amplitude * std::sin(2.0 * M_PI * hz * double(written + i) / rate);
        if (sf_writef_double(f, buf.data(), n) != n)
            break;
        written += n;
    }
    sf_close(f);
    return written == frames;
}

inline QByteArray randomBytes(int n, unsigned seed)
{
    std::mt19937 gen(seed);
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i)
        b[i] = static_cast<char>(gen() & 0xFF);
    return b;
}

// Frequency of channel 0 from the median spacing of its upward crossings,
// with hysteresis so that codec noise around zero does not count, and the
// median so that an encoder's padding at the end does not either.
inline double dominantHz(const kvsound::Pcm &pcm)
{
    const std::size_t frames = pcm.frames();
    int top = 0;
    for (std::size_t i = 0; i < frames; ++i)
        top = std::max(top, std::abs(int(pcm.samples[i * pcm.channels])));
    const int threshold = top / 10;
    if (threshold == 0)
        return 0;
    int state = 0;
    std::size_t previous = 0;
    std::vector<std::size_t> periods;
    for (std::size_t i = 0; i < frames; ++i) {
        const int v = pcm.samples[i * pcm.channels];
        if (v < -threshold) {
            state = -1;
        } else if (v > threshold && state == -1) {
            state = 1;
            if (previous > 0)
                periods.push_back(i - previous);
            previous = i;
        }
    }
    if (periods.empty())
        return 0;
    std::nth_element(periods.begin(), periods.begin() + periods.size() / 2, periods.end());
    return pcm.rate / double(periods[periods.size() / 2]);
}

inline int peak(const kvsound::Pcm &pcm)
{
    int p = 0;
    for (std::int16_t s : pcm.samples)
        p = std::max(p, std::abs(int(s)));
    return p;
}

// One kind of file the layer meets in the program directory.
struct FileCase
{
    const char *name;
    // Creates the file (or its absence) under dir and returns the path to ask for.
    std::function<QString(const QString &dir)> make;
    int accepted;                // the value the request returns
    kvsound::DecodeError decode; // what the loader makes of it
};

inline QString makeFifo(const QString &dir)
{
    const QString p = dir + "/fifo.wav";
    ::mkfifo(QFile::encodeName(p).constData(), 0644);
    return p;
}

inline QString makeLink(const QString &dir, const char *name, const char *target)
{
    const QString p = dir + "/" + name;
    ::symlink(target, QFile::encodeName(p).constData());
    return p;
}

// Every bad file the layer must survive, with the verdicts it must reach.
inline std::vector<FileCase> badFiles()
{
    using kvsound::DecodeError;
    const QByteArray goodHeader = wavHeader(1, 1, 44100, 16, 44100 * 2);
    return {
        {"missing", [](const QString &d) { return d + "/missing.wav"; }, 0, DecodeError::Missing},
        {"zero bytes",
            [](const QString &d) {
                writeBytes(d + "/zero.wav", {});
                return d + "/zero.wav";
            },
            0, DecodeError::TooSmall},
        {"11 bytes",
            [](const QString &d) {
                writeBytes(d + "/eleven.wav", QByteArray("RIFF\0\0\0\0WAV", 11));
                return d + "/eleven.wav";
            },
            0, DecodeError::TooSmall},
        {"truncated header",
            [goodHeader](const QString &d) {
                writeBytes(d + "/trunc_head.wav", goodHeader.left(20));
                return d + "/trunc_head.wav";
            },
            1, DecodeError::Undecodable},
        {"header only",
            [](const QString &d) {
                writeBytes(d + "/head_only.wav", wavHeader(1, 1, 44100, 16, 0));
                return d + "/head_only.wav";
            },
            1, DecodeError::Empty},
        {"random bytes",
            [](const QString &d) {
                writeBytes(d + "/random.wav", randomBytes(4096, 1));
                return d + "/random.wav";
            },
            1, DecodeError::NotWav},
        {"random bytes after RIFF/WAVE",
            [](const QString &d) {
                QByteArray b = randomBytes(4096, 2);
                b.replace(0, 4, "RIFF");
                b.replace(8, 4, "WAVE");
                writeBytes(d + "/random_riff.wav", b);
                return d + "/random_riff.wav";
            },
            1, DecodeError::Undecodable},
        {"0 channels",
            [](const QString &d) {
                writeBytes(d + "/ch0.wav", wavHeader(1, 0, 44100, 16, 4000) + QByteArray(4000, '\x11'));
                return d + "/ch0.wav";
            },
            1, DecodeError::Undecodable},
        {"65535 channels",
            [](const QString &d) {
                writeBytes(d + "/ch65535.wav", wavHeader(1, 65535, 44100, 16, 4000) + QByteArray(4000, '\x11'));
                return d + "/ch65535.wav";
            },
            1, DecodeError::Undecodable},
        {"9 channels",
            [](const QString &d) {
                writeBytes(d + "/ch9.wav", wavHeader(1, 9, 44100, 16, 18 * 400) + QByteArray(18 * 400, '\x11'));
                return d + "/ch9.wav";
            },
            1, DecodeError::BadChannels},
        {"rate 1 MHz",
            [](const QString &d) {
                writeBytes(d + "/fast.wav", wavHeader(1, 1, 1000000, 16, 4000) + QByteArray(4000, '\x11'));
                return d + "/fast.wav";
            },
            1, DecodeError::BadRate},
        {"rate 0",
            [](const QString &d) {
                writeBytes(d + "/rate0.wav", wavHeader(1, 1, 0, 16, 4000) + QByteArray(4000, '\x11'));
                return d + "/rate0.wav";
            },
            1, DecodeError::Undecodable},
        {"not WAVE inside RIFF",
            [](const QString &d) {
                QByteArray b = pcm16Wav(440, 0.1);
                b.replace(8, 4, "AVI ");
                writeBytes(d + "/avi.wav", b);
                return d + "/avi.wav";
            },
            1, DecodeError::NotWav},
        {"AIFF named .wav",
            [](const QString &d) {
                writeTone(d + "/aiff.wav", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 44100, 1, 440, 0.1);
                return d + "/aiff.wav";
            },
            1, DecodeError::NotWav},
        {"directory",
            [](const QString &d) {
                QDir(d).mkdir("dir.wav");
                return d + "/dir.wav";
            },
            0, DecodeError::NotRegular},
        {"FIFO", [](const QString &d) { return makeFifo(d); }, 0, DecodeError::NotRegular},
        {"symlink to /dev/zero", [](const QString &d) { return makeLink(d, "zero_link.wav", "/dev/zero"); }, 0,
            DecodeError::NotRegular},
        {"symlink to /dev/urandom", [](const QString &d) { return makeLink(d, "urandom_link.wav", "/dev/urandom"); }, 0,
            DecodeError::NotRegular},
        {"dangling symlink", [](const QString &d) { return makeLink(d, "dangling.wav", "/nonexistent/kvindo.wav"); }, 0,
            DecodeError::Missing},
        {"1 GiB sparse, valid header",
            [goodHeader](const QString &d) {
                QFile f(d + "/sparse.wav");
                if (f.open(QIODevice::WriteOnly)) {
                    f.write(goodHeader + pcm16Tone(440, 0.1, 44100, 0.5));
                    f.resize(qint64(1) << 30);
                }
                return d + "/sparse.wav";
            },
            0, DecodeError::TooLarge},
        {"one byte over the size limit",
            [](const QString &d) {
                const qint64 size = kvsound::kMaxFileBytes + 1;
                QFile f(d + "/over.wav");
                if (f.open(QIODevice::WriteOnly)) {
                    f.write(wavHeader(1, 1, 44100, 16, static_cast<std::uint32_t>(size - 44)));
                    f.resize(size);
                }
                return d + "/over.wav";
            },
            0, DecodeError::TooLarge},
        {"decodes past the sample limit",
            [](const QString &d) {
                // IMA ADPCM packs 4 bits a sample: 9 MiB of it is 18 Mi samples.
                const double seconds = double(kvsound::kMaxDecodedSamples) * 1.1 / 44100.0;
                writeTone(d + "/long_adpcm.wav", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 44100, 1, 440, seconds);
                return d + "/long_adpcm.wav";
            },
            1, DecodeError::TooLong},
    };
}

// Damaged files whose intact part is still a sound: they play what is there.
struct DamagedCase
{
    const char *name;
    QByteArray bytes;
    std::size_t frames; // frames actually present
};

inline std::vector<DamagedCase> damagedFiles()
{
    const QByteArray tenth = pcm16Tone(440, 0.1, 44100, 0.5); // 4410 frames
    return {
        {"truncated data", wavHeader(1, 1, 44100, 16, 44100 * 2) + tenth, 4410},
        {"header claims 4 GiB", wavHeader(1, 1, 44100, 16, 0xFFFFFFF0u) + tenth, 4410},
    };
}

// Bytes this process has read through read() and its kin so far.
inline qint64 bytesRead()
{
    std::ifstream in("/proc/self/io");
    std::string key;
    qint64 value = -1;
    while (in >> key >> value)
        if (key == "rchar:")
            return value;
    return -1;
}

// Whether check holds when run as user and group nobody, in a child process
// (for a root caller, who may read any file): 1 it holds, 0 it does not, -1
// the child could not become nobody.
inline int holdsAsNobody(const std::function<bool()> &check)
{
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 3)
        return -1;
    return WEXITSTATUS(status) == 0 ? 1 : 0;
}

} // namespace testfiles
