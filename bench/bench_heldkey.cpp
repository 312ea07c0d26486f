// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// A held key: keys at a steady 50 per second through the X server and Qt's
// whole event path, and whether every one turns a card and is shown in a
// frame of its own in time.
//
//   bench_heldkey [--keys N] [--rate PER_SECOND]    (X11 only: run under Xvfb)
//
// This program is the game's window on Qt's xcb platform. A second thread,
// with a connection of its own to the X server, gives the window the input
// focus and sends the keys with XTEST (press, and release 8 ms later) on a
// fixed schedule; the X server delivers them to the window like a keyboard's.
// A random deal is soon lost and then refuses turns, so the window plays a
// rigged deck that never loses, rigged again after every 51st turn (between
// keys, through the tests' accessor).
//
// Measured for each key, against the moment it was sent (CLOCK_MONOTONIC):
//  - turned:  its key press reached the window and turned a card;
//  - painted: the end of the first event dispatch after it in which the
//             window was painted, i.e. the frame was handed to the X server;
//  - own frame: no later key was handled before that frame (the turn was
//             not folded into the next frame);
//  - on screen: the sending thread also watches the window with DAMAGE and
//             notes when the X server reports the window changed.
// A key lags when its frame came more than one frame (20 ms) after it.
#include "BenchStats.h"
#include "XcbKeys.h"
#include "tests/KvindoTestAccess.h"
#include "tests/TestDecks.h"
#include "window/frmKvindo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTimer>

#include <xcb/damage.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <atomic>
#include <cstring>
#include <poll.h>
#include <thread>

namespace {

struct KeyRecord
{
    double sent = -1;    // by the sending thread
    double screen = -1;  // first DAMAGE report after it was sent
    double handled = -1; // its key press dispatched in the window
    bool turned = false;
    long serial = 0;        // turns made up to and including this key
    double painted = -1;    // the frame that first showed it
    long paintedSerial = 0; // the latest turn in that frame
};

class BenchApplication : public QApplication
{
public:
    using QApplication::QApplication;

    frmKvindo *form = nullptr;
    KvindoTestAccess *access = nullptr;
    std::array<int, 52> deck{};
    std::vector<KeyRecord> *keys = nullptr;
    std::size_t keysHandled = 0;
    std::size_t keysPending = 0; // first key not yet shown in a frame
    long serial = 0;
    int depth = 0;
    bool paintSeen = false;
    bool keyPressOpen = false;

    bool notify(QObject *receiver, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (type == QEvent::Paint && receiver->isWidgetType() && static_cast<QWidget *>(receiver)->window() == form)
            paintSeen = true;
        // The outermost dispatch of a key press: it reaches the window
        // through Qt's own propagation inside this call.
        const bool keyPress = type == QEvent::KeyPress && !keyPressOpen && keys && form;
        if (keyPress)
            keyPressOpen = true;
        const double before = keyPress ? access->turnedCount() : 0;
        ++depth;
        const bool result = QApplication::notify(receiver, event);
        --depth;
        const double now = bench::nowMs();
        if (keyPress) {
            keyPressOpen = false;
            if (keysHandled < keys->size()) {
                KeyRecord &key = (*keys)[keysHandled++];
                key.handled = now;
                key.turned = access->turnedCount() == before + 1;
                if (key.turned)
                    ++serial;
                key.serial = serial;
            }
            if (access->turnedCount() >= 51)
                access->rig(deck);
        }
        if (depth == 0 && paintSeen) {
            paintSeen = false;
            for (; keysPending < keysHandled; ++keysPending) {
                (*keys)[keysPending].painted = now;
                (*keys)[keysPending].paintedSerial = serial;
            }
        }
        return result;
    }
};

// The sending thread: focus, then keys on schedule, noting DAMAGE reports.
void sendKeys(xcb_window_t window, std::vector<KeyRecord> &keys, double rate, std::atomic<bool> &failed)
{
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        failed = true;
        return;
    }
    const xcb_query_extension_reply_t *damageExt = xcb_get_extension_data(c, &xcb_damage_id);
    const xcb_query_extension_reply_t *testExt = xcb_get_extension_data(c, &xcb_test_id);
    const xcb_keycode_t key = bench::keycodeOf(c, 0x0061); // 'a'
    if (!damageExt || !damageExt->present || !testExt || !testExt->present || !key) {
        std::fprintf(stderr, "bench_heldkey: the X server lacks XTEST or DAMAGE, or has no 'a' key\n");
        failed = true;
        xcb_disconnect(c);
        return;
    }
    free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));
    const xcb_damage_damage_t damage = xcb_generate_id(c);
    xcb_damage_create(c, damage, window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    usleep(300000);

    std::size_t lastSent = 0;
    bool anySent = false;
    auto drain = [&](double until) {
        for (;;) {
            const double left = until - bench::nowMs();
            pollfd pfd{xcb_get_file_descriptor(c), POLLIN, 0};
            if (left > 0)
                poll(&pfd, 1, static_cast<int>(left) + 1 > 1 ? static_cast<int>(left) : 1);
            while (xcb_generic_event_t *event = xcb_poll_for_event(c)) {
                if ((event->response_type & 0x7f) == damageExt->first_event + XCB_DAMAGE_NOTIFY) {
                    const double now = bench::nowMs();
                    xcb_damage_subtract(c, damage, XCB_NONE, XCB_NONE);
                    xcb_flush(c);
                    if (anySent && keys[lastSent].screen < 0)
                        keys[lastSent].screen = now;
                }
                free(event);
            }
            if (bench::nowMs() >= until)
                return;
        }
    };

    const double period = 1000.0 / rate;
    const double start = bench::nowMs() + 100;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const double at = start + static_cast<double>(i) * period;
        drain(at);
        xcb_test_fake_input(c, XCB_KEY_PRESS, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(c);
        keys[i].sent = bench::nowMs();
        lastSent = i;
        anySent = true;
        drain(at + 8);
        xcb_test_fake_input(c, XCB_KEY_RELEASE, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(c);
    }
    drain(bench::nowMs() + 300);
    xcb_damage_destroy(c, damage);
    xcb_disconnect(c);
}

} // namespace

int main(int argc, char *argv[])
{
    int count = 2000;
    double rate = 50;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--keys") && i + 1 < argc)
            count = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--rate") && i + 1 < argc)
            rate = std::atof(argv[++i]);
    }

    BenchApplication app(argc, argv);
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(stderr, "bench_heldkey: needs the xcb platform (run under scripts/with-xvfb.sh)\n");
        return 2;
    }
    frmKvindo form;
    KvindoTestAccess access(form);
    form.Form_Load();
    // The first frame, and time for the pictures to be drawn ahead.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 1500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);

    std::vector<KeyRecord> keys(static_cast<std::size_t>(count));
    app.form = &form;
    app.access = &access;
    app.deck = deckWith({});
    access.rig(app.deck);
    app.keys = &keys;

    std::atomic<bool> failed = false;
    std::atomic<bool> done = false;
    const xcb_window_t window = static_cast<xcb_window_t>(form.winId());
    std::thread sender([&] {
        sendKeys(window, keys, rate, failed);
        done = true;
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done)
            QCoreApplication::quit();
    });
    poll.start(50);
    QApplication::exec();
    sender.join();
    if (failed)
        return 1;

    std::size_t received = 0, turned = 0, ownFrame = 0, lagging = 0, unpainted = 0;
    std::vector<double> lag, screenLag;
    for (const KeyRecord &key : keys) {
        if (key.handled < 0)
            continue;
        ++received;
        if (key.turned)
            ++turned;
        if (key.painted < 0) {
            ++unpainted;
            continue;
        }
        if (key.turned && key.paintedSerial == key.serial)
            ++ownFrame;
        lag.push_back(key.painted - key.sent);
        if (key.painted - key.sent > 20)
            ++lagging;
        if (key.screen >= 0)
            screenLag.push_back(key.screen - key.sent);
    }
    bench::result("heldkey.keys_sent", static_cast<double>(keys.size()));
    bench::result("heldkey.keys_received", static_cast<double>(received));
    bench::result("heldkey.turns", static_cast<double>(turned));
    bench::result("heldkey.dropped", static_cast<double>(keys.size() - turned));
    bench::result("heldkey.own_frame", static_cast<double>(ownFrame));
    bench::result("heldkey.unpainted", static_cast<double>(unpainted));
    bench::result("heldkey.lag_over_20ms", static_cast<double>(lagging));
    bench::result("heldkey.lag_median_ms", bench::median(lag));
    bench::result("heldkey.lag_p99_ms", bench::quantile(lag, 0.99));
    bench::result("heldkey.lag_max_ms", bench::maximum(lag));
    bench::result("heldkey.screen_reports", static_cast<double>(screenLag.size()));
    bench::result("heldkey.screen_lag_median_ms", bench::median(screenLag));
    bench::result("heldkey.screen_lag_max_ms", bench::maximum(screenLag));
    return 0;
}
