// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
#include "frmKvindo.h"

#include "Announcer.h"
#include "PictureBox.h"
#include "TableLabel.h"
#include "Twips.h"
#include "game/Announcement.h"
#include "game/Cards.h"
#include "game/Pictures.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QProxyStyle>
#include <QResource>
#include <QScreen>
#include <QStyle>
#include <QTimer>

namespace {

TableLabel *makeLabel(QWidget *parent, const char *name, QRect geometry, const QString &caption, const QString &spoken)
{
    auto *label = new TableLabel(caption, spoken, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->hide();
    return label;
}

PictureBox *makePicture(QWidget *parent, const char *name, QRect geometry)
{
    auto *picture = new PictureBox(parent);
    picture->setObjectName(QLatin1String(name));
    picture->setGeometry(geometry);
    return picture;
}

QAction *makeItem(QMenu *menu, const QString &caption, const char *name, bool checkable)
{
    QAction *item = menu->addAction(caption);
    item->setObjectName(QString::fromUtf8(name));
    item->setCheckable(checkable);
    return item;
}

// Pressing and releasing Alt alone would otherwise hand the next key to the
// menu bar; here every key turns a card.
class NoAltNavigationStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(
        StyleHint hint, const QStyleOption *option, const QWidget *widget, QStyleHintReturn *returnData) const override
    {
        if (hint == QStyle::SH_MenuBar_AltKeyNavigation)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Modifier state in the form key handlers expect: 1 Shift, 2 Ctrl, 4 Alt.
std::int16_t shiftState(Qt::KeyboardModifiers modifiers)
{
    return static_cast<std::int16_t>((modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
        | (modifiers & Qt::AltModifier ? 4 : 0));
}

std::int16_t buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

} // namespace

frmKvindo::frmKvindo(QWidget *parent)
    : QMainWindow(parent,
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmKvindo"));
    setWindowTitle(QStringLiteral("Kvindo av Norvakk"));
    QIcon icon;
    for (const int size : {KVINDO_WINDOW_ICON_SIZES}) {
        const QByteArray pixels
            = QResource(QStringLiteral(":/icon/%1x%1/apps/" KVINDO_APP_ID ".rgba").arg(size)).uncompressedData();
        if (pixels.size() != qsizetype(size) * size * 4)
            continue;
        const QImage image(reinterpret_cast<const uchar *>(pixels.constData()), size, size, size * 4,
            QImage::Format_RGBA8888_Premultiplied);
        icon.addPixmap(QPixmap::fromImage(image.convertToFormat(QImage::Format_ARGB32_Premultiplied)));
    }
    setWindowIcon(icon);
    // First, so that its elements lie beneath the menu bar and the table.
    announcer = new Announcer(this);
    announcer->whenListened([this] {
        if (TurnedCount > 0)
            announce(true);
    });

    // The client area; its children are the display elements, created from the
    // bottom of the stack up.
    auto *form = new QWidget(this);
    form->setObjectName(QStringLiteral("Form"));
    form->setFixedSize(Twips::size(4680, 3090));
    QPalette palette = form->palette();
    palette.setColor(QPalette::Window, QColor(0, 128, 0));
    form->setPalette(palette);
    form->setAutoFillBackground(true);
    setCentralWidget(form);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    Image1 = makePicture(form, "Image1", Twips::rect(-600, -420, 5475, 3900));
    Image1->setStretch(true);
    Label1 = makeLabel(
        form, "Label1", Twips::rect(1440, 60, 285, 600), QStringLiteral("%1"), QStringLiteral("Räkning 1-3: %1"));
    imgFram = makePicture(form, "imgFram", Twips::rect(2550, 840, 1065, 1440));
    imgFram->hide();
    imgBak = makePicture(form, "imgBak", Twips::rect(1050, 855, 1065, 1440));
    imgBak->hide();
    imgBak->setClickable(true);
    imgBak->setAccessibleName(QStringLiteral("Kortlek"));
    imgBak->setAccessibleDescription(QStringLiteral("Vänd nästa kort"));
    Label2 = makeLabel(
        form, "Label2", Twips::rect(1440, 2325, 270, 600), QStringLiteral("(%1)"), QStringLiteral("Vända kort: %1"));
    Label3 = makeLabel(
        form, "Label3", Twips::rect(2940, 2325, 270, 600), QStringLiteral("%1"), QStringLiteral("Kortets valör: %1"));
    Label4 = makeLabel(
        form, "Label4", Twips::rect(2940, 60, 285, 600), QStringLiteral("%1"), QStringLiteral("Räkning 1-13: %1"));

    QMenuBar *bar = menuBar();
    bar->setStyle(new NoAltNavigationStyle(bar->style()->name()));
    bar->style()->setParent(bar);
    mnuMeny = bar->addMenu(QStringLiteral("Meny"));
    mnuMeny->setObjectName(QStringLiteral("mnuMeny"));
    mnuBörja = makeItem(mnuMeny, QStringLiteral("Blanda å ge"), "mnuBörja", false);
    mnuLjud = makeItem(mnuMeny, QStringLiteral("Ljud"), "mnuLjud", true);
    mnuLjud->setChecked(true);
    mnuTomt = mnuMeny->addSeparator();
    mnuTomt->setObjectName(QStringLiteral("mnuTomt"));
    mnuAvsluta = makeItem(mnuMeny, QStringLiteral("Avsluta"), "mnuAvsluta", false);
    mnuVersion = bar->addMenu(QStringLiteral("Version"));
    mnuVersion->setObjectName(QStringLiteral("mnuVersion"));
    VerItems[0] = makeItem(mnuVersion, QStringLiteral("Verson 1-3"), "Ver(1)", true);
    VerItems[1] = makeItem(mnuVersion, QStringLiteral("Verson 1-13"), "Ver(2)", true);
    VerItems[2] = makeItem(mnuVersion, QStringLiteral("Båda"), "Ver(3)", true);

    wireInput();
}

frmKvindo::~frmKvindo() = default;

void frmKvindo::wireInput()
{
    menuBar()->installEventFilter(this);
    connect(imgBak, &PictureBox::mouseDown, this,
        [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF at) {
            imgBak_MouseDown(buttonCode(button), shiftState(modifiers), static_cast<float>(at.x() * Twips::PerPixel),
                static_cast<float>(at.y() * Twips::PerPixel));
        });
    connect(imgBak, &PictureBox::dblClick, this, &frmKvindo::imgBak_DblClick);
    connect(mnuBörja, &QAction::triggered, this, &frmKvindo::mnuBörja_Click);
    // A checkable item has already flipped its mark when it reports the click;
    // put the mark back, so the handler negates the mark the player saw.
    connect(mnuLjud, &QAction::triggered, this, [this](bool checked) {
        mnuLjud->setChecked(!checked);
        mnuLjud_Click();
    });
    connect(mnuAvsluta, &QAction::triggered, this, &frmKvindo::mnuAvsluta_Click);
    for (std::int16_t index = 1; index <= 3; ++index)
        connect(Ver(index), &QAction::triggered, this, [this, index] { Ver_Click(index); });
}

void frmKvindo::Form_Load()
{
    Rnd.seedFromClock();
    AppPath = QCoreApplication::applicationDirPath();
    // The counting version is chosen before the first deal, so the first
    // card is checked like that of any later deal.
    Ver_Click(1);
    NewDeal();
    adjustSize();
    // Centred on the screen: the window itself now, its frame too once the
    // window manager has drawn one (its size is known only then). A moment
    // after start, where the window stands is the player's business.
    if (const QScreen *screen = this->screen())
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen->availableGeometry()));
    centringFrame = true;
    QTimer::singleShot(2000, this, [this] { centringFrame = false; });
    show();
    Image1->setPicture(Cards::TablePicture);
    imgBak->setPicture(Cards::BackPicture);
    imgBak->show();
    // Work that can wait starts once the first frame is painted; the next
    // card is drawn ahead each time the face-up card has been painted.
    centralWidget()->installEventFilter(this);
    imgFram->installEventFilter(this);
}

void frmKvindo::announce(bool newCard)
{
    // Only for a screen reader: without one, a turn does no more than before.
    if (!announcer->listened())
        return;
    Announcement::Turn turn;
    turn.turned = static_cast<int>(TurnedCount);
    turn.card = static_cast<int>(Deck(TurnedCount));
    turn.version = CountVersion;
    turn.newCard = newCard;
    turn.lost = GameOver == True;
    announcer->say(Announcement::text(turn));
}

void frmKvindo::drawNextCardAhead()
{
    // The deal is known from the moment it is dealt, so while the player
    // looks at this card the next one is drawn, and no turn waits for a
    // drawing. Nothing else is kept as a drawing: the cards on the table are
    // in the window's backing store already, and a repaint of the whole
    // window (rare) draws them afresh; the deck's back keeps its source for
    // that. So memory stays at one card's drawing, whatever the screen's
    // scale.
    const int next
        = GameOver == False && TurnedCount < 52 ? Cards::pictureId(static_cast<int>(Deck(TurnedCount + 1))) : 0;
    Pictures::keepOnly({imgBak->pictureId(), next});
    if (next)
        Pictures::drawn(next, Pictures::size(next), devicePixelRatioF());
}

bool frmKvindo::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == centralWidget() && event->type() == QEvent::Paint) {
        centralWidget()->removeEventFilter(this);
        // Once this paint is done.
        QTimer::singleShot(0, this, [this] {
            // A window manager frames the window before it shows it, so
            // the frame is known by now, if there is one.
            if (centringFrame)
                centreFrame();
            emit firstFramePainted();
        });
    }
    if (watched == imgFram && event->type() == QEvent::Paint && !drawingAhead) {
        // Once the turn is on screen; one call for however many paints.
        drawingAhead = true;
        QTimer::singleShot(0, this, [this] {
            drawingAhead = false;
            drawNextCardAhead();
        });
    }
    // The menu bar takes keys only while one of its menus is active; any other
    // key that reaches it is the game's.
    if (watched == menuBar() && event->type() == QEvent::KeyPress && !menuBar()->activeAction())
        return this->event(event);
    return QMainWindow::eventFilter(watched, event);
}

void frmKvindo::centreFrame()
{
    const QRect frame = frameGeometry();
    if (frame == geometry())
        return; // not framed (yet)
    centringFrame = false;
    if (const QScreen *screen = this->screen())
        move(
            QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, frame.size(), screen->availableGeometry()).topLeft());
}

bool frmKvindo::event(QEvent *event)
{
    // Every key turns a card, whichever element has the focus: key events
    // the elements leave alone come up to the window.
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        Form_KeyDown(static_cast<std::int16_t>(key->nativeVirtualKey()), shiftState(key->modifiers()));
        // F10 also opens the menu bar, so the menus can be used without a mouse.
        if (key->key() == Qt::Key_F10 && !(key->modifiers() & ~Qt::KeypadModifier))
            menuBar()->setActiveAction(mnuMeny->menuAction());
        return true;
    }
    // A window manager that moves the window as it frames it.
    if (centringFrame && event->type() == QEvent::Move)
        centreFrame();
    return QMainWindow::event(event);
}

void frmKvindo::Form_KeyDown(std::int16_t, std::int16_t)
{
    TurnCard();
}

void frmKvindo::imgBak_MouseDown(std::int16_t, std::int16_t, float, float)
{
    TurnCard();
}

void frmKvindo::imgBak_DblClick()
{
    TurnCard();
}

void frmKvindo::mnuBörja_Click()
{
    NewDeal();
}

void frmKvindo::mnuLjud_Click()
{
    mnuLjud->setChecked(!mnuLjud->isChecked());
}

void frmKvindo::mnuAvsluta_Click()
{
    close();
}
