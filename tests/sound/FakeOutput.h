// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// An output that plays nothing and records what it was asked to do.
#pragma once

#include "sound/AudioOutput.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

class FakeOutput final : public kvsound::AudioOutput
{
public:
    struct Event
    {
        enum Kind { Start, Stop } kind;
        std::shared_ptr<const kvsound::Pcm> pcm; // for Start
    };

    // Shared with the test, which keeps it after the player has taken the output.
    struct Log
    {
        std::mutex mutex;
        std::condition_variable changed;
        std::vector<Event> events;
        bool gateClosed = false;  // while closed, stop() waits (a busy output)
        bool stopWaiting = false; // set while stop() waits at the gate

        std::vector<Event> snapshot()
        {
            std::lock_guard lock(mutex);
            return events;
        }
        void closeGate()
        {
            std::lock_guard lock(mutex);
            gateClosed = true;
        }
        void openGate()
        {
            {
                std::lock_guard lock(mutex);
                gateClosed = false;
            }
            changed.notify_all();
        }
        bool waitUntilStopWaits(std::chrono::milliseconds timeout)
        {
            std::unique_lock lock(mutex);
            return changed.wait_for(lock, timeout, [this] { return stopWaiting; });
        }
    };

    explicit FakeOutput(std::shared_ptr<Log> log)
        : log_(std::move(log))
    { }

    void start(std::shared_ptr<const kvsound::Pcm> pcm) override
    {
        std::lock_guard lock(log_->mutex);
        log_->events.push_back({Event::Start, std::move(pcm)});
        log_->changed.notify_all();
    }

    void stop() override
    {
        std::unique_lock lock(log_->mutex);
        log_->stopWaiting = true;
        log_->changed.notify_all();
        log_->changed.wait(lock, [this] { return !log_->gateClosed; });
        log_->stopWaiting = false;
        log_->events.push_back({Event::Stop, nullptr});
        log_->changed.notify_all();
    }

private:
    std::shared_ptr<Log> log_;
};
