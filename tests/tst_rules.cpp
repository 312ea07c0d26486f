// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// The rules: counts, matches, the lost and the exhausted deal, the deal
// itself and the choice of counting version; and each press in words, as a
// screen reader is given it.

#include "KvindoTestAccess.h"
#include "SoundRecorder.h"
#include "TestDecks.h"

#include <QtTest>

#include <algorithm>
#include <memory>
#include <numeric>

namespace {

int rankOf(int card)
{
    return card % 13 == 0 ? 13 : card % 13;
}

} // namespace

class RulesTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<frmKvindo> form;
    std::unique_ptr<KvindoTestAccess> game;
    std::unique_ptr<SoundRecorder> sound;

    QString caption(int label) const { return game->label(label)->text(); }
    bool shown(int label) const { return game->label(label)->isVisible(); }
    void chooseVersion(int version) { form->Ver_Click(static_cast<std::int16_t>(version)); }
    void turnUpTo(int turn)
    {
        while (game->turnedCount() < turn && game->gameOver() == frmKvindo::False)
            game->turnCard();
    }

private slots:
    void init()
    {
        form = std::make_unique<frmKvindo>();
        form->Form_Load();
        game = std::make_unique<KvindoTestAccess>(*form);
        game->setProgramDir(QStringLiteral("/opt/kvindo"));
        game->listenAsAScreenReader();
        sound = std::make_unique<SoundRecorder>();
    }
    void cleanup()
    {
        sound.reset();
        game.reset();
        form.reset();
    }

    // A card loses exactly when its rank meets the count of the version in
    // force: the 1-2-3 count against rank mod 13, the 1..13 count mod 13.
    // Said: the card and the counts in force, and that the deal is lost;
    // a press on a lost deal says so again, with how to deal anew.
    void matchRule_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("turn");
        QTest::addColumn<int>("card");
        QTest::addColumn<bool>("loses");
        QTest::addColumn<QString>("said"); // empty: not checked
        const int kings[] = {13, 26, 39, 52};
        const int aces[] = {1, 14, 27, 40};
        for (int i = 0; i < 4; ++i) {
            const int turn = 13 * (i + 1);
            for (int version = 1; version <= 3; ++version)
                QTest::addRow("king at %d, version %d", turn, version)
                    << version << turn << kings[i] << (version != 1) << QString();
        }
        for (int i = 0; i < 4; ++i) {
            const int turn = 13 * i + 1;
            QTest::addRow("ace at %d, version 2", turn) << 2 << turn << aces[i] << true << QString();
        }
        QTest::newRow("ace at count 1, version 1")
            << 1 << 1 << 1 << true << QStringLiteral("Hjärter ess, räkning 1, given är förlorad");
        QTest::newRow("two at count 2, version 1") << 1 << 2 << 15 << true << QString();
        QTest::newRow("three at count 3, version 1") << 1 << 3 << 29 << true << QString();
        QTest::newRow("ace at count 1 again, version 1") << 1 << 7 << 40 << true << QString();
        QTest::newRow("three at count 3, turn 51, version 1") << 1 << 51 << 42 << true << QString();
        QTest::newRow("ace at 14: count 2, version 1")
            << 1 << 14 << 1 << false << QStringLiteral("Hjärter ess, räkning 2");
        QTest::newRow("two at count 3, version 1") << 1 << 3 << 2 << false << QString();
        QTest::newRow("ace at 14 of 13, version 1 safe, version 3 loses")
            << 3 << 14 << 1 << true << QStringLiteral("Hjärter ess, räkning 2 och 1, given är förlorad");
        QTest::newRow("three at 3, version 2 loses") << 2 << 3 << 3 << true << QString();
        QTest::newRow("three at 17, version 2 safe")
            << 2 << 17 << 3 << false << QStringLiteral("Hjärter tre, räkning 4");
        QTest::newRow("queen at 12, version 3") << 3 << 12 << 25 << true << QString();
        QTest::newRow("queen at 12, version 1") << 1 << 12 << 25 << false << QStringLiteral("Klöver dam, räkning 3");
        QTest::newRow("two at 5, version 3 (count 2)") << 3 << 5 << 28 << true << QString();
        QTest::newRow("jack at 24, version 2") << 2 << 24 << 11 << true << QString();
    }
    void matchRule()
    {
        QFETCH(int, version);
        QFETCH(int, turn);
        QFETCH(int, card);
        QFETCH(bool, loses);
        chooseVersion(version);
        game->rig(deckWith({{turn, card}}));
        turnUpTo(turn - 1);
        QCOMPARE(game->gameOver(), frmKvindo::False);
        game->turnCard();
        QCOMPARE(game->turnedCount(), double(turn));
        QCOMPARE(game->gameOver(), loses ? frmKvindo::True : frmKvindo::False);
        // Match or not, the counts of the version are shown.
        QCOMPARE(shown(1), version != 2);
        QCOMPARE(shown(4), version != 1);
        QStringList expected(turn - 1, QStringLiteral("Yes.wav"));
        expected << (loses ? QStringLiteral("Doh.wav") : QStringLiteral("Yes.wav"));
        QCOMPARE(sound->names(), expected);
        QFETCH(QString, said);
        if (!said.isEmpty())
            QCOMPARE(game->said(), said);
        if (loses) {
            game->turnCard();
            QCOMPARE(game->said(), QStringLiteral("Given är förlorad: välj Blanda å ge i menyn för en ny giv"));
        }
    }

    // Each turn writes the 1-2-3 count, the cards turned in parentheses, the
    // rank and the 1..13 count, and shows the face-up card.
    void countsShown_data()
    {
        QTest::addColumn<int>("turn");
        QTest::addColumn<QString>("label1");
        QTest::addColumn<QString>("label2");
        QTest::addColumn<QString>("label4");
        const char *const counts123 = "1231231";
        for (int turn = 1; turn <= 7; ++turn)
            QTest::addRow("turn %d", turn) << turn << QString(QLatin1Char(counts123[turn - 1]))
                                           << QStringLiteral("(%1)").arg(turn) << QString::number(turn);
        QTest::newRow("turn 13") << 13 << "1"
                                 << "(13)"
                                 << "13";
        QTest::newRow("turn 14") << 14 << "2"
                                 << "(14)"
                                 << "1";
        QTest::newRow("turn 26") << 26 << "2"
                                 << "(26)"
                                 << "13";
        QTest::newRow("turn 27") << 27 << "3"
                                 << "(27)"
                                 << "1";
        QTest::newRow("turn 52") << 52 << "1"
                                 << "(52)"
                                 << "13";
    }
    void countsShown()
    {
        QFETCH(int, turn);
        QFETCH(QString, label1);
        QFETCH(QString, label2);
        QFETCH(QString, label4);
        chooseVersion(3);
        const auto deck = deckWith({});
        game->rig(deck);
        turnUpTo(turn);
        QCOMPARE(game->gameOver(), frmKvindo::False);
        QCOMPARE(caption(1), label1);
        QCOMPARE(caption(2), label2);
        QCOMPARE(caption(4), label4);
        const int card = deck[static_cast<std::size_t>(turn - 1)];
        QCOMPARE(caption(3), QString::number(rankOf(card)));
        const auto *face = form->findChild<PictureBox *>(QStringLiteral("imgFram"));
        QCOMPARE(face->pictureId(), 100 + card);
        QVERIFY(face->isVisible() && shown(1) && shown(2) && shown(3) && shown(4));
    }

    // A lost deal refuses every turn: nothing changes and nothing sounds.
    void lostDealRefusesTurns()
    {
        chooseVersion(1);
        game->rig(deckWith({{2, 2}}));
        turnUpTo(2);
        QCOMPARE(game->gameOver(), frmKvindo::True);
        const QStringList captions{caption(1), caption(2), caption(3), caption(4)};
        const int picture = form->findChild<PictureBox *>(QStringLiteral("imgFram"))->pictureId();
        sound->requests.clear();
        chooseVersion(2); // even a version change does not revive it
        for (int i = 0; i < 5; ++i)
            game->turnCard();
        QCOMPARE(game->turnedCount(), 2.0);
        QCOMPARE(game->gameOver(), frmKvindo::True);
        QCOMPARE((QStringList{caption(1), caption(2), caption(3), caption(4)}), captions);
        QCOMPARE(form->findChild<PictureBox *>(QStringLiteral("imgFram"))->pictureId(), picture);
        QVERIFY(!shown(1) && !shown(4));
        QVERIFY(sound->requests.isEmpty());
    }

    // After 52 safe cards the deal has come through: further turns change no
    // caption and never turn it into a loss, whatever version is chosen then,
    // but still show that version's counts and sound the safe cue.
    void exhaustedDeal_data()
    {
        QTest::addColumn<int>("laterVersion");
        QTest::newRow("same version") << 1;
        QTest::newRow("1..13 count, king at 52") << 2;
        QTest::newRow("both counts, king at 52") << 3;
    }
    void exhaustedDeal()
    {
        QFETCH(int, laterVersion);
        chooseVersion(1);
        game->rig(deckWith({{52, 13}}));
        turnUpTo(52);
        QCOMPARE(game->gameOver(), frmKvindo::False);
        QCOMPARE(caption(2), QStringLiteral("(52)"));
        QCOMPARE(game->said(), QStringLiteral("Hjärter kung, räkning 1, given har gått ut"));
        const QStringList captions{caption(1), caption(2), caption(3), caption(4)};
        chooseVersion(laterVersion);
        sound->requests.clear();
        game->turnCard();
        game->turnCard();
        QCOMPARE(game->turnedCount(), 52.0);
        QCOMPARE(game->gameOver(), frmKvindo::False);
        QCOMPARE((QStringList{caption(1), caption(2), caption(3), caption(4)}), captions);
        QCOMPARE(shown(1), laterVersion != 2);
        QCOMPARE(shown(4), laterVersion != 1);
        QCOMPARE(sound->names(), (QStringList{QStringLiteral("Yes.wav"), QStringLiteral("Yes.wav")}));
        QCOMPARE(game->said(),
            QStringLiteral("Alla kort är vända, given har gått ut: välj Blanda å ge i menyn för en ny giv"));
    }

    // Choosing a version, also the one in force, hides both counts until the
    // next turn, which shows that version's counts as they run from the start.
    void versionChoice_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        for (int from = 1; from <= 3; ++from)
            for (int to = 1; to <= 3; ++to)
                QTest::addRow("%d to %d", from, to) << from << to;
    }
    void versionChoice()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        chooseVersion(from);
        game->rig(deckWith({}));
        turnUpTo(5);
        const double turned = game->turnedCount();
        form->Ver_Click(static_cast<std::int16_t>(to));
        QVERIFY(!shown(1) && !shown(4));
        QCOMPARE(game->countVersion(), to);
        for (int index = 1; index <= 3; ++index)
            QCOMPARE(game->ver(index)->isChecked(), index == to);
        QCOMPARE(game->turnedCount(), turned);
        QCOMPARE(caption(2), QStringLiteral("(5)"));
        game->turnCard();
        QCOMPARE(shown(1), to != 2);
        QCOMPARE(shown(4), to != 1);
        QCOMPARE(caption(1), QStringLiteral("3"));
        QCOMPARE(caption(4), QStringLiteral("6"));
    }

    // With the sound switch off nothing is ever requested; on, every request
    // names a file in the program's directory, asynchronous and with no default.
    void soundSwitch()
    {
        chooseVersion(1);
        game->rig(deckWith({{4, 40}}));
        game->turnCard();
        QCOMPARE(sound->requests, QStringList{QStringLiteral("/opt/kvindo/Yes.wav")});
        QCOMPARE(sound->lastFlags, 3u);
        game->ljud()->setChecked(false);
        turnUpTo(4);
        QCOMPARE(game->gameOver(), frmKvindo::True);
        game->turnCard();
        game->newDeal();
        QCOMPARE(sound->requests.size(), 1);
    }

    // A new deal puts every card 1..52 in slots 1..52 exactly once, leaves
    // slot 0 alone, starts afresh from any state and keeps the check marks.
    void newDealIsFreshPermutation_data()
    {
        QTest::addColumn<int>("before");
        QTest::newRow("mid-deal") << 0;
        QTest::newRow("after a loss") << 1;
        QTest::newRow("after 52 cards") << 2;
    }
    void newDealIsFreshPermutation()
    {
        QFETCH(int, before);
        chooseVersion(2);
        game->ljud()->setChecked(false);
        game->rig(deckWith({{9, 9}}));
        turnUpTo(before == 2 ? 52 : before == 1 ? 9 : 5);
        if (before == 2) {
            // the ninth card lost the deal above; rig a safe deck instead
            game->rig(deckWith({}));
            turnUpTo(52);
        }
        for (std::uint64_t seed = 1; seed <= 20; ++seed) {
            game->seed(seed);
            game->newDeal();
            QCOMPARE(game->turnedCount(), 1.0);
            QCOMPARE(game->deck()[0], 0.0);
            std::vector<int> cards;
            for (int slot = 1; slot <= 52; ++slot)
                cards.push_back(game->card(slot));
            std::sort(cards.begin(), cards.end());
            std::vector<int> all(52);
            std::iota(all.begin(), all.end(), 1);
            QCOMPARE(cards, all);
            QCOMPARE(game->gameOver(), matchesAt(2, 1, game->card(1)) ? frmKvindo::True : frmKvindo::False);
            QCOMPARE(caption(2), QStringLiteral("(1)"));
        }
        QVERIFY(!game->ver(1)->isChecked() && game->ver(2)->isChecked() && !game->ver(3)->isChecked());
        QVERIFY(!game->ljud()->isChecked());
    }

    // The first card of a new deal is checked at once under the version in
    // force: an ace first loses at count 1, a two first does not.
    void firstCardOfNewDealIsChecked()
    {
        chooseVersion(1);
        bool sawAce = false;
        bool sawTwo = false;
        for (std::uint64_t seed = 1; seed < 2000 && !(sawAce && sawTwo); ++seed) {
            game->seed(seed);
            sound->requests.clear();
            game->newDeal();
            const int rank = rankOf(game->card(1));
            if (rank == 1) {
                sawAce = true;
                QCOMPARE(game->gameOver(), frmKvindo::True);
                QCOMPARE(sound->names(), QStringList{QStringLiteral("Doh.wav")});
                QVERIFY(shown(1));
                QCOMPARE(caption(1), QStringLiteral("1"));
            } else if (rank == 2) {
                sawTwo = true;
                QCOMPARE(game->gameOver(), frmKvindo::False);
            }
        }
        QVERIFY(sawAce && sawTwo);
    }

    // A deal is a uniformly random permutation: every card is equally likely
    // at every position, and three given cards come in each of their six
    // orders equally often (chi-square over many seeded deals; a biased or
    // off-by-one draw, or a shuffle that only rotates a fixed order, fails by
    // far).
    void dealIsUniform_data()
    {
        QTest::addColumn<bool>("order");
        QTest::newRow("each card at each position") << false;
        QTest::newRow("the order of the ace of hearts, the ace of diamonds, the king of spades") << true;
    }
    void dealIsUniform()
    {
        QFETCH(bool, order);
        constexpr int deals = 5200;
        game->ljud()->setChecked(false);
        game->seed(20261207);
        std::vector<int> counts(order ? 6 : 52 * 52, 0);
        for (int d = 0; d < deals; ++d) {
            game->newDeal();
            std::array<int, 53> slotOf{};
            for (int slot = 1; slot <= 52; ++slot)
                slotOf[static_cast<std::size_t>(game->card(slot))] = slot;
            if (order) {
                // The six orders: which card comes first, then whether the
                // other two keep their order.
                const std::array<int, 3> places{slotOf[1], slotOf[27], slotOf[52]};
                std::array<int, 3> byPlace{0, 1, 2};
                std::sort(byPlace.begin(), byPlace.end(), [&places](int x, int y) { return places[x] < places[y]; });
                ++counts[static_cast<std::size_t>(byPlace[0] * 2 + (byPlace[1] > byPlace[2]))];
            } else {
                for (int card = 1; card <= 52; ++card)
                    ++counts[static_cast<std::size_t>((card - 1) * 52 + slotOf[static_cast<std::size_t>(card)] - 1)];
            }
        }
        const double expected = order ? deals / 6.0 : deals / 52.0; // a card is in a given place once in 52 deals
        double chi2 = 0;
        for (int n : counts)
            chi2 += (n - expected) * (n - expected) / expected;
        if (order) {
            // 5 degrees of freedom: above 36 by chance less than once in a million.
            QVERIFY2(chi2 < 36, qPrintable(QStringLiteral("chi-square %1").arg(chi2)));
        } else {
            // 52 * 51 degrees of freedom: mean 2652, standard deviation about 73.
            QVERIFY2(chi2 < 2652 + 5 * 73, qPrintable(QStringLiteral("chi-square %1").arg(chi2)));
            QVERIFY2(chi2 > 2652 - 5 * 73, qPrintable(QStringLiteral("chi-square %1 (too even)").arg(chi2)));
        }
    }

    // The random value is always below 1, even from the largest raw draw,
    // so the slot drawn is always within 1..52.
    void randomBelowOne_data()
    {
        QTest::addColumn<quint32>("bits");
        QTest::addColumn<float>("value");
        QTest::newRow("smallest") << quint32(0) << 0.0f;
        QTest::newRow("largest") << quint32(0xFFFFFFFF) << 1.0f - 0x1p-24f;
        QTest::newRow("just below the largest") << quint32(0xFFFFFF00) << 1.0f - 0x1p-24f;
        QTest::newRow("half") << quint32(0x80000000) << 0.5f;
    }
    void randomBelowOne()
    {
        QFETCH(quint32, bits);
        QFETCH(float, value);
        const float r = RandomSource::fromBits(bits);
        QCOMPARE(r, value);
        QVERIFY(r < 1.0f);
        const double slot = std::floor(static_cast<double>(r) * 52 + 1);
        QVERIFY(slot >= 1 && slot <= 52);
    }
};

QTEST_MAIN(RulesTest)
#include "tst_rules.moc"
