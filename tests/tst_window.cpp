// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// The window: its elements, layout, menu bar and start-up state.
#include "KvindoTestAccess.h"
#include "SoundRecorder.h"
#include "TestDecks.h"
#include "window/Twips.h"

#include <QAccessible>
#include <QMenuBar>
#include <QtTest>

#include <memory>

class WindowTest : public QObject
{
    Q_OBJECT

private slots:
    // Every element stands where the design puts it, and stacks with the
    // table at the bottom.
    void geometry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("designed");
        QTest::newRow("Image1") << "Image1" << QRect(-40, -28, 365, 260);
        QTest::newRow("imgBak") << "imgBak" << QRect(70, 57, 71, 96);
        QTest::newRow("imgFram") << "imgFram" << QRect(170, 56, 71, 96);
        QTest::newRow("Label1") << "Label1" << QRect(96, 4, 19, 40);
        QTest::newRow("Label2") << "Label2" << QRect(96, 155, 18, 40);
        QTest::newRow("Label4") << "Label4" << QRect(196, 4, 19, 40);
        QTest::newRow("Label3") << "Label3" << QRect(196, 155, 18, 40);
    }
    void geometry()
    {
        QFETCH(QString, name);
        QFETCH(QRect, designed);
        frmKvindo form;
        auto *element = form.findChild<QWidget *>(name);
        QVERIFY(element);
        QCOMPARE(element->geometry(), designed);
        QCOMPARE(element->parentWidget(), form.centralWidget());
    }

    void stackingOrder()
    {
        frmKvindo form;
        QStringList bottomUp;
        for (QObject *child : form.centralWidget()->children()) {
            if (child->isWidgetType())
                bottomUp << child->objectName();
        }
        QCOMPARE(bottomUp, (QStringList{"Image1", "Label1", "imgFram", "imgBak", "Label2", "Label3", "Label4"}));
    }

    // The window: its caption, a fixed 312 x 206 client area under the menu bar.
    void window()
    {
        frmKvindo form;
        form.Form_Load();
        QCOMPARE(form.windowTitle(), QStringLiteral("Kvindo av Norvakk"));
        QCOMPARE(form.centralWidget()->size(), QSize(312, 206));
        QCOMPARE(form.centralWidget()->y(), form.menuBar()->height());
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QCOMPARE(form.size(), QSize(312, 206 + form.menuBar()->height()));
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(form.isVisible());
    }

    // The window icon carries its sizes, up to the 96 x 96 image of its
    // design, with the very pixels of the installed icon theme's PNGs.
    void windowIcon_data()
    {
        QTest::addColumn<int>("size");
        for (const int size : {16, 32, 64, 96})
            QTest::newRow(qPrintable(QString::number(size))) << size;
    }
    void windowIcon()
    {
        QFETCH(int, size);
        frmKvindo form;
        QVERIFY(form.windowIcon().availableSizes().contains(QSize(size, size)));
        const QImage shown = form.windowIcon()
                                 .pixmap(QSize(size, size), 1.0)
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const QImage theme
            = QImage(QStringLiteral(KVINDO_ICON_DIR "/%1x%1/apps/" KVINDO_APP_ID ".png").arg(size), "PNG")
                  .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QVERIFY(!theme.isNull());
        QCOMPARE(shown, theme);
    }

    // The menu bar: two menus, their items in order, with no shortcut or
    // access key, and the check marks of a fresh start.
    void menus()
    {
        frmKvindo form;
        form.Form_Load();
        QStringList bar;
        for (QAction *menu : form.menuBar()->actions())
            bar << menu->text();
        QCOMPARE(bar, (QStringList{"Meny", "Version"}));

        struct Item
        {
            const char *name;
            const char *text;
            bool checkable;
            bool checked;
        };
        const QList<QList<Item>> expected{
            {{"mnuBörja", "Blanda å ge", false, false}, {"mnuLjud", "Ljud", true, true}, {"mnuTomt", "", false, false},
                {"mnuAvsluta", "Avsluta", false, false}},
            {{"Ver(1)", "Verson 1-3", true, true}, {"Ver(2)", "Verson 1-13", true, false},
                {"Ver(3)", "Båda", true, false}},
        };
        const QList<QAction *> menus = form.menuBar()->actions();
        for (int m = 0; m < 2; ++m) {
            const QList<QAction *> items = menus[m]->menu()->actions();
            QCOMPARE(items.size(), expected[m].size());
            for (int i = 0; i < items.size(); ++i) {
                const Item &want = expected[m][i];
                QCOMPARE(items[i]->objectName(), QString::fromUtf8(want.name));
                QCOMPARE(items[i]->text(), QString::fromUtf8(want.text));
                QCOMPARE(items[i]->isSeparator(), QByteArray(want.name) == "mnuTomt");
                QCOMPARE(items[i]->isCheckable(), want.checkable);
                QCOMPARE(items[i]->isChecked(), want.checked);
                QVERIFY(items[i]->shortcut().isEmpty());
                QVERIFY(!items[i]->text().contains(QLatin1Char('&')));
            }
        }
        QCOMPARE(menus[0]->menu()->objectName(), QStringLiteral("mnuMeny"));
        QCOMPARE(menus[1]->menu()->objectName(), QStringLiteral("mnuVersion"));
    }

    // The labels: light green Comic Sans MS of 21.75 points at 96 dpi (or the
    // font that stands in for it), centred, with no background of their own.
    void labelLook_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"Label1", "Label2", "Label3", "Label4"})
            QTest::newRow(name) << name;
    }
    void labelLook()
    {
        QFETCH(QString, name);
        frmKvindo form;
        auto *label = form.findChild<QLabel *>(name);
        QVERIFY(label);
        const QStringList families{QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue")};
        QVERIFY2(families.contains(label->font().family()), qPrintable(label->font().family()));
        QCOMPARE(QFontInfo(label->font()).family(), QFontInfo(QFont(QStringLiteral("Comic Sans MS"))).family());
        QCOMPARE(label->font().pixelSize(), 29);
        QCOMPARE(label->font().weight(), QFont::Normal);
        QVERIFY(!label->font().italic() && !label->font().underline() && !label->font().strikeOut());
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(192, 255, 192));
        QCOMPARE(label->alignment(), Qt::AlignCenter);
        QVERIFY(!label->autoFillBackground());
        QCOMPARE(label->text(), QStringLiteral("0"));
        QVERIFY(label->isHidden());
    }

    // A label fits its box to each new text, keeping its left and top edges;
    // at their widest texts the labels overlap neither each other nor a card.
    void labelsSizeToText()
    {
        frmKvindo form;
        form.Form_Load();
        KvindoTestAccess game(form);
        form.Ver_Click(3);
        game.rig(deckWith({}));
        const QPoint origins[] = {{96, 4}, {96, 155}, {196, 155}, {196, 4}};
        int widthAtOne[4] = {};
        for (int turn = 1; turn <= 52 && game.gameOver() == frmKvindo::False; ++turn) {
            game.turnCard();
            for (int n = 1; n <= 4; ++n) {
                QLabel *label = game.label(n);
                QCOMPARE(label->pos(), origins[n - 1]);
                QCOMPARE(label->size(), label->sizeHint());
                if (turn == 1)
                    widthAtOne[n - 1] = label->width();
            }
        }
        QCOMPARE(game.label(2)->text(), QStringLiteral("(52)"));
        QVERIFY(game.label(2)->width() > widthAtOne[1]);
        // The widest captions each label can get.
        const QString widest[]
            = {QStringLiteral("3"), QStringLiteral("(52)"), QStringLiteral("13"), QStringLiteral("13")};
        QList<QRect> boxes;
        for (int n = 1; n <= 4; ++n) {
            game.label(n)->setText(widest[n - 1]);
            game.label(n)->adjustSize();
            boxes << game.label(n)->geometry();
        }
        boxes << form.findChild<QWidget *>(QStringLiteral("imgBak"))->geometry()
              << form.findChild<QWidget *>(QStringLiteral("imgFram"))->geometry();
        for (int a = 0; a < boxes.size(); ++a) {
            QVERIFY2(form.centralWidget()->rect().contains(boxes[a]), qPrintable(QString::number(a)));
            for (int b = a + 1; b < boxes.size(); ++b)
                QVERIFY2(!boxes[a].intersects(boxes[b]), qPrintable(QStringLiteral("%1 and %2").arg(a).arg(b)));
        }
    }

    // After start-up: the 1-2-3 count is in force and the first card has been
    // turned and checked under it, with "(1)" under the deck and its cue asked.
    void startUp()
    {
        SoundRecorder sound;
        frmKvindo form;
        form.Form_Load();
        KvindoTestAccess game(form);
        QCOMPARE(game.countVersion(), 1);
        QVERIFY(game.ver(1)->isChecked() && !game.ver(2)->isChecked() && !game.ver(3)->isChecked());
        QVERIFY(game.ljud()->isChecked());
        QCOMPARE(game.turnedCount(), 1.0);
        const int card = game.card(1);
        const bool ace = card % 13 == 1;
        QCOMPARE(game.gameOver(), ace ? frmKvindo::True : frmKvindo::False);
        QCOMPARE(game.label(1)->text(), QStringLiteral("1"));
        QVERIFY(game.label(1)->isVisible());
        QVERIFY(game.label(4)->isHidden());
        QCOMPARE(game.label(2)->text(), QStringLiteral("(1)"));
        QVERIFY(game.label(2)->isVisible() && game.label(3)->isVisible());
        QCOMPARE(game.label(3)->text(), QString::number(card % 13 == 0 ? 13 : card % 13));
        QCOMPARE(form.findChild<PictureBox *>(QStringLiteral("imgFram"))->pictureId(), 100 + card);
        QCOMPARE(form.findChild<PictureBox *>(QStringLiteral("imgBak"))->pictureId(), 100);
        QVERIFY(form.findChild<PictureBox *>(QStringLiteral("imgBak"))->isVisible());
        QCOMPARE(form.findChild<PictureBox *>(QStringLiteral("Image1"))->pictureId(), 153);
        QCOMPARE(sound.names(), QStringList{ace ? QStringLiteral("Doh.wav") : QStringLiteral("Yes.wav")});
        QCOMPARE(sound.requests.first(),
            QCoreApplication::applicationDirPath()
                + sound.requests.first().mid(sound.requests.first().lastIndexOf('/')));
    }

    // A screen reader finds every element under a clear Swedish name: the
    // deck, the face-up card by its name, the counts with their meaning.
    void accessibleNames()
    {
        frmKvindo form;
        form.Form_Load();
        KvindoTestAccess game(form);
        form.Ver_Click(3);
        game.rig(deckWith({{1, 30}, {2, 52}, {3, 14}, {4, 11}}));
        auto nameOf = [](QObject *object) {
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(object);
            return accessible ? accessible->text(QAccessible::Name) : QStringLiteral("<none>");
        };
        auto *face = form.findChild<PictureBox *>(QStringLiteral("imgFram"));
        const QStringList cards{QStringLiteral("Ruter fyra"), QStringLiteral("Spader kung"),
            QStringLiteral("Klöver ess"), QStringLiteral("Hjärter knekt")};
        for (int turn = 1; turn <= 4; ++turn) {
            game.turnCard();
            QCOMPARE(nameOf(face), cards[turn - 1]);
        }
        QCOMPARE(QAccessible::queryAccessibleInterface(face)->role(), QAccessible::Graphic);
        QCOMPARE(nameOf(game.label(1)), QStringLiteral("Räkning 1-3: 1"));
        QCOMPARE(nameOf(game.label(2)), QStringLiteral("Vända kort: 4"));
        QCOMPARE(nameOf(game.label(3)), QStringLiteral("Kortets valör: 11"));
        QCOMPARE(nameOf(game.label(4)), QStringLiteral("Räkning 1-13: 4"));
        QCOMPARE(nameOf(&form), QStringLiteral("Kvindo av Norvakk"));

        // The deck is a button whose press turns a card.
        auto *deck = form.findChild<PictureBox *>(QStringLiteral("imgBak"));
        QAccessibleInterface *deckAccessible = QAccessible::queryAccessibleInterface(deck);
        QCOMPARE(deckAccessible->text(QAccessible::Name), QStringLiteral("Kortlek"));
        QCOMPARE(deckAccessible->role(), QAccessible::Button);
        QAccessibleActionInterface *actions = deckAccessible->actionInterface();
        QVERIFY(actions);
        actions->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(game.turnedCount(), 5.0);
        QVERIFY(QAccessible::queryAccessibleInterface(face)->actionInterface() == nullptr
            || QAccessible::queryAccessibleInterface(face)->actionInterface()->actionNames().isEmpty());

        QCOMPARE(QAccessible::queryAccessibleInterface(form.menuBar())->childCount(), 2);
        QCOMPARE(QAccessible::queryAccessibleInterface(form.menuBar())->child(0)->text(QAccessible::Name),
            QStringLiteral("Meny"));
        QCOMPARE(QAccessible::queryAccessibleInterface(form.menuBar())->child(1)->text(QAccessible::Name),
            QStringLiteral("Version"));
    }

    // An ace as the very first card of the program loses at once, and
    // start-ups a moment apart deal differently (the seed takes the clock's
    // fine part, not just its seconds).
    void startUps()
    {
        std::array<double, 53> previous{};
        bool sawAce = false;
        int attempt = 0;
        for (; attempt < 400 && !(sawAce && attempt >= 2); ++attempt) {
            frmKvindo form;
            form.Form_Load();
            KvindoTestAccess game(form);
            QVERIFY(game.deck() != previous);
            previous = game.deck();
            if (game.card(1) % 13 == 1) {
                sawAce = true;
                QCOMPARE(game.gameOver(), frmKvindo::True);
            }
        }
        QVERIFY2(sawAce, "no deal began with an ace in 400 start-ups");
    }
};

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
