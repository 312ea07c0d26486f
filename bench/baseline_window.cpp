// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// The baseline for the start-up figures: a bare Qt window of the game's size
// with the game's menu bar, and nothing else. Its client area is the table
// green; there are no pictures, no labels and no window icon. Started the
// same way as the game, it shows what Qt itself costs to bring such a window
// to the screen.
#include <QAction>
#include <QApplication>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kvindo-baseline"));

    QMainWindow window(nullptr,
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    window.setWindowTitle(QStringLiteral("Kvindo baseline"));

    auto *client = new QWidget(&window);
    client->setFixedSize(312, 206);
    QPalette palette = client->palette();
    palette.setColor(QPalette::Window, QColor(0, 128, 0));
    client->setPalette(palette);
    client->setAutoFillBackground(true);
    window.setCentralWidget(client);
    window.layout()->setSizeConstraint(QLayout::SetFixedSize);

    QMenuBar *bar = window.menuBar();
    QMenu *meny = bar->addMenu(QStringLiteral("Meny"));
    meny->addAction(QStringLiteral("Blanda å ge"));
    QAction *ljud = meny->addAction(QStringLiteral("Ljud"));
    ljud->setCheckable(true);
    ljud->setChecked(true);
    meny->addSeparator();
    QAction *avsluta = meny->addAction(QStringLiteral("Avsluta"));
    QObject::connect(avsluta, &QAction::triggered, &window, &QWidget::close);
    QMenu *version = bar->addMenu(QStringLiteral("Version"));
    for (const char *caption : {"Verson 1-3", "Verson 1-13", "Båda"})
        version->addAction(QString::fromUtf8(caption))->setCheckable(true);

    window.adjustSize();
    if (const QScreen *screen = window.screen())
        window.setGeometry(
            QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(), screen->availableGeometry()));
    window.show();
    return QApplication::exec();
}
