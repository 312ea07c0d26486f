// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// The cost of one turn with the window repainted at once: time per turn, and
// with --callgrind the instructions of one deal's turns under callgrind.
//
//   bench_turn [--deals N]            times turns (µs), prints RESULT lines
//   bench_turn --callgrind cold|warm  instruments one deal's 51 turns only;
//                                     run under valgrind --tool=callgrind
//                                     --instr-atstart=no
//
// A deal is rigged with a deck that never loses; its first card is turned
// untimed (as dealing does), then 51 turns are measured, each a call of the
// window's TurnCard followed by repaint() of the whole window, which paints
// it and hands the frame to the platform before returning. Between turns
// the event loop runs, untimed, as a player's pace leaves it time: that is
// when the window draws the next card ahead.
//
// "Cold" is the first deal after start, when every card is drawn for the
// first time and each label's text is laid out for the first time; "warm"
// deals come after 40 others. Under callgrind only the turns themselves are
// collected, not the drawing ahead between them.
//
// Runs on whatever platform Qt is given: offscreen, or xcb under Xvfb.
#include "BenchStats.h"
#include "tests/KvindoTestAccess.h"
#include "tests/TestDecks.h"
#include "window/frmKvindo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>

#include <valgrind/callgrind.h>

#include <cstring>
#include <string>

namespace {

// Notes when a widget is painted.
class PaintWatch : public QObject
{
public:
    QObject *watched = nullptr;
    bool painted = false;

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (object == watched && event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// Turns 51 cards of a freshly rigged deal; returns each turn's time in µs.
std::vector<double> playDeal(
    frmKvindo &form, KvindoTestAccess &access, const std::array<int, 52> &deck, bool instrument)
{
    access.rig(deck);
    access.turnCard();
    form.repaint();
    QCoreApplication::processEvents();
    std::vector<double> times;
    times.reserve(51);
    for (int turn = 0; turn < 51; ++turn) {
        if (instrument)
            CALLGRIND_TOGGLE_COLLECT;
        const double start = bench::nowMs();
        access.turnCard();
        form.repaint();
        times.push_back((bench::nowMs() - start) * 1000.0);
        if (instrument)
            CALLGRIND_TOGGLE_COLLECT;
        QCoreApplication::processEvents();
    }
    return times;
}

} // namespace

int main(int argc, char *argv[])
{
    int deals = 40;
    std::string callgrind;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--deals") && i + 1 < argc)
            deals = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--callgrind") && i + 1 < argc)
            callgrind = argv[++i];
    }

    QApplication app(argc, argv);
    frmKvindo form;
    KvindoTestAccess access(form);
    PaintWatch watch;
    watch.watched = form.findChild<QWidget *>(QStringLiteral("imgBak"));
    if (watch.watched)
        watch.watched->installEventFilter(&watch);
    form.Form_Load();

    QElapsedTimer wait;
    wait.start();
    while (!watch.painted && wait.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
    if (!watch.painted) {
        std::fprintf(stderr, "bench_turn: no first frame\n");
        return 1;
    }

    const std::array<int, 52> deck = deckWith({});
    const std::string platform = QGuiApplication::platformName().toStdString();

    const std::vector<double> cold = playDeal(form, access, deck, callgrind == "cold");
    if (access.gameOver() || access.turnedCount() != 52) {
        std::fprintf(stderr, "bench_turn: the rigged deal did not play through\n");
        return 1;
    }
    if (callgrind == "cold")
        return 0;

    if (callgrind == "warm") {
        for (int d = 0; d < 41; ++d)
            playDeal(form, access, deck, d == 40);
        return 0;
    }

    std::vector<double> warm;
    for (int d = 0; d < deals; ++d) {
        const std::vector<double> times = playDeal(form, access, deck, false);
        warm.insert(warm.end(), times.begin(), times.end());
        QCoreApplication::processEvents();
    }

    const std::string k = "turn." + platform + ".";
    bench::result((k + "cold_median_us").c_str(), bench::median(cold));
    bench::result((k + "cold_max_us").c_str(), bench::maximum(cold));
    bench::result((k + "warm_turns").c_str(), static_cast<double>(warm.size()));
    bench::result((k + "warm_median_us").c_str(), bench::median(warm));
    bench::result((k + "warm_p99_us").c_str(), bench::quantile(warm, 0.99));
    bench::result((k + "warm_max_us").c_str(), bench::maximum(warm));
    return 0;
}
