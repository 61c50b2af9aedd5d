#include "window/qt/startup.h"

#include "message_box_dismisser.h"
#include "window/qt/form1.h"

#include <QApplication>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <cstdio>

// This test also plays the game's own part in a child process, to see how the process ends.
namespace {

const char* const ChildRole = "MORVANE_STARTUP_TEST_ROLE";

// Runs the game as the program does, then makes one of its counts unreadable and presses it.
int playUntilAnError(int& argc, char** argv)
{
    const QApplication app(argc, argv);
    qtshell::identifyApplication();
    MessageBoxDismisser dismisser;
    qtshell::Form1 form({});
    form.show();
    QTimer::singleShot(0, &form, [&form] {
        auto* const command1 = form.findChild<QPushButton*>(QStringLiteral("Command1"));
        QTest::mouseClick(command1, Qt::LeftButton);
        command1->setText(QStringLiteral("7x"));
        QTest::mouseClick(command1, Qt::LeftButton);
        QTest::mouseClick(command1, Qt::LeftButton);
    });
    const int status = QApplication::exec();
    for (const auto& box : dismisser.boxes) {
        const QString line
            = QStringLiteral("%1|%2|%3\n").arg(static_cast<int>(box.icon)).arg(box.title, box.text);
        std::fputs(qPrintable(line), stdout);
    }
    return status;
}

int playAndClose(int& argc, char** argv)
{
    const QApplication app(argc, argv);
    qtshell::Form1 form({});
    form.show();
    QTimer::singleShot(0, &form, [&form] {
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        form.close();
    });
    return QApplication::exec();
}

struct Ended {
    int status;
    QString out;
    QString err;
};

Ended run(const QString& program, const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, {});
    // A program that does not end by then hangs, even under valgrind on a busy machine: no
    // status of its own.
    const bool ended = process.waitForFinished(60000);
    return { ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
        QString::fromLocal8Bit(process.readAllStandardOutput()),
        QString::fromLocal8Bit(process.readAllStandardError()) };
}

Ended runChild(const char* role)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(ChildRole), QString::fromLatin1(role));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return run(QCoreApplication::applicationFilePath(), environment);
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void numbersAreWrittenTheUsersWay();
    void programIsNamedAndVersioned();
    void handlerErrorEndsWithStatusOne();
    void normalCloseEndsWithStatusZero();
    void noDisplayIsOneLineAndStatusOne_data();
    void noDisplayIsOneLineAndStatusOne();
};

void StartupTest::numbersAreWrittenTheUsersWay()
{
    QCOMPARE(qtshell::numberFormatFor(QLocale::c()).decimalSeparator, u'.');
    QCOMPARE(qtshell::numberFormatFor(QLocale(QLocale::German, QLocale::Germany)).decimalSeparator,
        u',');
    QCOMPARE(
        qtshell::numberFormatFor(QLocale(QLocale::English, QLocale::UnitedStates)).decimalSeparator,
        u'.');
}

void StartupTest::programIsNamedAndVersioned()
{
    qtshell::identifyApplication();
    QCOMPARE(QApplication::applicationName(), QStringLiteral("Morvane"));
    QCOMPARE(QApplication::applicationDisplayName(), QStringLiteral("Morvane"));
    QCOMPARE(QApplication::applicationVersion(), QStringLiteral(MORVANE_VERSION));
}

void StartupTest::handlerErrorEndsWithStatusOne()
{
    const Ended ended = runChild("error");
    QCOMPARE(ended.status, 1);
    // One critical box with the reason, and nothing shown after it.
    QCOMPARE(ended.out,
        QStringLiteral("%1|Morvane|Type mismatch: \"7x\" is not a number\n")
            .arg(static_cast<int>(QMessageBox::Critical)));
}

void StartupTest::normalCloseEndsWithStatusZero()
{
    const Ended ended = runChild("close");
    QCOMPARE(ended.status, 0);
    QCOMPARE(ended.out, QString());
}

void StartupTest::noDisplayIsOneLineAndStatusOne_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QString>("display");
    QTest::newRow("no display set") << QString() << QString();
    QTest::newRow("X asked for, none set") << QStringLiteral("xcb") << QString();
    QTest::newRow("X server that is not there") << QStringLiteral("xcb") << QStringLiteral(":97");
}

void StartupTest::noDisplayIsOneLineAndStatusOne()
{
    QFETCH(QString, platform);
    QFETCH(QString, display);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", ChildRole }) {
        environment.remove(QString::fromLatin1(name));
    }
    if (!platform.isEmpty()) {
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    }
    if (!display.isEmpty()) {
        environment.insert(QStringLiteral("DISPLAY"), display);
    }
    const Ended ended = run(QStringLiteral(MORVANE_EXECUTABLE), environment);
    QCOMPARE(ended.status, 1);
    QCOMPARE(ended.err.count(QLatin1Char('\n')), 1);
    QVERIFY2(ended.err.startsWith(QStringLiteral("morvane: cannot open the game window")),
        qPrintable(ended.err));
}

int main(int argc, char** argv)
{
    const QByteArray role = qgetenv(ChildRole);
    if (role == "error") {
        return playUntilAnError(argc, argv);
    }
    if (role == "close") {
        return playAndClose(argc, argv);
    }
    const QApplication app(argc, argv);
    StartupTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "startup_test.moc"
