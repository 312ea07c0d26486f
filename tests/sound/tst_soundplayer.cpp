// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// The request side of the sound layer: what a request returns, how requests
// cut off, replace and follow each other, and that neither a bad file nor the
// sound server's state ever holds up the calling thread.
#include "FakeLibraries.h"
#include "FakeOutput.h"
#include "TestFiles.h"

#include "sound/PulseOutput.h"
#include "sound/SoundLimits.h"
#include "sound/SoundPlayer.h"
#include "sound/modLjud.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using kvsound::DecodeError;
using kvsound::SoundPlayer;
using Clock = std::chrono::steady_clock;
using Event = FakeOutput::Event;

Q_DECLARE_METATYPE(kvsound::DecodeError)

namespace {

constexpr auto kIdle = std::chrono::milliseconds(10000);

double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

double worst(const std::vector<double> &v)
{
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

// Resident and peak resident set of this process, in MiB.
double statusMiB(const char *key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0)
            return std::stod(line.substr(std::string(key).size())) / 1024.0;
    return -1;
}

// The calling thread never waits for a file or the server: a request that did
// would take seconds (a FIFO, a frozen server: forever), so 100 ms for any one
// request is ample. Its usual cost is a benchmark's figure.
void checkUiTimes(const std::vector<double> &ms)
{
    QVERIFY2(worst(ms) < 100.0, qPrintable(QString("worst %1 ms").arg(worst(ms))));
}

QByteArray path8(const QString &p)
{
    return QFile::encodeName(p);
}

int countStarts(const std::vector<Event> &events)
{
    return int(std::count_if(events.begin(), events.end(), [](const Event &e) { return e.kind == Event::Start; }));
}

// Sets or clears environment variables for the lifetime of the object.
class EnvScope
{
public:
    void set(const char *name, const QByteArray &value)
    {
        remember(name);
        qputenv(name, value);
    }
    void unset(const char *name)
    {
        remember(name);
        qunsetenv(name);
    }
    ~EnvScope()
    {
        for (const auto &[name, value] : saved_) {
            if (value.isNull())
                qunsetenv(name.constData());
            else
                qputenv(name.constData(), value);
        }
    }

private:
    void remember(const char *name)
    {
        for (const auto &s : saved_)
            if (s.first == name)
                return;
        saved_.emplace_back(name, qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray());
    }
    std::vector<std::pair<QByteArray, QByteArray>> saved_;
};

// A sound server that accepts connections and never answers.
class FrozenServer
{
public:
    explicit FrozenServer(const QString &socketPath)
    {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray p = path8(socketPath);
        std::memcpy(
            addr.sun_path, p.constData(), std::min<std::size_t>(std::size_t(p.size()), sizeof addr.sun_path - 1));
        ok_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 && ::listen(fd_, 64) == 0;
    }
    ~FrozenServer()
    {
        for (int c : clients_)
            ::close(c);
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool ok() const { return ok_; }
    // Takes the connections made so far; returns how many sent anything.
    int clientsThatSpoke()
    {
        int spoke = 0;
        for (;;) {
            const int c = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (c < 0)
                break;
            clients_.push_back(c);
            char buf[512];
            if (::recv(c, buf, sizeof buf, MSG_DONTWAIT) > 0)
                ++spoke;
        }
        return spoke;
    }

private:
    int fd_ = -1;
    bool ok_ = false;
    std::vector<int> clients_;
};

QStringList entriesUnder(const QString &dir)
{
    QStringList found;
    QDir d(dir);
    for (const QFileInfo &fi : d.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        found << fi.filePath();
    return found;
}

} // namespace

class TestSoundPlayer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void requestValue_data();
    void requestValue();
    void everyRequestCutsOffTheSoundInProgress();
    void badFilesStayHarmless_data();
    void badFilesStayHarmless();
    void requestsCoalesceWhileTheOutputIsBusy();
    void anUnfinishedDecodeIsAbandoned_data();
    void anUnfinishedDecodeIsAbandoned();
    void fileChangesAreHonouredFromTheNextRequest();
    void unreadableFileIsRefusedOnTheCallingThread();
    void soundServerStates_data();
    void soundServerStates();
    void aCueAskedWhileConnectingWaitsForTheConnection_data();
    void aCueAskedWhileConnectingWaitsForTheConnection();

private:
    QString goodPath(double hz = 440, double seconds = 0.3);

    QTemporaryDir dir_;
    int goodFiles_ = 0;
};

void TestSoundPlayer::initTestCase()
{
    QVERIFY(dir_.isValid());
}

QString TestSoundPlayer::goodPath(double hz, double seconds)
{
    const QString p = dir_.filePath(QString("good%1.wav").arg(goodFiles_++));
    testfiles::writeBytes(p, testfiles::pcm16Wav(hz, seconds));
    return p;
}

void TestSoundPlayer::requestValue_data()
{
    QTest::addColumn<int>("index"); // into badFiles(), or -1
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("accepted");

    QTest::newRow("good file") << -1 << "good" << 1;
    QTest::newRow("symlink to a good file") << -1 << "link" << 1;
    QTest::newRow("12 bytes, the smallest allowed") << -1 << "12" << 1;
    QTest::newRow("exactly the size limit") << -1 << "limit" << 1;
    QTest::newRow("empty path") << -1 << "empty" << 0;
    const auto cases = testfiles::badFiles();
    for (std::size_t i = 0; i < cases.size(); ++i)
        QTest::newRow(cases[i].name) << int(i) << QString() << cases[i].accepted;
}

// A request returns 1 for a regular readable file within the size limits and
// 0 for anything else, whatever the file holds, through PlaySoundA too.
void TestSoundPlayer::requestValue()
{
    QFETCH(int, index);
    QFETCH(QString, kind);
    QFETCH(int, accepted);

    QTemporaryDir caseDir;
    QString path;
    if (index >= 0) {
        path = testfiles::badFiles()[std::size_t(index)].make(caseDir.path());
    } else if (kind == "good") {
        path = goodPath();
    } else if (kind == "link") {
        path = testfiles::makeLink(caseDir.path(), "link.wav", path8(goodPath()).constData());
    } else if (kind == "12") {
        path = caseDir.filePath("twelve.wav");
        QVERIFY(testfiles::writeBytes(path, QByteArray("RIFF\0\0\0\0WAVE", 12)));
    } else if (kind == "limit") {
        path = caseDir.filePath("limit.wav");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(kvsound::kMaxFileBytes));
    }

    QCOMPARE(kvsound::checkRequestPath(path8(path).constData()), accepted);

    auto log = std::make_shared<FakeOutput::Log>();
    SoundPlayer player(std::make_unique<FakeOutput>(log));
    modLjud::setSoundOutput(&player);
    const std::int32_t ret
        = modLjud::PlaySoundA(path8(path).constData(), 0, modLjud::SND_ASYNC | modLjud::SND_NODEFAULT);
    modLjud::setSoundOutput(nullptr);
    QCOMPARE(ret, accepted);
}

// Each request stops the sound in progress before anything else, and a
// rejected request stops it too, starting nothing.
void TestSoundPlayer::everyRequestCutsOffTheSoundInProgress()
{
    const QString a = goodPath(440, 2.0);
    const QString b = goodPath(880, 0.3);
    auto log = std::make_shared<FakeOutput::Log>();
    SoundPlayer player(std::make_unique<FakeOutput>(log));

    auto expectAfter = [&](const QString &path, int ret, std::vector<Event::Kind> kinds, double hz) {
        const std::size_t before = log->snapshot().size();
        QCOMPARE(player.play(path8(path).constData(), 3), ret);
        QVERIFY(player.waitIdle(kIdle));
        const auto events = log->snapshot();
        QCOMPARE(events.size() - before, kinds.size());
        for (std::size_t i = 0; i < kinds.size(); ++i)
            QCOMPARE(events[before + i].kind, kinds[i]);
        if (hz > 0)
            QVERIFY(std::abs(testfiles::dominantHz(*events.back().pcm) - hz) < 10);
    };
    expectAfter(a, 1, {Event::Stop, Event::Start}, 440);
    expectAfter(b, 1, {Event::Stop, Event::Start}, 880);
    expectAfter(dir_.filePath("missing.wav"), 0, {Event::Stop}, 0);
    expectAfter(a, 1, {Event::Stop, Event::Start}, 440);
    const QString fifo = testfiles::makeFifo(dir_.path());
    expectAfter(fifo, 0, {Event::Stop}, 0);
    QFile::remove(fifo);
}

void TestSoundPlayer::badFilesStayHarmless_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("damaged");
    const auto cases = testfiles::badFiles();
    for (std::size_t i = 0; i < cases.size(); ++i)
        QTest::newRow(cases[i].name) << int(i) << -1;
    const auto damaged = testfiles::damagedFiles();
    for (std::size_t i = 0; i < damaged.size(); ++i)
        QTest::newRow(damaged[i].name) << -1 << int(i);
}

// A bad file costs the calling thread no more than a good one, never hangs
// the loader, keeps memory bounded, plays nothing (a damaged file only what
// it holds), and the next good request plays.
void TestSoundPlayer::badFilesStayHarmless()
{
    QFETCH(int, index);
    QFETCH(int, damaged);

    QTemporaryDir caseDir;
    QString path;
    std::size_t damagedFrames = 0;
    if (index >= 0) {
        path = testfiles::badFiles()[std::size_t(index)].make(caseDir.path());
    } else {
        const auto c = testfiles::damagedFiles()[std::size_t(damaged)];
        path = caseDir.filePath("damaged.wav");
        QVERIFY(testfiles::writeBytes(path, c.bytes));
        damagedFrames = c.frames;
    }
    const QString good = goodPath(880, 0.3);
    const double rssBefore = statusMiB("VmRSS:");

    auto log = std::make_shared<FakeOutput::Log>();
    SoundPlayer player(std::make_unique<FakeOutput>(log));
    std::vector<double> uiMs;
    const QByteArray bad = path8(path);
    for (int i = 0; i < 25; ++i) {
        const auto t0 = Clock::now();
        player.play(bad.constData(), 3);
        uiMs.push_back(msSince(t0));
        if (i % 5 == 4) // let some of them reach the loader, not just the last
            QVERIFY2(player.waitIdle(kIdle), "loader hung on the bad file");
    }
    QVERIFY2(player.waitIdle(kIdle), "loader hung on the bad file");
    checkUiTimes(uiMs);

    const auto events = log->snapshot();
    if (damagedFrames == 0) {
        QCOMPARE(countStarts(events), 0);
    } else {
        QVERIFY(countStarts(events) >= 1);
        QCOMPARE(events.back().pcm->frames(), damagedFrames);
    }
    QVERIFY2(statusMiB("VmRSS:") - rssBefore < 64, qPrintable(QString::number(statusMiB("VmRSS:") - rssBefore)));

    QCOMPARE(player.play(path8(good).constData(), 3), 1);
    QVERIFY(player.waitIdle(kIdle));
    const auto after = log->snapshot();
    QCOMPARE(after.back().kind, Event::Start);
    QVERIFY(std::abs(testfiles::dominantHz(*after.back().pcm) - 880) < 10);
    QCOMPARE(player.stats().lastError, DecodeError::None);
}

// Requests made while the output is busy replace each other: once it is free
// only the latest is served, so a held key never builds a queue.
void TestSoundPlayer::requestsCoalesceWhileTheOutputIsBusy()
{
    const QString yes = goodPath(440);
    const QString doh = goodPath(880);
    auto log = std::make_shared<FakeOutput::Log>();
    SoundPlayer player(std::make_unique<FakeOutput>(log));

    log->closeGate();
    player.play(path8(yes).constData(), 3);
    QVERIFY(log->waitUntilStopWaits(kIdle));
    for (int i = 0; i < 50; ++i)
        player.play(path8(i % 2 ? doh : yes).constData(), 3); // ends with doh
    log->openGate();
    QVERIFY(player.waitIdle(kIdle));

    const auto events = log->snapshot();
    QCOMPARE(countStarts(events), 1);
    QCOMPARE(events.back().kind, Event::Start);
    QVERIFY(std::abs(testfiles::dominantHz(*events.back().pcm) - 880) < 10);
    const auto stats = player.stats();
    QCOMPARE(stats.requests, std::uint64_t(51));
    QCOMPARE(stats.served, std::uint64_t(2));
}

void TestSoundPlayer::anUnfinishedDecodeIsAbandoned_data()
{
    QTest::addColumn<bool>("shutdown");
    QTest::newRow("a newer request comes") << false;
    QTest::newRow("the player shuts down") << true;
}

// A decode that a newer request (or shutdown) has made pointless is given up:
// the 16 MiB file it was about to read is not read, and only the newer
// request's sound starts.
void TestSoundPlayer::anUnfinishedDecodeIsAbandoned()
{
    QFETCH(bool, shutdown);
    const QString big = dir_.filePath("big.wav");
    if (!QFile::exists(big)) {
        const std::uint32_t dataBytes = std::uint32_t(kvsound::kMaxFileBytes - 44);
        QVERIFY(testfiles::writeBytes(big,
            testfiles::wavHeader(1, 1, 44100, 16, dataBytes)
                + testfiles::pcm16Tone(440, double(dataBytes / 2) / 44100.0, 44100, 0.5)));
    }
    const QString small = goodPath(880);

    auto log = std::make_shared<FakeOutput::Log>();
    auto player = std::make_unique<SoundPlayer>(std::make_unique<FakeOutput>(log));
    // The loader takes the big file's request and waits in stop(), just
    // before it would read and decode the file.
    log->closeGate();
    player->play(path8(big).constData(), 3);
    QVERIFY(log->waitUntilStopWaits(kIdle));
    const qint64 readBefore = testfiles::bytesRead();
    std::thread closer;
    if (shutdown) {
        closer = std::thread([&player] { player.reset(); });
        QTest::qWait(50); // the closer has asked the loader to quit within microseconds
    } else {
        player->play(path8(small).constData(), 3);
    }
    log->openGate();
    if (shutdown)
        closer.join();
    else
        QVERIFY(player->waitIdle(kIdle));

    const qint64 read = testfiles::bytesRead() - readBefore;
    QVERIFY2(read < kvsound::kMaxFileBytes / 16, qPrintable(QString("%1 bytes read").arg(read)));
    const auto events = log->snapshot();
    QCOMPARE(countStarts(events), shutdown ? 0 : 1);
    if (!shutdown)
        QCOMPARE(events.back().pcm->frames(), std::size_t(0.3 * 44100));
}

// The file is looked up afresh on every request: a replaced file plays its
// new content, a removed one nothing, a re-added one plays again.
void TestSoundPlayer::fileChangesAreHonouredFromTheNextRequest()
{
    QTemporaryDir gameDir;
    const QString yes = gameDir.filePath("Yes.wav");
    const QByteArray p = path8(yes);
    auto log = std::make_shared<FakeOutput::Log>();
    SoundPlayer player(std::make_unique<FakeOutput>(log));

    QCOMPARE(player.play(p.constData(), 3), 0); // not there yet
    QVERIFY(player.waitIdle(kIdle));
    QCOMPARE(countStarts(log->snapshot()), 0);

    QVERIFY(testfiles::writeBytes(yes, testfiles::pcm16Wav(440, 0.3)));
    QCOMPARE(player.play(p.constData(), 3), 1);
    QVERIFY(player.waitIdle(kIdle));
    QVERIFY(std::abs(testfiles::dominantHz(*log->snapshot().back().pcm) - 440) < 10);

    // Replaced the way editors do: a new file renamed over the old one.
    QVERIFY(testfiles::writeBytes(yes + ".new", testfiles::pcm16Wav(880, 0.5)));
    QVERIFY(::rename(path8(yes + ".new").constData(), p.constData()) == 0);
    QCOMPARE(player.play(p.constData(), 3), 1);
    QVERIFY(player.waitIdle(kIdle));
    QCOMPARE(log->snapshot().back().pcm->frames(), std::size_t(0.5 * 44100));
    QVERIFY(std::abs(testfiles::dominantHz(*log->snapshot().back().pcm) - 880) < 10);

    // Rewritten in place.
    QVERIFY(testfiles::writeBytes(yes, testfiles::pcm16Wav(660, 0.2)));
    QCOMPARE(player.play(p.constData(), 3), 1);
    QVERIFY(player.waitIdle(kIdle));
    QVERIFY(std::abs(testfiles::dominantHz(*log->snapshot().back().pcm) - 660) < 10);

    QVERIFY(QFile::remove(yes));
    const int startsBefore = countStarts(log->snapshot());
    QCOMPARE(player.play(p.constData(), 3), 0);
    QVERIFY(player.waitIdle(kIdle));
    QCOMPARE(countStarts(log->snapshot()), startsBefore);
    QCOMPARE(log->snapshot().back().kind, Event::Stop);

    QVERIFY(testfiles::writeBytes(yes, testfiles::pcm16Wav(440, 0.3)));
    QCOMPARE(player.play(p.constData(), 3), 1);
    QVERIFY(player.waitIdle(kIdle));
    QCOMPARE(log->snapshot().back().kind, Event::Start);
}

// A file the player's user may not read is refused on the calling thread
// (as root, checked in a child that drops to nobody).
void TestSoundPlayer::unreadableFileIsRefusedOnTheCallingThread()
{
    QTemporaryDir caseDir;
    QVERIFY(::chmod(path8(caseDir.path()).constData(), 0755) == 0);
    const QString path = caseDir.filePath("locked.wav");
    QVERIFY(testfiles::writeBytes(path, testfiles::pcm16Wav(440, 0.1)));
    QVERIFY(::chmod(path8(path).constData(), 0) == 0);
    const QByteArray p = path8(path);

    if (::geteuid() != 0) {
        QCOMPARE(kvsound::checkRequestPath(p.constData()), 0);
        return;
    }
    const int refused = testfiles::holdsAsNobody([&p] { return kvsound::checkRequestPath(p.constData()) == 0; });
    if (refused < 0)
        QSKIP("cannot drop privileges to nobody here");
    QCOMPARE(refused, 1);
    // Readable once permitted: the refusal was about permission.
    QVERIFY(::chmod(p.constData(), 0644) == 0);
    QCOMPARE(kvsound::checkRequestPath(p.constData()), 1);
}

void TestSoundPlayer::soundServerStates_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("mayBeReachable");
    QTest::newRow("no server, no runtime directory") << "none" << false;
    QTest::newRow("no server, XDG_RUNTIME_DIR unset") << "no-xdg" << false;
    QTest::newRow("PULSE_SERVER names a missing socket") << "missing-socket" << true;
    QTest::newRow("frozen server") << "frozen" << true;
}

// Whatever state the sound server is in, the real player never holds up the
// calling thread or its own shutdown (waiting for a frozen server would be
// for ever: a second is ample), still decodes the next good request after a
// bad one, and writes no file (no cookie, no runtime directory) under the
// user's home or runtime directory. Where no server can be running, it
// never loads the sound libraries at all.
void TestSoundPlayer::soundServerStates()
{
    QFETCH(QString, state);
    QFETCH(bool, mayBeReachable);
    if (!mayBeReachable && QFileInfo::exists(QStringLiteral("/var/run/pulse/native")))
        QSKIP("this machine runs a system-wide sound server");

    QTemporaryDir home;
    QTemporaryDir runtime;
    QTemporaryDir serverDir;
    EnvScope env;
    env.set("HOME", path8(home.path()));
    env.unset("XDG_CONFIG_HOME");
    env.unset("PULSE_COOKIE");
    env.unset("PULSE_SERVER");
    env.unset("PULSE_RUNTIME_PATH");
    env.unset("DISPLAY");
    env.set("XDG_RUNTIME_DIR", path8(runtime.path()));
    std::unique_ptr<FrozenServer> frozen;
    if (state == "no-xdg") {
        env.unset("XDG_RUNTIME_DIR");
    } else if (state == "missing-socket") {
        env.set("PULSE_SERVER", "unix:" + path8(serverDir.filePath("native")));
    } else if (state == "frozen") {
        frozen = std::make_unique<FrozenServer>(serverDir.filePath("native"));
        QVERIFY(frozen->ok());
        env.set("PULSE_SERVER", "unix:" + path8(serverDir.filePath("native")));
    }

    const QByteArray good = path8(goodPath(440));
    const QByteArray fifo = path8(testfiles::makeFifo(serverDir.path()));
    std::vector<double> uiMs, shutdownMs;
    for (int round = 0; round < 6; ++round) {
        auto player = std::make_unique<SoundPlayer>();
        for (const QByteArray &p : {good, fifo, good, good, fifo, good}) {
            const auto t0 = Clock::now();
            const int ret = player->play(p.constData(), 3);
            uiMs.push_back(msSince(t0));
            QCOMPARE(ret, p == good ? 1 : 0);
            if (round % 2)
                QTest::qWait(30); // also while a connection attempt is under way
        }
        QVERIFY(player->waitIdle(kIdle));
        QCOMPARE(player->stats().lastError, DecodeError::None);
        QCOMPARE(player->stats().output, mayBeReachable);
        QTest::qWait(round * 20); // shut down at different moments of connecting
        const auto t0 = Clock::now();
        player.reset();
        shutdownMs.push_back(msSince(t0));
    }
    checkUiTimes(uiMs);
    QVERIFY2(worst(shutdownMs) < 1000, qPrintable(QString("shutdown took %1 ms").arg(worst(shutdownMs))));

    if (frozen) // the players really reached the server and sent it their cookie
        QVERIFY(frozen->clientsThatSpoke() >= 1);
    QCOMPARE(entriesUnder(home.path()), QStringList());
    QCOMPARE(entriesUnder(runtime.path()), QStringList());
}

void TestSoundPlayer::aCueAskedWhileConnectingWaitsForTheConnection_data()
{
    QTest::addColumn<int>("outcome"); // pa_context_state_t
    QTest::addColumn<bool>("plays");
    QTest::newRow("the connection is made") << int(PA_CONTEXT_READY) << true;
    QTest::newRow("the connection fails") << int(PA_CONTEXT_FAILED) << false;
}

// A cue asked for while the connection to the server is still being made
// (the start-up card's, always) is kept, and played whole once connected.
void TestSoundPlayer::aCueAskedWhileConnectingWaitsForTheConnection()
{
    QFETCH(int, outcome);
    QFETCH(bool, plays);
    FakePulse server;
    kvsound::PulseOutput output(&server.library);
    QCOMPARE(FakePulse::state, PA_CONTEXT_CONNECTING);

    auto pcm = std::make_shared<kvsound::Pcm>();
    pcm->rate = 44100;
    pcm->channels = 1;
    pcm->samples.assign(13230, 1000);
    output.start(pcm);
    QCOMPARE(FakePulse::streams, 0);

    server.become(pa_context_state_t(outcome));
    server.drain();
    QCOMPARE(FakePulse::streams, plays ? 1 : 0);
    QCOMPARE(FakePulse::bytesWritten, plays ? pcm->samples.size() * 2 : 0);
}

QTEST_GUILESS_MAIN(TestSoundPlayer)
#include "tst_soundplayer.moc"
