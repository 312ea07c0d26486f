// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// The real program in a real X server, driven by real input (xdotool) and
// checked through screenshots.
#include "game/Pictures.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QSvgRenderer>
#include <QtTest>

#include <xcb/xcb.h>

namespace {

const QColor tableGreen(0, 128, 0);

QString run(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), args);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(1000);
        qWarning("stuck: xdotool %s, still running after 10 s; ended it", qPrintable(args.join(QLatin1Char(' '))));
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

// The running game: its window and what it shows.
class Game
{
public:
    explicit Game(qreal screenScale = 1)
        : scale(screenScale)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(screenScale));
        process.setProcessEnvironment(environment);
        process.setProgram(QStringLiteral(KVINDO_EXECUTABLE));
        process.start();
    }
    ~Game()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    // Waits for the window to be mapped and painted; false if it never is,
    // with what was seen last in stuck.
    bool waitForWindow()
    {
        QDeadlineTimer deadline(15000);
        stuck = QStringLiteral("no window titled \"Kvindo av Norvakk\" within 15 s");
        while (!deadline.hasExpired() && process.state() != QProcess::NotRunning) {
            window = run({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                             QStringLiteral("^Kvindo av Norvakk$")})
                         .section(QLatin1Char('\n'), 0, 0);
            if (!window.isEmpty())
                break;
            QTest::qWait(50);
        }
        if (window.isEmpty()) {
            if (process.state() == QProcess::NotRunning)
                stuck += QStringLiteral("; the game ended with status %1: %2")
                             .arg(process.exitCode())
                             .arg(QString::fromLocal8Bit(process.readAllStandardError()).trimmed());
            return false;
        }
        const QStringList shell
            = run({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window}).split(QLatin1Char('\n'));
        QHash<QString, int> values;
        for (const QString &line : shell)
            values.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1).toInt());
        frame = QRect(values.value(QStringLiteral("X")), values.value(QStringLiteral("Y")),
            values.value(QStringLiteral("WIDTH")), values.value(QStringLiteral("HEIGHT")));
        client
            = QRect(frame.left(), frame.bottom() + 1 - qRound(206 * scale), qRound(312 * scale), qRound(206 * scale));
        // The first frame is painted once the deck shows on the table.
        const QPoint deck(qRound(105 * scale), qRound(105 * scale));
        QImage image;
        while (!deadline.hasExpired()) {
            image = shot();
            if (image.pixelColor(deck) != tableGreen && image.pixelColor(5, 5) == tableGreen)
                return true;
            QTest::qWait(50);
        }
        stuck = QStringLiteral("window %1 mapped, but no deck on a green table within 15 s (deck pixel %2, corner %3)")
                    .arg(window, image.pixelColor(deck).name(), image.pixelColor(5, 5).name());
        return false;
    }

    // The client area as the screen shows it.
    QImage shot() const
    {
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, client.x(), client.y(), client.width(), client.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }

    // Presses at a point of the client area.
    void click(QPoint at, int button = 1, int repeat = 1)
    {
        run({QStringLiteral("mousemove"), QString::number(client.x() + at.x()), QString::number(client.y() + at.y())});
        run({QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(repeat), QStringLiteral("--delay"),
            QStringLiteral("40"), QString::number(button)});
    }

    qreal scale;
    QProcess process;
    QString window;
    QRect frame;
    QRect client;
    QString stuck;
};

// What a label shows, read by matching the screen against the label drawn
// by this process with the same font on the same X server.
QString readLabel(const QImage &shot, QPoint origin, const QStringList &candidates)
{
    QString best;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (const QString &text : candidates) {
        QWidget table;
        table.setAutoFillBackground(true);
        QPalette palette;
        palette.setColor(QPalette::Window, tableGreen);
        palette.setColor(QPalette::WindowText, QColor(192, 255, 192));
        table.setPalette(palette);
        QLabel label(text, &table);
        QFont font(QStringLiteral("Comic Sans MS"));
        font.setPixelSize(29);
        label.setFont(font);
        label.setAlignment(Qt::AlignCenter);
        label.adjustSize();
        table.resize(label.size());
        const QImage drawn = table.grab().toImage();
        qint64 distance = 0;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                distance += qAbs(qGreen(drawn.pixel(x, y)) - qGreen(shot.pixel(origin.x() + x, origin.y() + y)));
        if (distance < bestDistance) {
            bestDistance = distance;
            best = text;
        }
    }
    return best;
}

QStringList numbers(int from, int to, const QString &pattern = QStringLiteral("%1"))
{
    QStringList texts;
    for (int n = from; n <= to; ++n)
        texts << pattern.arg(n);
    return texts;
}

QStringList turnCounts()
{
    return numbers(1, 52, QStringLiteral("(%1)"));
}

// The cards turned, as the screen shows them under the deck.
int turned(const QImage &shot)
{
    return readLabel(shot, QPoint(96, 155), turnCounts()).mid(1).chopped(1).toInt();
}

// Whether the deal shown is lost under the 1-2-3 count: the count above the
// deck equals the rank under the face-up card.
bool lostShown(const QImage &shot)
{
    return readLabel(shot, QPoint(96, 4), numbers(1, 3)) == readLabel(shot, QPoint(196, 155), numbers(1, 13));
}

// Waits until the screen shows `expected` cards turned, or a short while.
QImage settle(const Game &game, int expected)
{
    QImage shot = game.shot();
    for (int i = 0; i < 40 && turned(shot) != expected; ++i) {
        QTest::qWait(50);
        shot = game.shot();
    }
    return shot;
}

// Picture id drawn straight from its vector source at a scale.
QImage vectorPicture(int id, qreal scale)
{
    const auto picture = Pictures::load(id);
    const QSize size = picture->defaultSize();
    QImage image(qRound(size.width() * scale), qRound(size.height() * scale), QImage::Format_RGB32);
    QPainter painter(&image);
    picture->render(&painter, QRectF(image.rect()));
    return image;
}

// Mean difference per colour channel between an image and the part of the
// screen it should cover at `at`, at the best of the nearby positions.
double meanDifference(const QImage &screen, const QImage &expected, QPoint at)
{
    double best = 255;
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            qint64 sum = 0;
            for (int y = 0; y < expected.height(); ++y) {
                for (int x = 0; x < expected.width(); ++x) {
                    const QRgb a = expected.pixel(x, y);
                    const QRgb b = screen.pixel(qBound(0, at.x() + dx + x, screen.width() - 1),
                        qBound(0, at.y() + dy + y, screen.height() - 1));
                    sum += qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
                }
            }
            best = std::min(best, double(sum) / (3.0 * expected.width() * expected.height()));
        }
    }
    return best;
}

bool hasLabelGreen(const QImage &shot, QRect area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (shot.pixelColor(x, y) == QColor(192, 255, 192))
                return true;
    return false;
}

// Asks the window to close as a window manager's close button does.
void sendDeleteWindow(const QString &window)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11->connection();
    auto atom = [connection](const char *name) {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(strlen(name)), name), nullptr);
        const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return result;
    };
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window.toUInt();
    event.type = atom("WM_PROTOCOLS");
    event.data.data32[0] = atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, event.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&event));
    xcb_flush(connection);
}

} // namespace

class X11Test : public QObject
{
    Q_OBJECT

private slots:
    // The program opens its window centred, the table green, the deck and the
    // first card where they belong, "(1)" under the deck, no 1..13 count.
    void startUp()
    {
        Game game;
        QVERIFY2(game.waitForWindow(), qPrintable(game.stuck));
        QCOMPARE(game.frame.width(), 312);
        QVERIFY(game.frame.height() > 206);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QVERIFY(qAbs(game.frame.center().x() - screen.center().x()) <= 2);
        QVERIFY(qAbs(game.frame.center().y() - screen.center().y()) <= 2);

        const QImage shot = game.shot();
        shot.save(QStringLiteral("x11-startup.png"));
        for (const QPoint table : {QPoint(5, 5), QPoint(306, 200), QPoint(160, 100), QPoint(20, 120), QPoint(260, 30)})
            QCOMPARE(shot.pixelColor(table), tableGreen);
        // The deck at (70, 57) and the face-up card at (170, 56): green corners,
        // black outlines, a blue back.
        QCOMPARE(shot.pixelColor(70, 57), tableGreen);
        QVERIFY(qGray(shot.pixel(70, 57 + 48)) < 40);
        QVERIFY(qGray(shot.pixel(70 + 70, 57 + 48)) < 40);
        QCOMPARE(shot.pixelColor(69, 57 + 48), tableGreen);
        const QColor back = shot.pixelColor(70 + 20, 57 + 30);
        QVERIFY(back.blue() > back.red() + 40);
        QCOMPARE(shot.pixelColor(170, 56), tableGreen);
        QVERIFY(qGray(shot.pixel(170, 56 + 48)) < 40);
        QCOMPARE(shot.pixelColor(169, 56 + 48), tableGreen);
        QCOMPARE(shot.pixelColor(242, 56 + 48), tableGreen);

        QCOMPARE(readLabel(shot, QPoint(96, 155), turnCounts()), QStringLiteral("(1)"));
        QVERIFY(hasLabelGreen(shot, QRect(96, 4, 19, 40)));   // the 1-2-3 count
        QVERIFY(!hasLabelGreen(shot, QRect(196, 4, 40, 40))); // no 1..13 count
        QVERIFY(hasLabelGreen(shot, QRect(196, 155, 40, 40)));
    }

    // Real keys and presses through the X server: a key turns one card, a
    // double click on the deck two, a triple click three, a right click one,
    // a click on the face-up card none, and Alt alone does not steal the
    // next key. A random deal can be lost on the
    // way, which stops the turns; then the run starts over with a new deal.
    void keysAndPresses()
    {
        struct Step
        {
            const char *what;
            int turns;
        };
        const Step steps[]
            = {{"key", 1}, {"double", 2}, {"triple", 3}, {"face", 0}, {"right", 1}, {"shift", 1}, {"alt", 2}};
        for (int attempt = 1; attempt <= 25; ++attempt) {
            Game game;
            QVERIFY2(game.waitForWindow(), qPrintable(game.stuck));
            run({QStringLiteral("windowfocus"), QStringLiteral("--sync"), game.window});
            QImage shot = game.shot();
            int n = turned(shot);
            QCOMPARE(n, 1);
            bool spoilt = lostShown(shot);
            for (const Step &step : steps) {
                if (spoilt)
                    break;
                const QByteArray what(step.what);
                if (what == "key")
                    run({QStringLiteral("key"), QStringLiteral("space")});
                else if (what == "shift")
                    run({QStringLiteral("key"), QStringLiteral("Shift_L")});
                else if (what == "alt") // Alt alone, then a key the menu bar would take
                    run({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("60"),
                        QStringLiteral("Alt_L"), QStringLiteral("Down")});
                else if (what == "double")
                    game.click(QPoint(105, 105), 1, 2);
                else if (what == "triple")
                    game.click(QPoint(105, 105), 1, 3);
                else if (what == "right")
                    game.click(QPoint(105, 105), 3);
                else if (what == "face")
                    game.click(QPoint(205, 105), 1, 3);
                shot = settle(game, n + step.turns);
                const int now = turned(shot);
                if (now != n + step.turns && now > n && now < n + step.turns && lostShown(shot)) {
                    spoilt = true; // lost part-way: the rest of the presses were rightly refused
                    break;
                }
                QVERIFY2(
                    now == n + step.turns, qPrintable(QStringLiteral("%1: %2 -> %3").arg(step.what).arg(n).arg(now)));
                n = now;
                spoilt = lostShown(shot);
                if (what == "face")
                    shot.save(QStringLiteral("x11-after-presses.png"));
            }
            if (!spoilt || n >= 11) {
                QCOMPARE(n, 11);
                return;
            }
        }
        QFAIL("every deal was lost before the presses could be checked");
    }

    // "Avsluta", chosen with two clicks, ends the program with status 0.
    void quitFromTheMenu()
    {
        Game game;
        QVERIFY2(game.waitForWindow(), qPrintable(game.stuck));
        const int menuBarHeight = game.frame.height() - 206;
        run({QStringLiteral("mousemove"), QString::number(game.frame.x() + 20),
            QString::number(game.frame.y() + menuBarHeight / 2)});
        run({QStringLiteral("click"), QStringLiteral("1")});
        QRect popup;
        for (int i = 0; i < 100 && popup.isNull(); ++i) {
            QTest::qWait(50);
            const QStringList windows = run({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                QStringLiteral("--pid"), QString::number(game.process.processId())})
                                            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            for (const QString &window : windows) {
                if (window == game.window)
                    continue;
                QHash<QString, int> v;
                for (const QString &line : run({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window})
                                               .split(QLatin1Char('\n')))
                    v.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1).toInt());
                if (v.value(QStringLiteral("HEIGHT")) > 20)
                    popup = QRect(v.value(QStringLiteral("X")), v.value(QStringLiteral("Y")),
                        v.value(QStringLiteral("WIDTH")), v.value(QStringLiteral("HEIGHT")));
            }
        }
        QVERIFY2(!popup.isNull(), "the menu did not open");
        QGuiApplication::primaryScreen()
            ->grabWindow(0, game.frame.x(), game.frame.y(), 320, 300)
            .save(QStringLiteral("x11-menu.png"));
        run({QStringLiteral("mousemove"), QString::number(popup.x() + 20), QString::number(popup.bottom() - 10)});
        run({QStringLiteral("click"), QStringLiteral("1")});
        QVERIFY2(game.process.waitForFinished(5000), "the game still ran 5 s after Avsluta");
        QCOMPARE(game.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(game.process.exitCode(), 0);
    }

    // At any screen scale the window keeps its layout, and the cards are
    // drawn from their vector sources at the screen's resolution: the screen
    // matches a drawing at that scale, not the small picture scaled up.
    void sharpAtEveryScale_data()
    {
        QTest::addColumn<qreal>("scale");
        for (const qreal scale : {1.0, 1.25, 1.5, 2.0, 3.0})
            QTest::addRow("%g", scale) << scale;
    }
    void sharpAtEveryScale()
    {
        QFETCH(qreal, scale);
        Game game(scale);
        QVERIFY2(game.waitForWindow(), qPrintable(game.stuck));
        QVERIFY(qAbs(game.frame.width() - 312 * scale) <= 1);
        const QImage shot = game.shot();
        shot.save(QStringLiteral("x11-scale-%1.png").arg(scale));
        const auto at = [scale](int x, int y) { return QPoint(qRound(x * scale), qRound(y * scale)); };
        for (const QPoint table : {at(3, 3), at(308, 202), at(160, 110), at(30, 100)})
            QCOMPARE(shot.pixelColor(table), tableGreen);

        const QImage back = vectorPicture(100, scale);
        const double backDifference = meanDifference(shot, back, at(70, 57));
        QVERIFY2(backDifference < 1.0, qPrintable(QString::number(backDifference)));
        if (scale != 1.0) {
            const QImage upscaled
                = vectorPicture(100, 1).scaled(back.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            const double upscaleDifference = meanDifference(upscaled, back, QPoint(0, 0));
            QVERIFY2(upscaleDifference > 4 * backDifference + 2, qPrintable(QString::number(upscaleDifference)));
            qInfo("scale %g: screen differs from the vector drawing by %.2f, an upscale by %.2f", scale, backDifference,
                upscaleDifference);
        }
        double faceDifference = 255;
        for (int id = 101; id <= 152; ++id)
            faceDifference = std::min(faceDifference, meanDifference(shot, vectorPicture(id, scale), at(170, 56)));
        QVERIFY2(faceDifference < 1.0, qPrintable(QString::number(faceDifference)));

        // The labels stand where the layout puts them.
        QVERIFY(hasLabelGreen(shot, QRect(at(96, 155), at(145, 194))));
        QVERIFY(hasLabelGreen(shot, QRect(at(196, 155), at(235, 194))));
        QVERIFY(hasLabelGreen(shot, QRect(at(96, 4), at(115, 43))));
        QVERIFY(!hasLabelGreen(shot, QRect(at(0, 0), at(60, 205))));
    }

    // Closing the window from its title bar ends the program normally.
    void closeFromTitleBar()
    {
        Game game;
        QVERIFY2(game.waitForWindow(), qPrintable(game.stuck));
        sendDeleteWindow(game.window);
        QVERIFY2(game.process.waitForFinished(5000), "the game still ran 5 s after the close request");
        QCOMPARE(game.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(game.process.exitCode(), 0);
    }

    // With no display to open, the program ends at once with one line on
    // stderr and a failure status, not a crash.
    void noDisplay()
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(KVINDO_EXECUTABLE));
        QVERIFY2(process.waitForFinished(10000), "the game still ran 10 s after it found no display");
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY(process.exitCode() != 0);
        const QString err = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        QVERIFY2(err.startsWith(QStringLiteral("kvindo: ")) && !err.contains(QLatin1Char('\n')), qPrintable(err));
    }
};

QTEST_MAIN(X11Test)
#include "tst_x11.moc"
