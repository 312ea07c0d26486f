// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// The decode step: every WAV encoding comes out as the tone it holds, and no
// file, however broken or hostile, gets past the bounds.
#include "FakeLibraries.h"
#include "TestFiles.h"

#include "sound/SoundLimits.h"
#include "sound/WavDecode.h"

#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <future>
#include <thread>

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

using kvsound::DecodeError;
using kvsound::DecodeResult;

Q_DECLARE_METATYPE(kvsound::DecodeError)

namespace {

// Runs the decode on another thread, so that a decode that hangs fails the
// test instead of stalling the whole run.
DecodeResult decodeWithin(const QString &path, std::chrono::seconds limit, bool *finished)
{
    auto promise = std::make_shared<std::promise<DecodeResult>>();
    auto result = promise->get_future();
    std::thread([promise, p = QFile::encodeName(path)] {
        promise->set_value(kvsound::decodeWavFile(p.constData()));
    }).detach();
    *finished = result.wait_for(limit) == std::future_status::ready;
    return *finished ? result.get() : DecodeResult{};
}

// A copy of bytes that ends where an unreadable page begins: reading one
// byte past its end is a crash, not a silent overrun.
class GuardedBuffer
{
public:
    explicit GuardedBuffer(const QByteArray &bytes)
    {
        const std::size_t page = std::size_t(::sysconf(_SC_PAGESIZE));
        span_ = (std::size_t(bytes.size()) + page - 1) / page * page + page;
        void *base = ::mmap(nullptr, span_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        base_ = static_cast<char *>(base);
        ::mprotect(base_ + span_ - page, page, PROT_NONE);
        data_ = base_ + span_ - page - bytes.size();
        std::memcpy(data_, bytes.constData(), std::size_t(bytes.size()));
    }
    ~GuardedBuffer() { ::munmap(base_, span_); }
    const char *data() const { return data_; }

private:
    std::size_t span_ = 0;
    char *base_ = nullptr;
    char *data_ = nullptr;
};

} // namespace

class TestSoundDecode : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void decodesEveryWavEncoding_data();
    void decodesEveryWavEncoding();
    void pcm16IsBitExact();
    void rejectsHarmfulFiles_data();
    void rejectsHarmfulFiles();
    void damagedFilesPlayWhatIsThere_data();
    void damagedFilesPlayWhatIsThere();
    void fileAtTheSizeLimitDecodes();
    void cancelledDecodeStops();
    void sampleLimitHoldsWhileDecoding_data();
    void sampleLimitHoldsWhileDecoding();
    void unreadableFileIsRejected();

private:
    QTemporaryDir dir_;
};

void TestSoundDecode::initTestCase()
{
    QVERIFY(dir_.isValid());
}

void TestSoundDecode::decodesEveryWavEncoding_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("peakTolerancePercent");

    QTest::newRow("PCM 16-bit mono") << (SF_FORMAT_WAV | SF_FORMAT_PCM_16) << 44100 << 1 << 2;
    QTest::newRow("PCM 8-bit stereo") << (SF_FORMAT_WAV | SF_FORMAT_PCM_U8) << 22050 << 2 << 3;
    QTest::newRow("PCM 24-bit") << (SF_FORMAT_WAV | SF_FORMAT_PCM_24) << 48000 << 1 << 2;
    QTest::newRow("PCM 32-bit") << (SF_FORMAT_WAV | SF_FORMAT_PCM_32) << 48000 << 2 << 2;
    QTest::newRow("float 32-bit") << (SF_FORMAT_WAV | SF_FORMAT_FLOAT) << 44100 << 1 << 2;
    QTest::newRow("float 64-bit") << (SF_FORMAT_WAV | SF_FORMAT_DOUBLE) << 44100 << 1 << 2;
    QTest::newRow("mu-law") << (SF_FORMAT_WAV | SF_FORMAT_ULAW) << 8000 << 1 << 5;
    QTest::newRow("A-law") << (SF_FORMAT_WAV | SF_FORMAT_ALAW) << 8000 << 1 << 5;
    QTest::newRow("IMA ADPCM") << (SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM) << 22050 << 1 << 10;
    QTest::newRow("MS ADPCM") << (SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM) << 22050 << 2 << 10;
    QTest::newRow("GSM 6.10") << (SF_FORMAT_WAV | SF_FORMAT_GSM610) << 8000 << 1 << 30;
    QTest::newRow("extensible PCM 16-bit, 6 channels") << (SF_FORMAT_WAVEX | SF_FORMAT_PCM_16) << 48000 << 6 << 2;
    QTest::newRow("extensible float") << (SF_FORMAT_WAVEX | SF_FORMAT_FLOAT) << 96000 << 2 << 2;
}

// Every WAV encoding decodes to its own rate and channel count, at the pitch
// and loudness it was written with (a float file is not silent).
void TestSoundDecode::decodesEveryWavEncoding()
{
    QFETCH(int, format);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, peakTolerancePercent);

    const QString path = dir_.filePath(QString("enc_%1.wav").arg(QTest::currentDataTag()).replace(' ', '_'));
    QVERIFY(testfiles::writeTone(path, format, rate, channels, 440, 0.3, 0.5));

    const DecodeResult r = kvsound::decodeWavFile(QFile::encodeName(path).constData());
    QCOMPARE(r.error, DecodeError::None);
    QVERIFY(r.pcm);
    QCOMPARE(r.pcm->rate, rate);
    QCOMPARE(r.pcm->channels, channels);
    // Block codecs pad their last block.
    const double expectedFrames = 0.3 * rate;
    QVERIFY2(std::abs(double(r.pcm->frames()) - expectedFrames) <= 2048, qPrintable(QString::number(r.pcm->frames())));
    QVERIFY2(
        std::abs(testfiles::dominantHz(*r.pcm) - 440) < 10, qPrintable(QString::number(testfiles::dominantHz(*r.pcm))));
    const int expectedPeak = 16384;
    QVERIFY2(std::abs(testfiles::peak(*r.pcm) - expectedPeak) <= expectedPeak * peakTolerancePercent / 100,
        qPrintable(QString::number(testfiles::peak(*r.pcm))));

    // The in-memory variant (the fuzz target's) sees the very same samples.
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    const DecodeResult fromBuffer = kvsound::decodeWavBuffer(bytes.constData(), std::size_t(bytes.size()));
    QCOMPARE(fromBuffer.error, DecodeError::None);
    QVERIFY(fromBuffer.pcm->samples == r.pcm->samples);
}

// A 16-bit file comes out sample for sample, extremes included.
void TestSoundDecode::pcm16IsBitExact()
{
    const std::vector<std::int16_t> samples{0, 1, -1, 32767, -32768, 12345, -12345, 100, -100, 2, 3, 4};
    QByteArray data;
    for (std::int16_t s : samples)
        testfiles::put16(data, static_cast<std::uint16_t>(s));
    const QByteArray bytes = testfiles::wavHeader(1, 2, 44100, 16, std::uint32_t(data.size())) + data;

    const DecodeResult r = kvsound::decodeWavBuffer(bytes.constData(), std::size_t(bytes.size()));
    QCOMPARE(r.error, DecodeError::None);
    QCOMPARE(r.pcm->channels, 2);
    QCOMPARE(r.pcm->frames(), samples.size() / 2);
    QVERIFY(r.pcm->samples == samples);
}

void TestSoundDecode::rejectsHarmfulFiles_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<DecodeError>("expected");
    const auto cases = testfiles::badFiles();
    for (std::size_t i = 0; i < cases.size(); ++i)
        QTest::newRow(cases[i].name) << int(i) << cases[i].decode;
}

// Each bad file is refused for its own reason, without hanging, and one that
// is refused for what it is (missing, not a regular file, too small or too
// large) without a byte of it being read: a file over the size limit, a FIFO
// or /dev/zero is never read.
void TestSoundDecode::rejectsHarmfulFiles()
{
    QFETCH(int, index);
    QFETCH(DecodeError, expected);

    QTemporaryDir caseDir;
    const QString path = testfiles::badFiles()[std::size_t(index)].make(caseDir.path());
    const qint64 readBefore = testfiles::bytesRead();
    bool finished = false;
    const DecodeResult r = decodeWithin(path, std::chrono::seconds(20), &finished);
    QVERIFY2(finished, "decode hung");
    QVERIFY(!r.pcm);
    QCOMPARE(r.error, expected);
    const qint64 read = testfiles::bytesRead() - readBefore;
    if (expected == DecodeError::Missing || expected == DecodeError::NotRegular || expected == DecodeError::TooSmall
        || expected == DecodeError::TooLarge)
        QVERIFY2(read < 64 * 1024, qPrintable(QString("%1 bytes read").arg(read)));
}

void TestSoundDecode::damagedFilesPlayWhatIsThere_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qulonglong>("frames");
    for (const auto &c : testfiles::damagedFiles())
        QTest::newRow(c.name) << c.bytes << qulonglong(c.frames);
}

// A header that promises more data than the file holds gives the frames that
// are there, nothing is allocated for the promised rest, and decoding from
// memory never reads past the end of the bytes.
void TestSoundDecode::damagedFilesPlayWhatIsThere()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qulonglong, frames);

    const QString path = dir_.filePath("damaged.wav");
    QVERIFY(testfiles::writeBytes(path, bytes));
    const DecodeResult r = kvsound::decodeWavFile(QFile::encodeName(path).constData());
    QCOMPARE(r.error, DecodeError::None);
    QCOMPARE(qulonglong(r.pcm->frames()), frames);
    QVERIFY(r.pcm->samples.capacity() <= 2 * r.pcm->samples.size());
    QVERIFY(std::abs(testfiles::dominantHz(*r.pcm) - 440) < 10);

    const GuardedBuffer guarded(bytes);
    const DecodeResult fromMemory = kvsound::decodeWavBuffer(guarded.data(), std::size_t(bytes.size()));
    QCOMPARE(fromMemory.error, DecodeError::None);
    QVERIFY(fromMemory.pcm->samples == r.pcm->samples);
}

// The largest file allowed (exactly kMaxFileBytes) is still played.
void TestSoundDecode::fileAtTheSizeLimitDecodes()
{
    const QString path = dir_.filePath("limit.wav");
    const std::uint32_t dataBytes = std::uint32_t(kvsound::kMaxFileBytes - 44);
    QByteArray bytes = testfiles::wavHeader(1, 1, 44100, 16, dataBytes);
    bytes += testfiles::pcm16Tone(440, double(dataBytes / 2) / 44100.0, 44100, 0.5);
    bytes.resize(qsizetype(kvsound::kMaxFileBytes), '\0');
    QVERIFY(testfiles::writeBytes(path, bytes));

    const DecodeResult r = kvsound::decodeWavFile(QFile::encodeName(path).constData());
    QCOMPARE(r.error, DecodeError::None);
    QCOMPARE(r.pcm->frames(), std::size_t(dataBytes / 2));
}

// A decode whose result is no longer wanted gives up instead of finishing.
void TestSoundDecode::cancelledDecodeStops()
{
    const QString path = dir_.filePath("cancel.wav");
    QVERIFY(testfiles::writeBytes(path, testfiles::pcm16Wav(440, 2.0)));
    int polls = 0;
    const DecodeResult r
        = kvsound::decodeWavFile(QFile::encodeName(path).constData(), [&polls] { return ++polls > 2; });
    QCOMPARE(r.error, DecodeError::Cancelled);
    QVERIFY(!r.pcm);
    QCOMPARE(polls, 3);
}

void TestSoundDecode::sampleLimitHoldsWhileDecoding_data()
{
    QTest::addColumn<qlonglong>("announced");
    QTest::newRow("no length announced") << 0LL;
    QTest::newRow("a second announced") << 44100LL;
}

// A decoder that gives more than its header announced is stopped at the
// sample limit while it decodes, not trusted to stop by itself.
void TestSoundDecode::sampleLimitHoldsWhileDecoding()
{
    QFETCH(qlonglong, announced);
    const EndlessSndfile decoder(announced);
    const QByteArray bytes = testfiles::pcm16Wav(440, 0.1);
    const DecodeResult r = kvsound::decodeWavBuffer(bytes.constData(), std::size_t(bytes.size()), {}, &decoder.library);
    QCOMPARE(r.error, DecodeError::TooLong);
    QVERIFY(!r.pcm);
    QVERIFY2(EndlessSndfile::framesGiven < 2 * kvsound::kMaxDecodedSamples,
        qPrintable(QString("%1 frames decoded").arg(EndlessSndfile::framesGiven)));
}

// A file its reader may not read is refused: by the open as an unprivileged
// user (root reads anything, so as root the check runs in a child that drops
// to nobody).
void TestSoundDecode::unreadableFileIsRejected()
{
    QTemporaryDir caseDir;
    QVERIFY(QFile::setPermissions(caseDir.path(),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup
            | QFile::ExeGroup));
    const QString path = caseDir.filePath("locked.wav");
    QVERIFY(testfiles::writeBytes(path, testfiles::pcm16Wav(440, 0.1)));
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0) == 0);
    const QByteArray p = QFile::encodeName(path);

    if (::geteuid() != 0) {
        QCOMPARE(kvsound::decodeWavFile(p.constData()).error, DecodeError::Missing);
        return;
    }
    const int refused = testfiles::holdsAsNobody(
        [&p] { return kvsound::decodeWavFile(p.constData()).error == DecodeError::Missing; });
    if (refused < 0)
        QSKIP("cannot drop privileges to nobody here");
    QCOMPARE(refused, 1);
}

QTEST_GUILESS_MAIN(TestSoundDecode)
#include "tst_sounddecode.moc"
