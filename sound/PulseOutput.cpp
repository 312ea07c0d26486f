// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
#include "sound/PulseOutput.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <pwd.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvsound {

namespace {

// Length of the native protocol's authentication cookie.
constexpr std::size_t kCookieBytes = 256;

// The system-wide server's socket, libpulse's one local choice besides the
// per-user server.
constexpr const char *kSystemServer = "unix:/var/run/pulse/native";

std::string envOrEmpty(const char *name)
{
    const char *v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string homeDir()
{
    std::string home = envOrEmpty("HOME");
    if (!home.empty())
        return home;
    struct passwd pw
    {
    };
    struct passwd *found = nullptr;
    char buf[4096];
    if (::getpwuid_r(::getuid(), &pw, buf, sizeof buf, &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return {};
}

bool isCookieFile(const std::string &path)
{
    struct stat st
    {
    };
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)
        && st.st_size == static_cast<off_t>(kCookieBytes) && ::access(path.c_str(), R_OK) == 0;
}

// libpulse reads its cookie from $PULSE_COOKIE, then from the default file
// (~/.config/pulse/cookie, or the older ~/.pulse-cookie); finding neither, it
// creates ~/.config/pulse/cookie. A local server authenticates us by our user
// id anyway (PulseAudio) or not at all (PipeWire), so when no cookie exists we
// hand libpulse an anonymous in-memory file instead and nothing is written.
bool needsOwnCookie()
{
    if (!envOrEmpty("PULSE_COOKIE").empty())
        return false;
    const std::string home = homeDir();
    const std::string configHome = envOrEmpty("XDG_CONFIG_HOME");
    const std::string configCookie = !configHome.empty() ? configHome + "/pulse/cookie"
        : !home.empty()                                  ? home + "/.config/pulse/cookie"
                                                         : std::string();
    if (isCookieFile(configCookie))
        return false;
    if (!home.empty() && isCookieFile(home + "/.pulse-cookie"))
        return false;
    return true;
}

// The server to ask for, or empty for libpulse's own choice. libpulse looks
// for the per-user server in $XDG_RUNTIME_DIR/pulse and creates that
// directory (or, without XDG_RUNTIME_DIR, a link under ~/.config/pulse) if it
// is missing. Where it is missing no per-user server can be running, so we
// name the system-wide socket, libpulse's only other local choice, ourselves.
std::string chooseServer()
{
    if (!envOrEmpty("PULSE_SERVER").empty())
        return {};
    const std::string runtime = envOrEmpty("XDG_RUNTIME_DIR");
    struct stat st
    {
    };
    if (!runtime.empty() && ::stat((runtime + "/pulse").c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return {};
    return kSystemServer;
}

} // namespace

bool serverMayBeReachable()
{
    // libpulse's own choice (PULSE_SERVER, a per-user server, its settings)
    // is its business; where we name the system-wide server, only its socket
    // can answer.
    if (chooseServer().empty())
        return true;
    struct stat st
    {
    };
    return ::stat(kSystemServer + std::strlen("unix:"), &st) == 0 && S_ISSOCK(st.st_mode);
}

PulseOutput::PulseOutput(const Pulse *library)
    : pa(library)
{
    if (!pa)
        return; // no libpulse: no sound
    if (needsOwnCookie()) {
        cookieFd_ = ::memfd_create("kvindo-pulse-cookie", MFD_CLOEXEC);
        if (cookieFd_ >= 0) {
            unsigned char cookie[kCookieBytes] = {};
            if (::getrandom(cookie, sizeof cookie, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof cookie))
                std::memset(cookie, 0, sizeof cookie);
            if (::write(cookieFd_, cookie, sizeof cookie) == static_cast<ssize_t>(sizeof cookie))
                cookiePath_ = "/proc/self/fd/" + std::to_string(cookieFd_);
        }
    }

    loop_ = pa->pa_threaded_mainloop_new();
    if (!loop_)
        return;
    pa->pa_threaded_mainloop_set_name(loop_, "kvindo-sound");
    if (pa->pa_threaded_mainloop_start(loop_) < 0) {
        pa->pa_threaded_mainloop_free(loop_);
        loop_ = nullptr;
        return;
    }
    // Connect from the main loop's own thread: creating a context reads
    // client.conf (and may ask the X server for settings), which the
    // caller's thread should not wait for.
    pa->pa_threaded_mainloop_lock(loop_);
    pa->pa_mainloop_api_once(
        pa->pa_threaded_mainloop_get_api(loop_),
        [](pa_mainloop_api *, void *self) {
            auto *out = static_cast<PulseOutput *>(self);
            if (!out->context_) // a request may have connected already
                out->connectLocked();
        },
        this);
    pa->pa_threaded_mainloop_unlock(loop_);
}

PulseOutput::~PulseOutput()
{
    if (loop_) {
        pa->pa_threaded_mainloop_lock(loop_);
        closing_ = true;
        stopLocked();
        dropContextLocked();
        pa->pa_threaded_mainloop_unlock(loop_);
        pa->pa_threaded_mainloop_stop(loop_);
        pa->pa_threaded_mainloop_free(loop_);
    }
    if (cookieFd_ >= 0)
        ::close(cookieFd_);
}

void PulseOutput::start(std::shared_ptr<const Pcm> pcm)
{
    if (!loop_ || !pcm)
        return;
    pa->pa_threaded_mainloop_lock(loop_);
    stopLocked();
    const auto now = Clock::now();
    pa_context_state_t state = context_ ? pa->pa_context_get_state(context_) : PA_CONTEXT_UNCONNECTED;
    if (!PA_CONTEXT_IS_GOOD(state) && now - lastConnect_ >= kReconnectInterval) {
        connectLocked();
        state = context_ ? pa->pa_context_get_state(context_) : PA_CONTEXT_FAILED;
    }
    if (state == PA_CONTEXT_READY) {
        startStreamLocked(std::move(pcm));
    } else if (PA_CONTEXT_IS_GOOD(state)) {
        // Still connecting (the start-up card's cue comes this early): play
        // it once connected, unless a newer request comes first.
        parked_ = std::move(pcm);
        parkedAt_ = now;
    }
    pa->pa_threaded_mainloop_unlock(loop_);
}

void PulseOutput::stop()
{
    if (!loop_)
        return;
    pa->pa_threaded_mainloop_lock(loop_);
    stopLocked();
    pa->pa_threaded_mainloop_unlock(loop_);
}

void PulseOutput::connectLocked()
{
    dropContextLocked();
    if (closing_)
        return;
    lastConnect_ = Clock::now();
    // Chosen afresh on each attempt: a per-user server may have started since.
    server_ = chooseServer();

    pa_proplist *props = pa->pa_proplist_new();
    pa->pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Kvindo");
    pa->pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "kvindo");
    pa->pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "event");
    context_ = pa->pa_context_new_with_proplist(pa->pa_threaded_mainloop_get_api(loop_), "Kvindo", props);
    pa->pa_proplist_free(props);
    if (!context_)
        return;
    if (!cookiePath_.empty())
        pa->pa_context_load_cookie_from_file(context_, cookiePath_.c_str());
    pa->pa_context_set_state_callback(context_, contextStateCallback, this);
    // Never start a sound server of our own.
    pa->pa_context_connect(context_, server_.empty() ? nullptr : server_.c_str(), PA_CONTEXT_NOAUTOSPAWN, nullptr);
}

void PulseOutput::dropContextLocked()
{
    stopLocked();
    if (!context_)
        return;
    pa->pa_context_set_state_callback(context_, nullptr, nullptr);
    pa->pa_context_disconnect(context_);
    pa->pa_context_unref(context_);
    context_ = nullptr;
}

void PulseOutput::stopLocked()
{
    parked_.reset();
    if (stream_) {
        pa->pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa->pa_stream_set_write_callback(stream_, nullptr, nullptr);
        // Disconnecting drops whatever the server still buffers for us: the
        // sound stops now, not when its buffer has run out.
        pa->pa_stream_disconnect(stream_);
        pa->pa_stream_unref(stream_);
        stream_ = nullptr;
    }
    playing_.reset();
    playedBytes_ = 0;
}

void PulseOutput::startStreamLocked(std::shared_ptr<const Pcm> pcm)
{
    if (!context_ || pa->pa_context_get_state(context_) != PA_CONTEXT_READY || pcm->samples.empty())
        return;
    pa_sample_spec sampleFormat{};
    sampleFormat.format = PA_SAMPLE_S16NE;
    sampleFormat.rate = static_cast<std::uint32_t>(pcm->rate);
    sampleFormat.channels = static_cast<std::uint8_t>(pcm->channels);
    if (!pa->pa_sample_spec_valid(&sampleFormat) || pcm->channels != sampleFormat.channels)
        return;
    pa_channel_map map{};
    const pa_channel_map *mapPtr = pa->pa_channel_map_init_auto(&map, sampleFormat.channels, PA_CHANNEL_MAP_WAVEEX);

    pa_proplist *props = pa->pa_proplist_new();
    pa->pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "event");
    pa_stream *s = pa->pa_stream_new_with_proplist(context_, "Kvindo", &sampleFormat, mapPtr, props);
    pa->pa_proplist_free(props);
    if (!s)
        return;
    pa->pa_stream_set_state_callback(s, streamStateCallback, this);
    pa->pa_stream_set_write_callback(s, streamWriteCallback, this);

    // Low target latency and no prebuffering: the sound starts with its first
    // write, and a short cue is not held back until a buffer fills.
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(pa->pa_usec_to_bytes(40 * PA_USEC_PER_MSEC, &sampleFormat));
    attr.prebuf = 0;
    attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    if (pa->pa_stream_connect_playback(s, nullptr, &attr, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0) {
        pa->pa_stream_set_state_callback(s, nullptr, nullptr);
        pa->pa_stream_set_write_callback(s, nullptr, nullptr);
        pa->pa_stream_unref(s);
        return;
    }
    stream_ = s;
    playing_ = std::move(pcm);
    playedBytes_ = 0;
}

void PulseOutput::writeLocked(pa_stream *s, std::size_t nbytes)
{
    if (s != stream_ || !playing_)
        return;
    const auto *data = reinterpret_cast<const std::uint8_t *>(playing_->samples.data());
    const std::size_t total = playing_->samples.size() * sizeof(std::int16_t);
    const std::size_t frameBytes = static_cast<std::size_t>(playing_->channels) * sizeof(std::int16_t);
    std::size_t n = std::min(nbytes, total - playedBytes_);
    n -= n % frameBytes;
    if (n > 0) {
        if (pa->pa_stream_write(s, data + playedBytes_, n, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return;
        playedBytes_ += n;
    }
    if (playedBytes_ >= total) {
        // All written: let it play out, then close the stream so the server
        // can go idle.
        pa->pa_stream_set_write_callback(s, nullptr, nullptr);
        if (pa_operation *op = pa->pa_stream_drain(s, streamDrainedCallback, this))
            pa->pa_operation_unref(op);
    }
}

void PulseOutput::contextStateCallback(pa_context *c, void *self)
{
    auto *out = static_cast<PulseOutput *>(self);
    if (c != out->context_)
        return;
    const pa_context_state_t state = out->pa->pa_context_get_state(c);
    if (state == PA_CONTEXT_READY) {
        if (out->parked_) {
            auto pcm = std::move(out->parked_);
            out->parked_.reset();
            // A cue that waited too long for the server belongs to a turn
            // long past: drop it.
            if (Clock::now() - out->parkedAt_ <= kParkedMaxAge)
                out->startStreamLocked(std::move(pcm));
        }
    } else if (!PA_CONTEXT_IS_GOOD(state)) {
        out->stopLocked();
    }
}

void PulseOutput::streamWriteCallback(pa_stream *s, std::size_t nbytes, void *self)
{
    static_cast<PulseOutput *>(self)->writeLocked(s, nbytes);
}

void PulseOutput::streamStateCallback(pa_stream *s, void *self)
{
    auto *out = static_cast<PulseOutput *>(self);
    if (s == out->stream_ && !PA_STREAM_IS_GOOD(out->pa->pa_stream_get_state(s)))
        out->stopLocked();
}

void PulseOutput::streamDrainedCallback(pa_stream *s, int /*success*/, void *self)
{
    auto *out = static_cast<PulseOutput *>(self);
    if (s == out->stream_)
        out->stopLocked();
}

} // namespace kvsound
