// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// Drives the sound layer the way the game does, for the end-to-end test:
// one SoundPlayer installed with modLjud::setSoundOutput, and
// PlaySoundA(<dir>/Yes.wav or <dir>/Doh.wav, 0, 3) on each turn while sound
// is on. Commands come as arguments:
//
//   dir PATH          the program directory (where Yes.wav / Doh.wav lie)
//   safe              a safe card: Yes.wav
//   lose              the losing card: Doh.wav; later presses play nothing
//   press             a press after the loss (asks for nothing)
//   deal              a new game
//   sound on|off      the "Ljud" check box
//   hold N MS         a held key: N safe cards, MS apart
//   file NAME         a request for <dir>/NAME (any file, good or bad)
//   rename FROM TO    renames a file in dir while the game runs
//   sleep MS
//
// Prints one line per request ("request NAME ret=R ui_us=T") and the times
// of start-up and shutdown, for the test script to check.
#include "sound/SoundPlayer.h"
#include "sound/modLjud.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

long long microsSince(Clock::time_point t0)
{
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0).count();
}

struct Game
{
    std::string dir = ".";
    bool soundOn = true;
    bool lost = false;

    void request(const std::string &name)
    {
        const std::string path = dir + "/" + name;
        const auto t0 = Clock::now();
        const std::int32_t ret = modLjud::PlaySoundA(path.c_str(), 0, modLjud::SND_ASYNC | modLjud::SND_NODEFAULT);
        const long long us = microsSince(t0);
        modLjud::SoundResult = modLjud::toSoundResult(ret);
        std::printf("request %s ret=%d ui_us=%lld result=%d\n", name.c_str(), ret, us, modLjud::SoundResult);
        std::fflush(stdout);
    }

    void turn(bool safe)
    {
        if (lost) {
            std::printf("press after loss: no request\n");
            return;
        }
        if (!safe)
            lost = true;
        if (soundOn)
            request(safe ? "Yes.wav" : "Doh.wav");
        else
            std::printf("turn with sound off: no request\n");
    }
};

int usage()
{
    std::fprintf(stderr,
        "usage: sound_driver [dir P|safe|lose|press|deal|sound on/off|hold N MS|file N|rename A B|sleep MS]...\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    const auto t0 = Clock::now();
    auto player = std::make_unique<kvsound::SoundPlayer>();
    modLjud::setSoundOutput(player.get());
    std::printf("startup_us=%lld\n", microsSince(t0));

    Game game;
    for (int i = 1; i < argc; ++i) {
        const std::string cmd = argv[i];
        auto next = [&]() -> const char * { return i + 1 < argc ? argv[++i] : nullptr; };
        if (cmd == "dir") {
            const char *d = next();
            if (!d)
                return usage();
            game.dir = d;
        } else if (cmd == "safe") {
            game.turn(true);
        } else if (cmd == "lose") {
            game.turn(false);
        } else if (cmd == "press") {
            game.turn(true);
        } else if (cmd == "deal") {
            game.lost = false;
        } else if (cmd == "sound") {
            const char *v = next();
            if (!v)
                return usage();
            game.soundOn = std::string(v) == "on";
        } else if (cmd == "hold") {
            const char *n = next();
            const char *ms = next();
            if (!n || !ms)
                return usage();
            for (int k = 0; k < std::atoi(n); ++k) {
                game.turn(true);
                std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(ms)));
            }
        } else if (cmd == "file") {
            const char *name = next();
            if (!name)
                return usage();
            game.request(name);
        } else if (cmd == "rename") {
            const char *from = next();
            const char *to = next();
            if (!from || !to)
                return usage();
            if (std::rename((game.dir + "/" + from).c_str(), (game.dir + "/" + to).c_str()) != 0) {
                std::perror("rename");
                return 1;
            }
        } else if (cmd == "sleep") {
            const char *ms = next();
            if (!ms)
                return usage();
            std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(ms)));
        } else {
            return usage();
        }
    }

    const auto t1 = Clock::now();
    modLjud::setSoundOutput(nullptr);
    player.reset();
    std::printf("shutdown_us=%lld\n", microsSince(t1));
    return 0;
}
