// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// A long random stream of input through the real window, checked after every
// event against a model of the rules; and memory that stays flat over many
// turns. KVINDO_SOAK_EVENTS sets the length (make soak runs a longer one),
// KVINDO_SOAK_SEED the stream.
#include "KvindoTestAccess.h"
#include "SoundRecorder.h"
#include "TestDecks.h"
#include "TestInput.h"

#include <QMenuBar>
#include <QRandomGenerator>
#include <QtTest>

#include <fstream>
#include <memory>
#include <string>

namespace {

qint64 environmentNumber(const char *name, qint64 fallback)
{
    bool ok = false;
    const qint64 value = qEnvironmentVariable(name).toLongLong(&ok);
    return ok ? value : fallback;
}

// The resident set size in KiB.
long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

// What the rules say the game shows, kept apart from the game's own code.
struct Model
{
    std::array<int, 53> deck{};
    int turned = 0;
    bool lost = false;
    int version = 1;
    bool sound = true;
    bool count123Shown = false;
    bool count13Shown = false;
    QStringList cues; // sound requests expected so far

    void turn(int times)
    {
        for (int i = 0; i < times; ++i)
            turn();
    }
    void turn()
    {
        if (lost)
            return;
        const bool turnedOne = turned < 52;
        if (turnedOne)
            ++turned;
        const int card = deck[static_cast<std::size_t>(turned)];
        if (version == 1 || version == 3) {
            lost = lost || (turnedOne && (turned - 1) % 3 + 1 == card % 13);
            count123Shown = true;
        }
        if (version == 2 || version == 3) {
            lost = lost || (turnedOne && turned % 13 == card % 13);
            count13Shown = true;
        }
        if (sound)
            cues << (lost ? QStringLiteral("Doh.wav") : QStringLiteral("Yes.wav"));
    }
    void deal(const KvindoTestAccess &game)
    {
        for (int slot = 0; slot <= 52; ++slot)
            deck[static_cast<std::size_t>(slot)] = game.card(slot);
        count123Shown = count13Shown = false;
        turned = 0;
        lost = false;
        turn();
    }
    void choose(int index)
    {
        count123Shown = count13Shown = false;
        version = index;
    }
};

} // namespace

class SoakTest : public QObject
{
    Q_OBJECT

private slots:
    // Whatever the player does, the window shows what the rules say: the
    // counts, the cards turned, the rank and the face-up card; a lost deal
    // stays lost until a new one; the deck stays a permutation; the check
    // marks follow the choices; and each turn asks for the right cue.
    void randomPlayKeepsTheRules()
    {
        const qint64 events = environmentNumber("KVINDO_SOAK_EVENTS", 100000);
        const quint32 seed = static_cast<quint32>(environmentNumber("KVINDO_SOAK_SEED", 20261207));
        qInfo("%lld events, seed %u", events, seed);
        QRandomGenerator random(seed);

        SoundRecorder sound;
        frmKvindo form;
        form.Form_Load();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        KvindoTestAccess game(form);
        game.seed(seed);
        Model model;
        form.findChild<QAction *>(QStringLiteral("mnuBörja"))->trigger();
        model.deal(game);
        sound.requests.clear();
        model.cues.clear();

        const QStringList elsewhere{"imgFram", "Label1", "Label2", "Label3", "Label4", "Image1", "Form"};
        const Qt::Key keys[] = {Qt::Key_A, Qt::Key_Space, Qt::Key_Return, Qt::Key_Tab, Qt::Key_Escape, Qt::Key_Left,
            Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_F1};
        const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};
        const QString clicks[] = {QStringLiteral("pr"), QStringLiteral("prdr"), QStringLiteral("prdrpr")};
        QWidget *deck = form.findChild<QWidget *>(QStringLiteral("imgBak"));
        auto *face = form.findChild<PictureBox *>(QStringLiteral("imgFram"));

        for (qint64 event = 0; event < events; ++event) {
            const quint32 kind = random.bounded(100);
            QString what;
            if (kind < 45) {
                const Qt::Key code = keys[random.bounded(int(std::size(keys)))];
                QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, QString(), random.bounded(4) == 0);
                QApplication::sendEvent(&form, &press);
                model.turn();
                what = QStringLiteral("key %1").arg(code);
            } else if (kind < 85) {
                const bool onDeck = kind < 75;
                QWidget *target
                    = onDeck ? deck : form.findChild<QWidget *>(elsewhere[random.bounded(elsewhere.size())]);
                const Qt::MouseButton button = buttons[random.bounded(3)];
                const QString &sequence = clicks[random.bounded(3)];
                sendMouse(target, sequence, button);
                if (onDeck)
                    model.turn(sequence.count(QLatin1Char('p')) + sequence.count(QLatin1Char('d')));
                what = QStringLiteral("%1 on %2").arg(sequence, target->objectName());
            } else if (kind < 92) {
                const int index = 1 + int(random.bounded(3));
                game.ver(index)->trigger();
                model.choose(index);
                what = QStringLiteral("version %1").arg(index);
            } else if (kind < 96) {
                game.ljud()->trigger();
                model.sound = !model.sound;
                what = QStringLiteral("Ljud");
            } else {
                form.findChild<QAction *>(QStringLiteral("mnuBörja"))->trigger();
                model.deal(game);
                what = QStringLiteral("Blanda å ge");
            }

            const auto where = [&] { return qPrintable(QStringLiteral("event %1 (%2)").arg(event).arg(what)); };
            QVERIFY2(game.turnedCount() == model.turned, where());
            QVERIFY2((game.gameOver() == frmKvindo::True) == model.lost, where());
            QVERIFY2(game.gameOver() == frmKvindo::True || game.gameOver() == frmKvindo::False, where());
            QVERIFY2(game.countVersion() == model.version, where());
            for (int index = 1; index <= 3; ++index)
                QVERIFY2(game.ver(index)->isChecked() == (index == model.version), where());
            QVERIFY2(game.ljud()->isChecked() == model.sound, where());
            for (int slot = 0; slot <= 52; ++slot)
                QVERIFY2(game.card(slot) == model.deck[static_cast<std::size_t>(slot)], where());
            const int n = model.turned;
            const int card = model.deck[static_cast<std::size_t>(n)];
            QVERIFY2(game.label(2)->text() == QStringLiteral("(%1)").arg(n), where());
            QVERIFY2(game.label(3)->text() == QString::number(card % 13 == 0 ? 13 : card % 13), where());
            QVERIFY2(game.label(1)->text() == QString::number((n - 1) % 3 + 1), where());
            QVERIFY2(game.label(4)->text() == QString::number(n % 13 == 0 ? 13 : n % 13), where());
            QVERIFY2(face->pictureId() == 100 + card, where());
            QVERIFY2(game.label(1)->isVisible() == model.count123Shown, where());
            QVERIFY2(game.label(4)->isVisible() == model.count13Shown, where());
            QVERIFY2(sound.names() == model.cues, where());
            sound.requests.clear();
            model.cues.clear();

            if (event % 1000 == 0)
                QCoreApplication::processEvents(); // let the window paint now and then
        }
        // Every new deal was checked to be a permutation through the model's
        // copy; the last one once more directly.
        std::vector<int> cards(model.deck.begin() + 1, model.deck.end());
        std::sort(cards.begin(), cards.end());
        for (int i = 0; i < 52; ++i)
            QCOMPARE(cards[static_cast<std::size_t>(i)], i + 1);
        QCOMPARE(model.deck[0], 0);
    }

    // 100,000 turns, each painted, leave the memory in use where it was.
    void memoryStaysFlat()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the address sanitizer holds freed memory back on purpose");
#endif
        frmKvindo form;
        form.Form_Load();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        KvindoTestAccess game(form);
        game.ljud()->setChecked(false);
        const auto deck = deckWith({});
        auto play = [&](int turns) {
            for (int i = 0; i < turns; ++i) {
                if (game.turnedCount() >= 52)
                    game.rig(deck);
                game.turnCard();
                form.repaint();
            }
        };
        play(5000); // every picture drawn, every caches filled
        const long before = residentKiB();
        play(100000);
        const long after = residentKiB();
        qInfo("resident set %ld KiB before, %ld KiB after 100,000 turns", before, after);
        QVERIFY(before > 0);
        QVERIFY2(after - before < 1024, qPrintable(QStringLiteral("grew by %1 KiB").arg(after - before)));
    }
};

QTEST_MAIN(SoakTest)
#include "tst_soak.moc"
