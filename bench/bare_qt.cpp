// The yardstick for the end-to-end figures: about the least a Qt 6 Widgets program can be that
// shows one button counting its presses, in a window of the game's size.

#include <QApplication>
#include <QPushButton>
#include <QString>
#include <QWidget>

int main(int argc, char** argv)
{
    const QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Bare Qt"));

    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare Qt"));
    window.setFixedSize(199, 156);
    auto* const button = new QPushButton(QStringLiteral("0"), &window);
    button->setGeometry(0, 0, 201, 97);
    int presses = 0;
    QObject::connect(button, &QPushButton::clicked, button,
        [button, &presses] { button->setText(QString::number(++presses)); });

    window.show();
    return QApplication::exec();
}
