// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// Stand-ins for libpulse and libsndfile, to drive the sound layer through
// states a real server or decoder will not show on cue: a connection that
// is still being made, a decoder that yields more than its header promised.
#pragma once

#include "sound/SoundLibraries.h"
#include "sound/SoundLimits.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

// A sound server whose connection the test completes (or fails) by hand. The
// main loop "thread" runs its work at once, on the caller's thread.
struct FakePulse
{
    static inline pa_context_state_t state = PA_CONTEXT_UNCONNECTED;
    static inline pa_context_notify_cb_t stateChanged = nullptr;
    static inline void *stateUser = nullptr;
    static inline pa_stream_request_cb_t writable = nullptr;
    static inline void *writableUser = nullptr;
    static inline int streams = 0; // playback streams made
    static inline std::size_t bytesWritten = 0;
    static inline char handle[8]; // the one main loop, context, stream and property list

    kvsound::Pulse library;

    FakePulse()
    {
        state = PA_CONTEXT_UNCONNECTED;
        stateChanged = nullptr;
        writable = nullptr;
        streams = 0;
        bytesWritten = 0;
        static pa_mainloop_api api{};
        auto &p = library;
        p.pa_threaded_mainloop_new = [] { return reinterpret_cast<pa_threaded_mainloop *>(handle); };
        p.pa_threaded_mainloop_free = [](pa_threaded_mainloop *) {};
        p.pa_threaded_mainloop_start = [](pa_threaded_mainloop *) { return 0; };
        p.pa_threaded_mainloop_stop = [](pa_threaded_mainloop *) {};
        p.pa_threaded_mainloop_lock = [](pa_threaded_mainloop *) {};
        p.pa_threaded_mainloop_unlock = [](pa_threaded_mainloop *) {};
        p.pa_threaded_mainloop_get_api = [](pa_threaded_mainloop *) { return &api; };
        p.pa_threaded_mainloop_set_name = [](pa_threaded_mainloop *, const char *) {};
        p.pa_mainloop_api_once
            = [](pa_mainloop_api *m, void (*work)(pa_mainloop_api *, void *), void *user) { work(m, user); };
        p.pa_proplist_new = [] { return reinterpret_cast<pa_proplist *>(handle); };
        p.pa_proplist_free = [](pa_proplist *) {};
        p.pa_proplist_sets = [](pa_proplist *, const char *, const char *) { return 0; };
        p.pa_context_new_with_proplist = [](pa_mainloop_api *, const char *, const pa_proplist *) {
            return reinterpret_cast<pa_context *>(handle);
        };
        p.pa_context_unref = [](pa_context *) {};
        p.pa_context_connect = [](pa_context *, const char *, pa_context_flags_t, const pa_spawn_api *) {
            state = PA_CONTEXT_CONNECTING;
            return 0;
        };
        p.pa_context_disconnect = [](pa_context *) { state = PA_CONTEXT_TERMINATED; };
        p.pa_context_get_state = [](const pa_context *) { return state; };
        p.pa_context_set_state_callback = [](pa_context *, pa_context_notify_cb_t callback, void *user) {
            stateChanged = callback;
            stateUser = user;
        };
        p.pa_context_load_cookie_from_file = [](pa_context *, const char *) { return 0; };
        p.pa_stream_new_with_proplist
            = [](pa_context *, const char *, const pa_sample_spec *, const pa_channel_map *, pa_proplist *) {
                  ++streams;
                  return reinterpret_cast<pa_stream *>(handle);
              };
        p.pa_stream_unref = [](pa_stream *) {};
        p.pa_stream_connect_playback = [](pa_stream *, const char *, const pa_buffer_attr *, pa_stream_flags_t,
                                           const pa_cvolume *, pa_stream *) { return 0; };
        p.pa_stream_disconnect = [](pa_stream *) { return 0; };
        p.pa_stream_get_state = [](const pa_stream *) { return PA_STREAM_READY; };
        p.pa_stream_set_state_callback = [](pa_stream *, pa_stream_notify_cb_t, void *) {};
        p.pa_stream_set_write_callback = [](pa_stream *, pa_stream_request_cb_t callback, void *user) {
            writable = callback;
            writableUser = user;
        };
        p.pa_stream_write = [](pa_stream *, const void *, std::size_t n, pa_free_cb_t, std::int64_t, pa_seek_mode_t) {
            bytesWritten += n;
            return 0;
        };
        p.pa_stream_drain = [](pa_stream *, pa_stream_success_cb_t, void *) -> pa_operation * { return nullptr; };
        p.pa_operation_unref = [](pa_operation *) {};
        p.pa_usec_to_bytes = [](pa_usec_t usec, const pa_sample_spec *format) -> std::size_t {
            return usec * format->rate / 1000000 * format->channels * 2;
        };
        p.pa_sample_spec_valid = [](const pa_sample_spec *) { return 1; };
        p.pa_channel_map_init_auto = [](pa_channel_map *map, unsigned, pa_channel_map_def_t) { return map; };
    }

    // The server answers: the connection becomes state.
    void become(pa_context_state_t next)
    {
        state = next;
        if (stateChanged)
            stateChanged(reinterpret_cast<pa_context *>(handle), stateUser);
    }
    // The server asks for as much as the stream will give.
    void drain()
    {
        if (writable)
            writable(reinterpret_cast<pa_stream *>(handle), std::size_t(1) << 30, writableUser);
    }
};

// A decoder that announces `announced` frames of 44.1 kHz mono and then gives
// frames for as long as it is asked (up to four times the sample limit, so
// that a decode without a bound still ends).
struct EndlessSndfile
{
    static inline sf_count_t announced = 0;
    static inline std::size_t framesGiven = 0;
    static inline char handle[8];

    kvsound::Sndfile library;

    explicit EndlessSndfile(sf_count_t promised)
    {
        announced = promised;
        framesGiven = 0;
        auto &f = library;
        f.sf_open_virtual = [](SF_VIRTUAL_IO *, int, SF_INFO *info, void *) {
            info->frames = announced;
            info->samplerate = 44100;
            info->channels = 1;
            info->format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
            return reinterpret_cast<SNDFILE *>(handle);
        };
        f.sf_close = [](SNDFILE *) { return 0; };
        f.sf_command = [](SNDFILE *, int, void *, int) { return 0; };
        f.sf_readf_float = [](SNDFILE *, float *out, sf_count_t frames) -> sf_count_t {
            if (framesGiven >= 4 * kvsound::kMaxDecodedSamples)
                return 0;
            std::fill(out, out + frames, 0.25f);
            framesGiven += std::size_t(frames);
            return frames;
        };
    }
};
