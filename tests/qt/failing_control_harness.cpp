// Plays the program's part for the hostile-environment test, with one fault the shipped program
// cannot have: once the first press has started a run, the count on Command1 is made
// unreadable through the widget itself, so the next press fails inside the game's handler.
// Everything else is the program's own start-up and window.
#include "window/qt/startup.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QTimer>
#include <QWidget>

namespace {

// Once the game's loop runs, its window exists: plant the fault on its counting button.
void plantFault()
{
    QTimer::singleShot(0, [] {
        for (QWidget* const window : QApplication::topLevelWidgets()) {
            auto* const command1 = window->findChild<QAbstractButton*>(QStringLiteral("Command1"));
            if (command1 == nullptr) {
                continue;
            }
            // Connected after the window's own handler, so it runs once the count reads 1.
            QObject::connect(command1, &QAbstractButton::clicked, command1, [command1] {
                if (command1->text() == QStringLiteral("1")) {
                    command1->setText(QStringLiteral("1x"));
                }
            });
        }
    });
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(plantFault)

int main(int argc, char** argv)
{
    return qtshell::runGame(argc, argv);
}
