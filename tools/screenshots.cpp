// Renders the README's pictures of the game offscreen: the window at rest, the window during a
// run, and the rating message after a 41-click run, by playing the game through its real window.

#include "window/qt/deadline_timer.h"
#include "window/qt/main_window.h"
#include "window/qt/startup.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

bool save(QWidget& widget, const QDir& directory, const QString& name)
{
    const QString path = directory.filePath(name);
    if (!widget.grab().save(path)) {
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
    qtshell::identifyApplication();
    qtshell::substituteDesignFont();
    const QStringList arguments = QApplication::arguments();
    const QDir directory(arguments.size() > 1 ? arguments.at(1) : QStringLiteral("."));

    qtshell::Form1 form(qtshell::numberFormatFor(QLocale::c()));
    form.show();
    auto* const command1 = form.findChild<QPushButton*>(QStringLiteral("Command1"));
    auto* const command2 = form.findChild<QPushButton*>(QStringLiteral("Command2"));
    auto* const timer = form.findChild<qtshell::DeadlineTimer*>(QStringLiteral("Timer1"));

    bool saved = save(form, directory, QStringLiteral("window.png"));
    for (int i = 0; i < 41; ++i) {
        QTest::mouseClick(command1, Qt::LeftButton);
    }
    saved = save(form, directory, QStringLiteral("counting.png")) && saved;

    // The rating box is modal: photograph it from inside its own event loop, then answer it.
    bool ratingShot = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* const box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        if (!ratingShot) {
            ratingShot = true;
            saved = save(*box, directory, QStringLiteral("rating.png")) && saved;
        }
        box->accept();
    });
    answer.start(10);
    emit timer->timeout();
    QTest::mouseClick(command2, Qt::LeftButton);
    saved = save(form, directory, QStringLiteral("record.png")) && saved;
    return saved && ratingShot ? 0 : 1;
}
