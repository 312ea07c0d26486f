// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// Time from exec to the first fully painted frame, seen from outside the
// program through the X server, and the program's peak resident set.
//
//   firstframe_harness [--runs N] [--settle-ms MS] [--scale S] [--keys K]
//                      [--prefix P] NAME=PROGRAM NAME=PROGRAM
//
// The harness is a plain X client (no Qt, so it adds little load of its
// own). It watches the root window for new top-level windows and puts a
// DAMAGE object on each as soon as it is created; every time the X server
// reports that a window's contents changed, the harness reads the window
// back (GetImage) and checks a few probe pixels against what the finished
// first frame shows. The first check that passes gives the time, taken with
// CLOCK_MONOTONIC against the moment just before fork(). So the programs are
// measured exactly as built, with no hook inside them.
//
// The programs run in turn, ABBA order (A B, B A, A B, ...), so slow drift of
// a noisy machine falls on both alike; one run of each before the measured
// runs fills the file caches and is not counted. Each program is left to
// settle for --settle-ms after its first frame, then sent SIGTERM; its peak
// resident set is ru_maxrss from wait4(). With --keys, K key presses (space,
// 50 ms apart, through XTEST with the window focused) come between the first
// frame and the settling. --scale runs the programs with QT_SCALE_FACTOR=S
// (the probes scale with it); result keys start with --prefix (default
// "firstframe"). Beside the wall-clock time, the
// CPU time the program had used when its first frame was seen (the sum of
// /proc/PID/task/*/schedstat) is less sensitive to other load on the machine.
//
// Probes, in client-area coordinates at scale 1 (the client area is the
// bottom 312 x 206 pixels of the window, under the menu bar):
//   every program: the menu bar painted (two neighbouring grey pixels), the
//                  table green at (5,5) and (306,200);
//   NAME=kvindo:   the deck's card back (blue) at (105,105) and the face-up
//                  card (its white face) at (174,104).
#include "BenchStats.h"
#include "XcbKeys.h"

#include <xcb/damage.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <map>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int ClientWidth = 312;
constexpr int ClientHeight = 206;

struct Program
{
    std::string name;
    std::string path;
    std::vector<double> frameMs;
    std::vector<double> mapMs;
    std::vector<double> rssMiB;
    std::vector<double> cpuMs;
};

// CPU time the process has run so far, all its threads, in ms (from the
// scheduler's per-thread run time, in ns), or -1.
double cpuMs(pid_t pid)
{
    const std::string dir = "/proc/" + std::to_string(pid) + "/task";
    DIR *tasks = opendir(dir.c_str());
    if (!tasks)
        return -1;
    double total = 0;
    while (const dirent *task = readdir(tasks)) {
        if (task->d_name[0] == '.')
            continue;
        if (FILE *f = std::fopen((dir + "/" + task->d_name + "/schedstat").c_str(), "r")) {
            unsigned long long ns = 0;
            if (std::fscanf(f, "%llu", &ns) == 1)
                total += static_cast<double>(ns) / 1e6;
            std::fclose(f);
        }
    }
    closedir(tasks);
    return total;
}

struct Rgb
{
    int r, g, b;
};

bool isGreen(Rgb c)
{
    return c.g > c.r + 60 && c.g > c.b + 60;
}
bool isBlue(Rgb c)
{
    return c.b > c.r + 40 && c.b > c.g + 20;
}
bool isWhite(Rgb c)
{
    return c.r > 220 && c.g > 220 && c.b > 210;
}
bool isGrey(Rgb c)
{
    return c.r > 120 && c.r < 250 && std::abs(c.r - c.g) < 12 && std::abs(c.g - c.b) < 12;
}

class Harness
{
public:
    Harness(int scaleFactor, int keyPresses)
        : scale(scaleFactor)
        , keys(keyPresses)
    {
        c = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c)) {
            std::fprintf(stderr, "firstframe_harness: cannot connect to the X server\n");
            std::exit(1);
        }
        root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        const xcb_query_extension_reply_t *ext = xcb_get_extension_data(c, &xcb_damage_id);
        if (!ext || !ext->present) {
            std::fprintf(stderr, "firstframe_harness: the X server has no DAMAGE extension\n");
            std::exit(1);
        }
        damageEventBase = ext->first_event;
        const xcb_query_extension_reply_t *test = xcb_get_extension_data(c, &xcb_test_id);
        key = bench::keycodeOf(c, 0x0020); // space
        if (keys > 0 && (!test || !test->present || !key)) {
            std::fprintf(stderr, "firstframe_harness: the X server has no XTEST extension, or no space key\n");
            std::exit(1);
        }
        free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c);
    }

    // One run: fork, exec, wait for the first frame, settle, stop, reap.
    bool run(Program &program, int settleMs, bool counted)
    {
        windows.clear();
        const double t0 = bench::nowMs();
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("QT_SCALE_FACTOR", std::to_string(scale).c_str(), 1);
            execl(program.path.c_str(), program.path.c_str(), static_cast<char *>(nullptr));
            _exit(127);
        }
        double mapped = -1;
        double frame = -1;
        xcb_window_t shown = 0;
        double cpu = -1;
        const bool kvindo = program.name == "kvindo";
        while (frame < 0 && bench::nowMs() - t0 < 20000) {
            pollfd pfd{xcb_get_file_descriptor(c), POLLIN, 0};
            // Events wake us at once; the short timeout is a second chance
            // in case the first frame came before the DAMAGE object existed.
            poll(&pfd, 1, 5);
            bool check = false;
            while (xcb_generic_event_t *event = xcb_poll_for_event(c)) {
                check |= handle(event, t0, mapped);
                free(event);
            }
            if (xcb_connection_has_error(c))
                return false;
            for (auto &[window, state] : windows) {
                if (!state.mapped || (!check && !state.dirty && !state.fallbackDue(t0)))
                    continue;
                state.dirty = false;
                if (finished(window, kvindo)) {
                    frame = bench::nowMs() - t0;
                    shown = window;
                    cpu = cpuMs(pid);
                    break;
                }
            }
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                std::fprintf(stderr, "firstframe_harness: %s ended before its first frame\n", program.name.c_str());
                return false;
            }
        }
        if (frame >= 0 && keys > 0)
            pressKeys(shown);
        // Let it settle (drawing ahead, idle work), then stop it and read
        // its peak resident set.
        const double settleEnd = bench::nowMs() + settleMs;
        while (bench::nowMs() < settleEnd) {
            usleep(5000);
            while (xcb_generic_event_t *event = xcb_poll_for_event(c))
                free(event);
        }
        kill(pid, SIGTERM);
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) != pid)
            return false;
        for (auto &[window, state] : windows)
            if (state.damage)
                xcb_damage_destroy(c, state.damage);
        xcb_flush(c);
        while (xcb_generic_event_t *event = xcb_poll_for_event(c))
            free(event);
        if (frame < 0) {
            std::fprintf(stderr, "firstframe_harness: no first frame from %s\n", program.name.c_str());
            return false;
        }
        std::fprintf(stderr, "  %-9s first frame %7.1f ms  mapped %7.1f ms  CPU %7.1f ms  peak RSS %6.1f MiB%s\n",
            program.name.c_str(), frame, mapped, cpu, static_cast<double>(usage.ru_maxrss) / 1024.0,
            counted ? "" : "  (warm-up)");
        if (counted) {
            program.frameMs.push_back(frame);
            program.mapMs.push_back(mapped);
            program.cpuMs.push_back(cpu);
            program.rssMiB.push_back(static_cast<double>(usage.ru_maxrss) / 1024.0);
        }
        return true;
    }

private:
    // Focuses window and presses space `keys` times, 50 ms apart.
    void pressKeys(xcb_window_t window)
    {
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
        free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        for (int k = 0; k < keys; ++k) {
            xcb_test_fake_input(c, XCB_KEY_PRESS, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
            xcb_flush(c);
            usleep(8000);
            xcb_test_fake_input(c, XCB_KEY_RELEASE, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
            xcb_flush(c);
            usleep(42000);
            while (xcb_generic_event_t *event = xcb_poll_for_event(c))
                free(event);
        }
    }

    struct Window
    {
        xcb_damage_damage_t damage = 0;
        bool mapped = false;
        bool dirty = false;
        double lastCheck = 0;
        bool fallbackDue(double t0)
        {
            const double now = bench::nowMs() - t0;
            if (now - lastCheck < 5)
                return false;
            lastCheck = now;
            return true;
        }
    };

    // Returns true when a window's contents may have changed.
    bool handle(xcb_generic_event_t *event, double t0, double &mapped)
    {
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            auto *e = reinterpret_cast<xcb_create_notify_event_t *>(event);
            if (e->parent == root && !windows.count(e->window)) {
                Window &w = windows[e->window];
                w.damage = xcb_generate_id(c);
                xcb_damage_create(c, w.damage, e->window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
                xcb_flush(c);
            }
        } else if (type == XCB_MAP_NOTIFY) {
            auto *e = reinterpret_cast<xcb_map_notify_event_t *>(event);
            auto it = windows.find(e->window);
            if (it != windows.end()) {
                it->second.mapped = true;
                it->second.dirty = true;
                if (mapped < 0)
                    mapped = bench::nowMs() - t0;
                return true;
            }
        } else if (type == XCB_UNMAP_NOTIFY) {
            auto *e = reinterpret_cast<xcb_unmap_notify_event_t *>(event);
            auto it = windows.find(e->window);
            if (it != windows.end())
                it->second.mapped = false;
        } else if (type == XCB_DESTROY_NOTIFY) {
            auto *e = reinterpret_cast<xcb_destroy_notify_event_t *>(event);
            windows.erase(e->window);
        } else if (type == damageEventBase + XCB_DAMAGE_NOTIFY) {
            auto *e = reinterpret_cast<xcb_damage_notify_event_t *>(event);
            auto it = windows.find(e->drawable);
            if (it != windows.end()) {
                // Re-arm: NonEmpty reports again only after the damage is cleared.
                xcb_damage_subtract(c, it->second.damage, XCB_NONE, XCB_NONE);
                xcb_flush(c);
                it->second.dirty = true;
                return true;
            }
        }
        return false;
    }

    // Whether window shows the finished first frame.
    bool finished(xcb_window_t window, bool kvindo)
    {
        xcb_get_geometry_reply_t *geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
        if (!geometry)
            return false;
        const int width = geometry->width;
        const int height = geometry->height;
        free(geometry);
        if (width != ClientWidth * scale || height <= ClientHeight * scale)
            return false;
        xcb_get_image_reply_t *image = xcb_get_image_reply(c,
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, static_cast<uint16_t>(width),
                static_cast<uint16_t>(height), ~0u),
            nullptr);
        if (!image)
            return false;
        const uint8_t *data = xcb_get_image_data(image);
        const int length = xcb_get_image_data_length(image);
        bool ok = false;
        if (length >= width * height * 4) {
            const int top = height - ClientHeight * scale;
            auto at = [&](int x, int y) {
                const uint8_t *p = data + (static_cast<std::ptrdiff_t>(y) * width + x) * 4;
                return Rgb{p[2], p[1], p[0]};
            };
            auto client = [&](int x, int y) { return at(x * scale, top + y * scale); };
            ok = isGrey(at(2, 2)) && isGrey(at(3, 2)) && isGrey(at(width - 3, top - 3)) && isGreen(client(5, 5))
                && isGreen(client(306, 200));
            if (kvindo)
                ok = ok && isBlue(client(105, 105)) && isWhite(client(174, 104));
            else
                ok = ok && isGreen(client(105, 105)) && isGreen(client(174, 104));
            if (const char *dump = std::getenv("FIRSTFRAME_DUMP")) {
                // For checking the probes by eye: every window read back, as PPM.
                const std::string name = std::string(dump) + "/" + std::to_string(dumps++) + (ok ? "-ok" : "") + ".ppm";
                if (FILE *f = std::fopen(name.c_str(), "wb")) {
                    std::fprintf(f, "P6\n%d %d\n255\n", width, height);
                    for (int i = 0; i < width * height; ++i) {
                        const uint8_t rgb[3] = {data[i * 4 + 2], data[i * 4 + 1], data[i * 4]};
                        std::fwrite(rgb, 1, 3, f);
                    }
                    std::fclose(f);
                }
            }
        }
        free(image);
        return ok;
    }

    const int scale;
    const int keys;
    xcb_connection_t *c = nullptr;
    xcb_keycode_t key = 0;
    xcb_window_t root = 0;
    uint8_t damageEventBase = 0;
    std::map<xcb_window_t, Window> windows;
    int dumps = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    int runs = 9;
    int settleMs = 300;
    int scale = 1;
    int keys = 0;
    std::string prefix = "firstframe";
    std::vector<Program> programs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else if (arg == "--settle-ms" && i + 1 < argc)
            settleMs = std::atoi(argv[++i]);
        else if (arg == "--scale" && i + 1 < argc)
            scale = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--keys" && i + 1 < argc)
            keys = std::atoi(argv[++i]);
        else if (arg == "--prefix" && i + 1 < argc)
            prefix = argv[++i];
        else if (arg.find('=') != std::string::npos)
            programs.push_back({arg.substr(0, arg.find('=')), arg.substr(arg.find('=') + 1), {}, {}, {}, {}});
        else {
            std::fprintf(stderr,
                "usage: firstframe_harness [--runs N] [--settle-ms MS] [--scale S] [--keys K] [--prefix P] "
                "NAME=PROGRAM NAME=PROGRAM\n");
            return 2;
        }
    }
    if (programs.size() != 2) {
        std::fprintf(stderr, "firstframe_harness: give two programs, NAME=PROGRAM\n");
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);
    Harness harness(scale, keys);
    for (int round = -1; round < runs; ++round) {
        const bool flip = round >= 0 && round % 2 == 1;
        Program &first = programs[flip ? 1 : 0];
        Program &second = programs[flip ? 0 : 1];
        if (!harness.run(first, settleMs, round >= 0) || !harness.run(second, settleMs, round >= 0))
            return 1;
    }
    for (const Program &p : programs) {
        const std::string k = prefix + "." + p.name;
        bench::result((k + ".runs").c_str(), static_cast<double>(p.frameMs.size()));
        bench::result((k + ".median_ms").c_str(), bench::median(p.frameMs));
        bench::result((k + ".min_ms").c_str(), bench::minimum(p.frameMs));
        bench::result((k + ".max_ms").c_str(), bench::maximum(p.frameMs));
        bench::result((k + ".q1_ms").c_str(), bench::quantile(p.frameMs, 0.25));
        bench::result((k + ".q3_ms").c_str(), bench::quantile(p.frameMs, 0.75));
        bench::result((k + ".map_median_ms").c_str(), bench::median(p.mapMs));
        bench::result((k + ".cpu_median_ms").c_str(), bench::median(p.cpuMs));
        bench::result((k + ".rss_median_mib").c_str(), bench::median(p.rssMiB));
        bench::result((k + ".rss_max_mib").c_str(), bench::maximum(p.rssMiB));
    }
    // The ratio of medians, and the median of the ratios of the pairs run
    // next to each other (less sensitive to drift).
    std::vector<double> pairRatios;
    for (std::size_t i = 0; i < programs[0].frameMs.size(); ++i)
        pairRatios.push_back(programs[0].frameMs[i] / programs[1].frameMs[i]);
    bench::result((prefix + ".ratio_of_medians").c_str(),
        bench::median(programs[0].frameMs) / bench::median(programs[1].frameMs));
    bench::result((prefix + ".pair_ratio_median").c_str(), bench::median(pairRatios));
    bench::result((prefix + ".pair_ratio_min").c_str(), bench::minimum(pairRatios));
    bench::result((prefix + ".pair_ratio_max").c_str(), bench::maximum(pairRatios));
    bench::result((prefix + ".cpu_ratio_of_medians").c_str(),
        bench::median(programs[0].cpuMs) / bench::median(programs[1].cpuMs));
    return 0;
}
