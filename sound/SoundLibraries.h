// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// libsndfile and libpulse, opened when the sound threads first need them
// rather than linked to the program: loading and linking them (a dozen
// libraries with their codecs) would otherwise delay the first frame.
#pragma once

#include <pulse/pulseaudio.h>
#include <sndfile.h>

namespace kvsound {

// clang-format off
#define KVSOUND_SNDFILE_FUNCTIONS(F) F(sf_open_virtual) F(sf_close) F(sf_command) F(sf_readf_float)

#define KVSOUND_PULSE_FUNCTIONS(F) \
    F(pa_threaded_mainloop_new) \
    F(pa_threaded_mainloop_free) \
    F(pa_threaded_mainloop_start) \
    F(pa_threaded_mainloop_stop) \
    F(pa_threaded_mainloop_lock) \
    F(pa_threaded_mainloop_unlock) \
    F(pa_threaded_mainloop_get_api) \
    F(pa_threaded_mainloop_set_name) \
    F(pa_mainloop_api_once) \
    F(pa_proplist_new) \
    F(pa_proplist_free) \
    F(pa_proplist_sets) \
    F(pa_context_new_with_proplist) \
    F(pa_context_unref) \
    F(pa_context_connect) \
    F(pa_context_disconnect) \
    F(pa_context_get_state) \
    F(pa_context_set_state_callback) \
    F(pa_context_load_cookie_from_file) \
    F(pa_stream_new_with_proplist) \
    F(pa_stream_unref) \
    F(pa_stream_connect_playback) \
    F(pa_stream_disconnect) \
    F(pa_stream_get_state) \
    F(pa_stream_set_state_callback) \
    F(pa_stream_set_write_callback) \
    F(pa_stream_write) \
    F(pa_stream_drain) \
    F(pa_operation_unref) \
    F(pa_usec_to_bytes) \
    F(pa_sample_spec_valid) \
    F(pa_channel_map_init_auto)
// clang-format on

#define KVSOUND_DECLARE(name) decltype(&::name) name = nullptr;

struct Sndfile
{
    KVSOUND_SNDFILE_FUNCTIONS(KVSOUND_DECLARE)
};

struct Pulse
{
    KVSOUND_PULSE_FUNCTIONS(KVSOUND_DECLARE)
};

#undef KVSOUND_DECLARE

// The library's functions, or nullptr when it or any function it should
// have is missing (then there is no sound, silently). Opened once, on the
// first call from any thread; kept for the life of the process.
const Sndfile *sndfile();
const Pulse *pulse();

} // namespace kvsound
