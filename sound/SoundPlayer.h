// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// The game's sound output: plays the WAV file of each request, asynchronously.
//
//   kvsound::SoundPlayer player;           // before the first deal
//   modLjud::setSoundOutput(&player);
//   ...
//   modLjud::setSoundOutput(nullptr);      // after the window has closed
//   // ~SoundPlayer: returns within a few milliseconds, server or not
//
// The calling thread only looks at the path (stat and access) and hands the
// request to a loader thread; it never opens, reads or decodes a file and
// never waits for the sound server. A new request cuts off the sound still
// playing, whether or not its own file turns out to be playable; requests
// made faster than they can be served replace each other, so nothing queues.
#pragma once

#include "sound/AudioOutput.h"
#include "sound/modLjud.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kvsound {

// 1 when path names a regular, readable file of kMinFileBytes..kMaxFileBytes
// (symlinks followed), 0 otherwise. stat() and access() only: never blocks
// on a FIFO or device and reads nothing.
std::int32_t checkRequestPath(const char *path);

class SoundPlayer final : public modLjud::SoundOutput
{
public:
    enum class Start { Now, OnGo };
    // Plays through the sound server (PulseAudio or PipeWire's pulse server).
    // Loads the sound libraries and connects in the background at the first
    // playable request from go() on (at once with Start::Now), and only
    // where a server may be running; never starts one. Requests made before
    // go() are kept (the latest) and served then.
    explicit SoundPlayer(Start start = Start::Now);
    // Plays through the given output (tests).
    explicit SoundPlayer(std::unique_ptr<AudioOutput> output);
    ~SoundPlayer() override;

    SoundPlayer(const SoundPlayer &) = delete;
    SoundPlayer &operator=(const SoundPlayer &) = delete;

    // The request of PlaySoundA. flags: the game always asks for
    // SND_ASYNC | SND_NODEFAULT, which is how every request is served anyway
    // (nothing plays in place of a missing file). Returns checkRequestPath(path).
    std::int32_t play(const char *path, std::uint32_t flags) override;

    // Lets the player load the sound libraries and connect to the server.
    void go();

    // What the loader has done so far (tests, diagnostics).
    struct Stats
    {
        std::uint64_t requests = 0;                // requests made
        std::uint64_t served = 0;                  // requests the loader acted on (the rest were replaced)
        std::uint64_t started = 0;                 // sounds handed to the output
        DecodeError lastError = DecodeError::None; // of the latest request the loader acted on
        bool output = false;                       // an output exists (the sound libraries are loaded)
    };
    Stats stats() const;

    // Waits until the loader has acted on the latest request (tests).
    bool waitIdle(std::chrono::milliseconds timeout) const;

private:
    void loaderLoop();

    std::unique_ptr<AudioOutput> output_;
    const bool ownOutput_ = false; // the loader makes output_ itself, when there is a server

    mutable std::mutex mutex_;
    mutable std::condition_variable wake_; // loader: a new request or quit
    mutable std::condition_variable idle_; // waitIdle: the loader caught up
    std::uint64_t generation_ = 0;         // bumped by every request
    std::uint64_t servedGeneration_ = 0;   // the latest one the loader finished
    std::string pendingPath_;              // empty: stop only
    bool quit_ = false;
    bool go_ = false; // the loader may set up the output
    Stats stats_;
    // Read without the mutex while decoding, to drop work a newer request
    // (or shutdown) has made pointless.
    std::atomic<std::uint64_t> latestGeneration_{0};
    std::atomic<bool> quitting_{false};

    std::thread loader_;
};

} // namespace kvsound
