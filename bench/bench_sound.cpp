// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// The sound layer's costs to the game: the calling thread's time per request
// and the player's shutdown, with no sound server, with a frozen one, and in
// the middle of decoding the largest file allowed. Prints RESULT lines.
#include "BenchStats.h"

#include "sound/SoundLimits.h"
#include "sound/SoundPlayer.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

void put(std::string &bytes, std::uint32_t value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

// A mono 16-bit 44.1 kHz WAV file of dataBytes bytes of a quiet square wave.
void writeWav(const std::string &path, std::uint32_t dataBytes)
{
    std::string bytes = "RIFF";
    put(bytes, 36 + dataBytes, 4);
    bytes += "WAVEfmt ";
    put(bytes, 16, 4);
    put(bytes, 1, 2);
    put(bytes, 1, 2);
    put(bytes, 44100, 4);
    put(bytes, 88200, 4);
    put(bytes, 2, 2);
    put(bytes, 16, 2);
    bytes += "data";
    put(bytes, dataBytes, 4);
    for (std::uint32_t i = 0; i < dataBytes / 2; ++i)
        put(bytes, (i / 50) % 2 ? 2000 : static_cast<std::uint16_t>(-2000), 2);
    std::ofstream(path, std::ios::binary) << bytes;
}

void report(const char *key, const std::vector<double> &ms)
{
    const std::string k(key);
    bench::result((k + ".median_ms").c_str(), bench::median(ms));
    bench::result((k + ".p99_ms").c_str(), bench::quantile(ms, 0.99));
    bench::result((k + ".max_ms").c_str(), bench::maximum(ms));
}

// 200 requests, 20 ms apart, alternating a good file, a missing one and a FIFO.
std::vector<double> requests(kvsound::SoundPlayer &player, const std::string &dir)
{
    const std::string names[] = {dir + "/Yes.wav", dir + "/Missing.wav", dir + "/Fifo.wav"};
    std::vector<double> ms;
    for (int i = 0; i < 200; ++i) {
        const double t0 = bench::nowMs();
        player.play(names[i % 3].c_str(), 3);
        ms.push_back(bench::nowMs() - t0);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return ms;
}

std::vector<double> shutdowns(const std::string &path, int players, int waitMs)
{
    std::vector<double> ms;
    for (int i = 0; i < players; ++i) {
        auto player = std::make_unique<kvsound::SoundPlayer>();
        if (!path.empty())
            player->play(path.c_str(), 3);
        std::this_thread::sleep_for(std::chrono::milliseconds(waitMs + i));
        const double t0 = bench::nowMs();
        player.reset();
        ms.push_back(bench::nowMs() - t0);
    }
    return ms;
}

} // namespace

int main()
{
    char dirTemplate[] = "/tmp/kvindo-bench-sound.XXXXXX";
    const std::string dir = ::mkdtemp(dirTemplate);
    ::mkdir((dir + "/runtime").c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", (dir + "/runtime").c_str(), 1);
    ::unsetenv("PULSE_SERVER");
    writeWav(dir + "/Yes.wav", 26460);
    ::mkfifo((dir + "/Fifo.wav").c_str(), 0644);
    const std::string big = dir + "/Big.wav";
    writeWav(big, static_cast<std::uint32_t>(kvsound::kMaxFileBytes - 44));

    {
        kvsound::SoundPlayer player;
        report("sound.request.no_server", requests(player, dir));
    }
    report("sound.shutdown.decoding", shutdowns(big, 8, 2));

    // A server that takes the connection and never answers.
    const std::string socketPath = dir + "/frozen";
    const int frozen = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    if (::bind(frozen, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || ::listen(frozen, 64) != 0) {
        std::perror("bench_sound: frozen server");
        return 1;
    }
    ::setenv("PULSE_SERVER", ("unix:" + socketPath).c_str(), 1);
    {
        kvsound::SoundPlayer player;
        report("sound.request.frozen_server", requests(player, dir));
    }
    report("sound.shutdown.frozen_server", shutdowns(dir + "/Yes.wav", 8, 50));
    ::close(frozen);

    for (const char *name : {"/Yes.wav", "/Fifo.wav", "/Big.wav", "/frozen"})
        ::unlink((dir + name).c_str());
    ::rmdir((dir + "/runtime").c_str());
    ::rmdir(dir.c_str());
    return 0;
}
