// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// Input: keys, presses on the deck and elsewhere, and the menu items.
#include "KvindoTestAccess.h"
#include "SoundRecorder.h"
#include "TestDecks.h"
#include "TestInput.h"

#include <QMenu>
#include <QMenuBar>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(Qt::Key)
Q_DECLARE_METATYPE(Qt::MouseButton)

class InputTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<frmKvindo> form;
    std::unique_ptr<KvindoTestAccess> game;

    QWidget *element(const QString &name) const
    {
        if (name == QLatin1String("menubar"))
            return form->menuBar();
        if (name == QLatin1String("Form"))
            return form->centralWidget();
        return form->findChild<QWidget *>(name);
    }
    QAction *item(const char *name) const { return form->findChild<QAction *>(QString::fromUtf8(name)); }

private slots:
    void init()
    {
        form = std::make_unique<frmKvindo>();
        form->Form_Load();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        game = std::make_unique<KvindoTestAccess>(*form);
        game->rig(deckWith({}));
        game->turnCard();
    }
    void cleanup()
    {
        game.reset();
        form.reset();
    }

    // Every key turns one card, modifier keys pressed alone included.
    void everyKeyTurnsACard_data()
    {
        QTest::addColumn<Qt::Key>("code");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("A") << Qt::Key_A << 0;
        QTest::newRow("space") << Qt::Key_Space << 0;
        QTest::newRow("return") << Qt::Key_Return << 0;
        QTest::newRow("tab") << Qt::Key_Tab << 0;
        QTest::newRow("shift-tab") << Qt::Key_Backtab << int(Qt::ShiftModifier);
        QTest::newRow("escape") << Qt::Key_Escape << 0;
        QTest::newRow("F1") << Qt::Key_F1 << 0;
        QTest::newRow("F10") << Qt::Key_F10 << 0;
        QTest::newRow("left") << Qt::Key_Left << 0;
        QTest::newRow("page down") << Qt::Key_PageDown << 0;
        QTest::newRow("shift alone") << Qt::Key_Shift << int(Qt::ShiftModifier);
        QTest::newRow("control alone") << Qt::Key_Control << int(Qt::ControlModifier);
        QTest::newRow("alt alone") << Qt::Key_Alt << int(Qt::AltModifier);
        QTest::newRow("meta alone") << Qt::Key_Meta << int(Qt::MetaModifier);
        QTest::newRow("altgr alone") << Qt::Key_AltGr << 0;
        QTest::newRow("caps lock") << Qt::Key_CapsLock << 0;
        QTest::newRow("control+Q") << Qt::Key_Q << int(Qt::ControlModifier);
        QTest::newRow("alt+M") << Qt::Key_M << int(Qt::AltModifier);
        QTest::newRow("alt+F4") << Qt::Key_F4 << int(Qt::AltModifier);
    }
    void everyKeyTurnsACard()
    {
        QFETCH(Qt::Key, code);
        QFETCH(int, modifiers);
        sendKey(form.get(), code, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(game->turnedCount(), 2.0);
        sendKey(form.get(), code, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(game->turnedCount(), 3.0);
        QVERIFY(form->isVisible());
    }

    // F10 turns a card like any key and opens the first menu, whose items the
    // arrow keys and Return then reach: Blanda å ge without a mouse.
    void menusFromTheKeyboard()
    {
        sendKey(form.get(), Qt::Key_F10);
        QCOMPARE(game->turnedCount(), 2.0);
        QMenu *meny = form->findChild<QMenu *>(QStringLiteral("mnuMeny"));
        QTRY_VERIFY(meny->isVisible());
        QCOMPARE(form->menuBar()->activeAction(), meny->menuAction());
        QTest::keyClick(meny, Qt::Key_Down);
        QCOMPARE(meny->activeAction(), item("mnuBörja"));
        QTest::keyClick(meny, Qt::Key_Return);
        QTRY_VERIFY(!meny->isVisible());
        QCOMPARE(game->turnedCount(), 1.0); // a new deal
        const bool lostAtOnce = game->gameOver() == frmKvindo::True;
        sendKey(form.get(), Qt::Key_A);
        QCOMPARE(game->turnedCount(), lostAtOnce ? 1.0 : 2.0);
    }

    // A held key turns a card on each auto-repeat.
    void autoRepeatTurnsCards()
    {
        sendKey(form.get(), Qt::Key_Space);
        for (int i = 0; i < 10; ++i)
            sendKey(form.get(), Qt::Key_Space, {}, true);
        QCOMPARE(game->turnedCount(), 12.0);
    }

    // Keys reach the game whichever element has the focus (Utrop: where a
    // screen reader's announcements put it).
    void keysReachTheGameFromAnyFocus_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<Qt::Key>("code");
        for (const char *name :
            {"Form", "Image1", "imgBak", "imgFram", "Label1", "Label2", "Label3", "Label4", "menubar", "Utrop"}) {
            for (const Qt::Key code : {Qt::Key_Tab, Qt::Key_Space, Qt::Key_Left, Qt::Key_Return, Qt::Key_Escape})
                QTest::addRow("%s, key %x", name, code) << QString::fromLatin1(name) << code;
        }
    }
    void keysReachTheGameFromAnyFocus()
    {
        QFETCH(QString, focus);
        QFETCH(Qt::Key, code);
        QWidget *target = element(focus);
        QVERIFY(target);
        target->setFocus();
        QWidget *receiver = QApplication::focusWidget() ? QApplication::focusWidget() : form.get();
        sendKey(receiver, code);
        QCOMPARE(game->turnedCount(), 2.0);
        sendKey(receiver, code);
        QCOMPARE(game->turnedCount(), 3.0);
        QVERIFY(!form->menuBar()->activeAction());
    }

    // Alt pressed and released alone turns a card and leaves the menu bar
    // alone: the next key turns a card too.
    void altDoesNotStealTheNextKey()
    {
        sendKey(form.get(), Qt::Key_Alt, Qt::AltModifier);
        QCOMPARE(game->turnedCount(), 2.0);
        QVERIFY(!form->menuBar()->activeAction());
        QVERIFY(!form->menuBar()->hasFocus());
        QWidget *receiver = QApplication::focusWidget() ? QApplication::focusWidget() : form.get();
        sendKey(receiver, Qt::Key_Down);
        sendKey(receiver, Qt::Key_Return);
        QCOMPARE(game->turnedCount(), 4.0);
        QVERIFY(!QApplication::activePopupWidget());
    }

    // Every press on the deck turns exactly one card, with any button and
    // however fast: a double click turns two, a triple click three.
    void pressesOnTheDeck_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<int>("turns");
        QTest::newRow("left click") << "pr" << Qt::LeftButton << 1;
        QTest::newRow("press held") << "p" << Qt::LeftButton << 1;
        QTest::newRow("left double click") << "prdr" << Qt::LeftButton << 2;
        QTest::newRow("left triple click") << "prdrpr" << Qt::LeftButton << 3;
        QTest::newRow("two double clicks") << "prdrprdr" << Qt::LeftButton << 4;
        QTest::newRow("right click") << "pr" << Qt::RightButton << 1;
        QTest::newRow("right double click") << "prdr" << Qt::RightButton << 2;
        QTest::newRow("middle click") << "pr" << Qt::MiddleButton << 1;
        QTest::newRow("middle triple click") << "prdrpr" << Qt::MiddleButton << 3;
        QTest::newRow("back button") << "pr" << Qt::BackButton << 1;
    }
    void pressesOnTheDeck()
    {
        QFETCH(QString, events);
        QFETCH(Qt::MouseButton, button);
        QFETCH(int, turns);
        sendMouse(element(QStringLiteral("imgBak")), events, button);
        QCOMPARE(game->turnedCount(), 1.0 + turns);
    }

    // Presses anywhere but on the deck do nothing.
    void pressesElsewhere_data()
    {
        QTest::addColumn<QString>("on");
        QTest::addColumn<QString>("events");
        for (const char *name : {"imgFram", "Label1", "Label2", "Label3", "Label4", "Image1", "Form"}) {
            QTest::addRow("%s, click", name) << QString::fromLatin1(name) << "pr";
            QTest::addRow("%s, triple click", name) << QString::fromLatin1(name) << "prdrpr";
        }
    }
    void pressesElsewhere()
    {
        QFETCH(QString, on);
        QFETCH(QString, events);
        form->Ver_Click(3);
        game->turnCard(); // every label showing
        for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
            sendMouse(element(on), events, button);
        QCOMPARE(game->turnedCount(), 2.0);
    }

    // "Ljud" switches the sound: once turns it off, twice leaves it as it was,
    // whether chosen from the menu (whose item has already flipped its mark
    // when it reports the click) or by the handler itself.
    void soundSwitch()
    {
        SoundRecorder sound;
        QAction *ljud = item("mnuLjud");
        ljud->trigger();
        QVERIFY(!ljud->isChecked());
        sendKey(form.get(), Qt::Key_A);
        QVERIFY(sound.requests.isEmpty());
        ljud->trigger();
        QVERIFY(ljud->isChecked());
        sendKey(form.get(), Qt::Key_A);
        QCOMPARE(sound.names(), QStringList{QStringLiteral("Yes.wav")});
        form->mnuLjud_Click();
        QVERIFY(!ljud->isChecked());
        form->mnuLjud_Click();
        QVERIFY(ljud->isChecked());
    }

    // Each "Version" item chooses its count mid-deal, also the one in force:
    // only its own mark is checked and the counts hide until the next turn.
    void versionItems_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("chosen");
        for (int before = 1; before <= 3; ++before)
            for (int chosen = 1; chosen <= 3; ++chosen)
                QTest::addRow("%d then %d", before, chosen) << before << chosen;
    }
    void versionItems()
    {
        QFETCH(int, before);
        QFETCH(int, chosen);
        game->ver(before)->trigger();
        sendKey(form.get(), Qt::Key_A);
        game->ver(chosen)->trigger();
        for (int index = 1; index <= 3; ++index)
            QCOMPARE(game->ver(index)->isChecked(), index == chosen);
        QCOMPARE(game->countVersion(), chosen);
        QVERIFY(game->label(1)->isHidden() && game->label(4)->isHidden());
        sendKey(form.get(), Qt::Key_A);
        QCOMPARE(game->label(1)->isVisible(), chosen != 2);
        QCOMPARE(game->label(4)->isVisible(), chosen != 1);
    }

    // "Blanda å ge" deals anew from any state, and its first card is checked.
    void newDealFromTheMenu_data()
    {
        QTest::addColumn<int>("state");
        QTest::newRow("mid-deal") << 0;
        QTest::newRow("after a loss") << 1;
        QTest::newRow("after 52 cards") << 2;
    }
    void newDealFromTheMenu()
    {
        QFETCH(int, state);
        game->rig(deckWith({{3, 3}}));
        if (state == 1) {
            for (int i = 0; i < 3; ++i)
                sendKey(form.get(), Qt::Key_A);
            QCOMPARE(game->gameOver(), frmKvindo::True);
            sendKey(form.get(), Qt::Key_A);
            QCOMPARE(game->turnedCount(), 3.0);
        } else if (state == 2) {
            game->rig(deckWith({}));
            for (int i = 0; i < 60; ++i)
                sendKey(form.get(), Qt::Key_A);
            QCOMPARE(game->turnedCount(), 52.0);
        }
        for (std::uint64_t seed = 1; seed <= 30; ++seed) {
            game->seed(seed);
            item("mnuBörja")->trigger();
            QCOMPARE(game->turnedCount(), 1.0);
            QCOMPARE(game->gameOver(), matchesAt(1, 1, game->card(1)) ? frmKvindo::True : frmKvindo::False);
            QCOMPARE(game->label(2)->text(), QStringLiteral("(1)"));
            sendKey(form.get(), Qt::Key_A);
            QCOMPARE(game->turnedCount(), matchesAt(1, 1, game->card(1)) ? 1.0 : 2.0);
        }
    }

    // "Avsluta" closes the one window, which ends the program with status 0.
    void quitItem()
    {
        QTimer::singleShot(0, item("mnuAvsluta"), &QAction::trigger);
        QTimer stillRunning; // should the program not end, this ends the wait
        stillRunning.callOnTimeout([] { QCoreApplication::exit(99); });
        stillRunning.start(5000);
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!form->isVisible());
    }
};

QTEST_MAIN(InputTest)
#include "tst_input.moc"
