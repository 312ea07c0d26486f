// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// Linked into a program beside its own, unchanged main(): ends the process
// the moment its first frame is complete, so that callgrind counts the
// instructions from exec to the first frame and nothing after.
//
// A start-up function registered with Qt installs an event filter on the
// application as soon as it exists. The frame is complete once the menu bar,
// the central widget and every visible widget inside it have been painted;
// the check runs queued, after the event that painted them has returned,
// that is after the window's backing store was flushed to the platform.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QSet>

#include <cstdio>
#include <unistd.h>

namespace {

class FirstFrameWatch : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType()) {
            painted.insert(watched);
            if (!checkQueued) {
                checkQueued = true;
                QMetaObject::invokeMethod(this, &FirstFrameWatch::check, Qt::QueuedConnection);
            }
        }
        return false;
    }

private:
    void check()
    {
        checkQueued = false;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *window = qobject_cast<QMainWindow *>(widget);
            if (window && window->isVisible() && complete(window)) {
                std::fflush(stdout);
                _exit(0);
            }
        }
    }

    bool complete(QMainWindow *window) const
    {
        QWidget *central = window->centralWidget();
        if (!painted.contains(window->menuBar()) || !central || !painted.contains(central))
            return false;
        const auto children = central->findChildren<QWidget *>();
        for (QWidget *child : children) {
            if (child->isVisible() && !painted.contains(child))
                return false;
        }
        return true;
    }

    QSet<QObject *> painted;
    bool checkQueued = false;
};

void watchFirstFrame()
{
    QCoreApplication::instance()->installEventFilter(new FirstFrameWatch(QCoreApplication::instance()));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watchFirstFrame)
