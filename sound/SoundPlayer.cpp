// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
#include "sound/SoundPlayer.h"

#include "sound/PulseOutput.h"
#include "sound/SoundLimits.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvsound {

std::int32_t checkRequestPath(const char *path)
{
    if (!path || !*path)
        return 0;
    struct stat st
    {
    };
    if (::stat(path, &st) != 0)
        return 0;
    if (!S_ISREG(st.st_mode))
        return 0;
    if (st.st_size < kMinFileBytes || st.st_size > kMaxFileBytes)
        return 0;
    // Effective ids, as open() will use them.
    if (::faccessat(AT_FDCWD, path, R_OK, AT_EACCESS) != 0)
        return 0;
    return 1;
}

SoundPlayer::SoundPlayer(Start start)
    : ownOutput_(true)
    , go_(start == Start::Now)
    , loader_([this] {
        // Opening the sound libraries and starting libpulse's main loop is
        // the loader's work, and can wait until the window is up, so as not
        // to take processor time from the first frame; and until there is a
        // sound to play and a server that may play it, so that without one
        // the libraries are never loaded at all.
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return go_ || quit_; });
            if (quit_)
                return;
        }
        loaderLoop();
    })
{ }

SoundPlayer::SoundPlayer(std::unique_ptr<AudioOutput> output)
    : output_(std::move(output))
    , loader_([this] { loaderLoop(); })
{ }

void SoundPlayer::go()
{
    {
        std::lock_guard lock(mutex_);
        go_ = true;
    }
    wake_.notify_all();
}

SoundPlayer::~SoundPlayer()
{
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        quitting_ = true;
    }
    wake_.notify_all();
    // At worst the loader is inside one read or decode, which polls quitting_
    // between chunks of a megabyte or 4096 frames.
    loader_.join();
    output_.reset();
}

std::int32_t SoundPlayer::play(const char *path, std::uint32_t /*flags*/)
{
    const std::int32_t accepted = checkRequestPath(path);
    {
        std::lock_guard lock(mutex_);
        ++generation_;
        latestGeneration_.store(generation_, std::memory_order_relaxed);
        // A rejected request keeps an empty path: it still stops the sound in
        // progress, as every new request does.
        if (accepted)
            pendingPath_.assign(path);
        else
            pendingPath_.clear();
        ++stats_.requests;
    }
    wake_.notify_one();
    return accepted;
}

SoundPlayer::Stats SoundPlayer::stats() const
{
    std::lock_guard lock(mutex_);
    return stats_;
}

bool SoundPlayer::waitIdle(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, timeout, [this] { return servedGeneration_ == generation_; });
}

void SoundPlayer::loaderLoop()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || servedGeneration_ != generation_; });
        if (quit_)
            break;
        const std::uint64_t generation = generation_;
        const std::string path = pendingPath_;
        ++stats_.served;
        lock.unlock();

        if (!output_ && ownOutput_ && !path.empty() && serverMayBeReachable())
            output_ = std::make_unique<PulseOutput>();
        // Cut off at once, before the new file is even opened.
        if (output_)
            output_->stop();

        DecodeResult result;
        result.error = path.empty() ? DecodeError::Missing : DecodeError::None;
        // With nowhere to play it, a sound is not even decoded.
        if (!path.empty() && output_) {
            result = decodeWavFile(path.c_str(), [this, generation] {
                return quitting_.load(std::memory_order_relaxed)
                    || latestGeneration_.load(std::memory_order_relaxed) != generation;
            });
        }

        lock.lock();
        stats_.lastError = result.error;
        stats_.output = output_ != nullptr;
        // A request that arrived meanwhile supersedes this one: do not start a
        // sound it would cut off again a moment later.
        if (result.ok() && output_ && !quit_ && generation_ == generation) {
            ++stats_.started;
            lock.unlock();
            output_->start(result.pcm);
            lock.lock();
        }
        servedGeneration_ = generation;
        if (servedGeneration_ == generation_)
            idle_.notify_all();
    }
}

} // namespace kvsound
