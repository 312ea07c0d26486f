// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// Output through the sound server's PulseAudio protocol (served by
// PulseAudio or PipeWire's pulse server): one playback stream at a time on a
// libpulse threaded main loop.
//
// Nothing here waits for the server. The connection is made in the
// background and never starts a server; a sound asked for while connecting
// is kept (the latest only, for up to kParkedMaxAge) and started once
// connected; with no server, or a failed connection, a request tries again
// at most every kReconnectInterval. A frozen server just leaves the
// connection pending; requests and shutdown are unaffected.
//
// Writes no files: libpulse would create ~/.config/pulse/cookie when it finds
// no cookie, and a runtime directory when it looks for the default server.
// See PulseOutput.cpp for how both are avoided.
#pragma once

#include "sound/AudioOutput.h"
#include "sound/SoundLibraries.h"

#include <chrono>
#include <memory>
#include <string>

namespace kvsound {

// False when no sound server can be running for us: no PULSE_SERVER, no
// per-user runtime directory for one, and no system-wide server's socket.
// Then there is no point in loading libpulse (and libsndfile, which it
// brings) at all. A few stat() calls, no connection.
bool serverMayBeReachable();

class PulseOutput final : public AudioOutput
{
public:
    static constexpr std::chrono::milliseconds kParkedMaxAge{500};
    static constexpr std::chrono::milliseconds kReconnectInterval{2000};

    // library: libpulse's functions (a test's stand-in), nullptr for silence.
    explicit PulseOutput(const Pulse *library = pulse());
    ~PulseOutput() override;

    PulseOutput(const PulseOutput &) = delete;
    PulseOutput &operator=(const PulseOutput &) = delete;

    void start(std::shared_ptr<const Pcm> pcm) override;
    void stop() override;

private:
    using Clock = std::chrono::steady_clock;

    // All of these run with the main loop's lock held.
    void connectLocked();
    void dropContextLocked();
    void stopLocked();
    void startStreamLocked(std::shared_ptr<const Pcm> pcm);
    void writeLocked(pa_stream *s, std::size_t nbytes);

    static void contextStateCallback(pa_context *c, void *self);
    static void streamWriteCallback(pa_stream *s, std::size_t nbytes, void *self);
    static void streamStateCallback(pa_stream *s, void *self);
    static void streamDrainedCallback(pa_stream *s, int success, void *self);

    const Pulse *const pa; // nullptr without libpulse
    pa_threaded_mainloop *loop_ = nullptr;
    pa_context *context_ = nullptr;
    pa_stream *stream_ = nullptr;
    std::shared_ptr<const Pcm> playing_;
    std::size_t playedBytes_ = 0;
    std::shared_ptr<const Pcm> parked_;
    Clock::time_point parkedAt_{};
    Clock::time_point lastConnect_{};
    bool closing_ = false;
    int cookieFd_ = -1;
    std::string cookiePath_;
    std::string server_;
};

} // namespace kvsound
