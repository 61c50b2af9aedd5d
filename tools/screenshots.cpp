// Takes the README's pictures of the game as a player sees it: the window at rest and the rating
// message after a 41-click run, by playing the game through its real window. Each picture is read
// back from the X server (scripts/screenshots.sh runs this on Xvfb), so it shows what the server
// was given to display, in the fonts the system has, rather than what the widget would paint.

#include "window/qt/form1.h"
#include "window/qt/startup.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTimerEvent>
#include <QWindow>

#include <cstdio>

namespace {

// Long enough for the repaint of a change to reach the server before it is read back.
constexpr int SettleMs = 200;

bool save(QWidget& widget, const QDir& directory, const QString& name)
{
    const QString path = directory.filePath(name);
    // The window's own pixels on the server: the client area, as no window manager frames it.
    const QPixmap picture = widget.screen()->grabWindow(widget.winId());
    if (picture.isNull() || !picture.save(path)) {
        std::fputs(qPrintable(QStringLiteral("screenshots: cannot write %1\n").arg(path)), stderr);
        return false;
    }
    std::puts(qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const QApplication app(argc, argv);
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fputs("screenshots: run this on an X server (QT_QPA_PLATFORM=xcb)\n", stderr);
        return 1;
    }
    qtshell::identifyApplication();
    qtshell::substituteDesignFont();
    const QStringList arguments = QApplication::arguments();
    const QDir directory(arguments.size() > 1 ? arguments.at(1) : QStringLiteral("."));

    qtshell::Form1 form(qtshell::numberFormatFor(QLocale::c()));
    form.show();
    // A player's window is the active one, with the counting button's focus shown.
    form.activateWindow();
    if (!QTest::qWaitForWindowActive(&form)) {
        std::fputs("screenshots: the window never became active\n", stderr);
        return 1;
    }
    QTest::qWait(SettleMs);
    auto* const command1 = form.findChild<QPushButton*>(QStringLiteral("Command1"));
    auto* const command2 = form.findChild<QPushButton*>(QStringLiteral("Command2"));
    auto* const timer = form.findChild<QTimer*>(QStringLiteral("Timer1"));

    bool saved = save(form, directory, QStringLiteral("window.png"));
    for (int i = 0; i < 41; ++i) {
        QTest::mouseClick(command1, Qt::LeftButton);
    }

    // The rating box is modal: photograph it from inside its own event loop once the server has
    // shown it, then answer it and the record box after it.
    bool ratingShot = false;
    QMessageBox* shown = nullptr;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* const box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || box->windowHandle() == nullptr || !box->windowHandle()->isExposed()) {
            return;
        }
        if (box != shown) {
            // Seen for the first time: give it the time a repaint takes before reading it.
            shown = box;
            answer.start(SettleMs);
            return;
        }
        if (!ratingShot) {
            ratingShot = true;
            saved = save(*box, directory, QStringLiteral("rating.png")) && saved;
        }
        answer.start(10);
        box->accept();
    });
    answer.start(10);
    // The run's end at once, delivered as the event loop delivers the timer's ticks.
    QTimerEvent tick(timer->timerId());
    QCoreApplication::sendEvent(timer, &tick);
    QTest::mouseClick(command2, Qt::LeftButton);
    return saved && ratingShot ? 0 : 1;
}
