#include "StartupErrors.h"
#include "frmKvindo.h"
#include "sound/SoundPlayer.h"
#include "sound/modLjud.h"

#include <QApplication>
#include <QTimer>

#include <functional>
#include <utility>

namespace {

// Calls its action once, at the first paint of any widget.
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(std::function<void()> action)
        : action_(std::move(action))
    {
        qApp->installEventFilter(this);
    }
    void happened()
    {
        if (!action_)
            return;
        qApp->removeEventFilter(this);
        std::exchange(action_, nullptr)();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            QTimer::singleShot(0, this, &FirstPaint::happened); // once this paint is done
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> action_;
};

} // namespace

int main(int argc, char *argv[])
{
    StartupErrors::catchPlatformFailures();
    QApplication app(argc, argv);
    StartupErrors::release();
    QApplication::setApplicationName(QStringLiteral("kvindo"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    // Lets the desktop match the window to its launcher and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("se.norvakk.Kvindo"));

    // The sound output outlives the window, whose first deal already asks
    // for a cue.
    kvsound::SoundPlayer sound(kvsound::SoundPlayer::Start::OnGo);
    modLjud::setSoundOutput(&sound);
    int status = 0;
    {
        frmKvindo form;
        QApplication::setWindowIcon(form.windowIcon());
        form.Form_Load();
        // The sound starts once the window has painted its first frame (or
        // after a moment, should it never be shown); the first card's cue
        // waits for it.
        FirstPaint firstPaint([&sound] { sound.go(); });
        QTimer::singleShot(500, &firstPaint, &FirstPaint::happened);
        status = QApplication::exec();
    }
    modLjud::setSoundOutput(nullptr);
    return status;
}
