// Plays the program's part for the hostile-environment test, with one fault the shipped program
// cannot have: once the first press has started a run, the count on Command1 is made
// unreadable through the widget itself, so the next press fails inside the game's handler.
// Everything else is the program's own start-up and window.
#include "window/qt/main_window.h"
#include "window/qt/startup.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLocale>
#include <QScreen>

int main(int argc, char** argv)
{
    const QApplication app(argc, argv);
    qtshell::identifyApplication();
    qtshell::substituteDesignFont();
    qtshell::Form1 form(qtshell::numberFormatFor(QLocale::system()));
    auto* const command1 = form.findChild<QAbstractButton*>(QStringLiteral("Command1"));
    // Connected after the window's own handler, so it runs once the count reads 1.
    QObject::connect(command1, &QAbstractButton::clicked, command1, [command1] {
        if (command1->text() == QStringLiteral("1")) {
            command1->setText(QStringLiteral("1x"));
        }
    });
    if (const QScreen* screen = form.screen()) {
        form.move(screen->availableGeometry().center() - form.rect().center());
    }
    form.show();
    return QApplication::exec();
}
