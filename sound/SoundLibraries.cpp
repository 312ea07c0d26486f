// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
#include "sound/SoundLibraries.h"

#include <dlfcn.h>

namespace kvsound {

namespace {

void *resolve(void *library, const char *name, bool &complete)
{
    void *symbol = ::dlsym(library, name);
    complete = complete && symbol;
    return symbol;
}

} // namespace

#define KVSOUND_RESOLVE(name) api.name = reinterpret_cast<decltype(api.name)>(resolve(library, #name, complete));

const Sndfile *sndfile()
{
    static const Sndfile *const loaded = []() -> const Sndfile * {
        static Sndfile api;
        void *library = ::dlopen("libsndfile.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return nullptr;
        bool complete = true;
        KVSOUND_SNDFILE_FUNCTIONS(KVSOUND_RESOLVE)
        return complete ? &api : nullptr;
    }();
    return loaded;
}

const Pulse *pulse()
{
    static const Pulse *const loaded = []() -> const Pulse * {
        static Pulse api;
        void *library = ::dlopen("libpulse.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return nullptr;
        bool complete = true;
        KVSOUND_PULSE_FUNCTIONS(KVSOUND_RESOLVE)
        return complete ? &api : nullptr;
    }();
    return loaded;
}

} // namespace kvsound
