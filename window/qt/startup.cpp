#include "window/qt/startup.h"

#include "window/common/form1_design.h"
#include "window/common/number_format.h"
#include "window/qt/form1.h"
#include "window/qt/key_repeat.h"
#include "window/qt/qt_text.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLocale>
#include <QScreen>
#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

#ifndef MORVANE_VERSION
#error "MORVANE_VERSION must come from the build"
#endif
#ifndef MORVANE_APP_ID
#error "MORVANE_APP_ID must come from the build"
#endif

namespace qtshell {
namespace {

// What the platform said before it gave up; shown in the one line we print.
QString& platformComplaint()
{
    static QString complaint;
    return complaint;
}

// Until the application object exists, the platform's own messages are held back: the one that
// matters is the fatal one, and Qt would abort the process on it with a core dump.
void startupMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type != QtFatalMsg) {
        if (platformComplaint().isEmpty() && context.category != nullptr
            && QByteArrayView(context.category).startsWith("qt.qpa")) {
            platformComplaint() = text;
        }
        return;
    }
    const bool noDisplaySet
        = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    QString reason = platformComplaint();
    if (noDisplaySet) {
        reason = QStringLiteral("no display is set (DISPLAY is empty)");
    } else if (reason.isEmpty()) {
        reason = text.section(QLatin1Char('\n'), 0, 0);
    }
    const QByteArray line = "morvane: cannot open the game window: " + reason.toLocal8Bit() + '\n';
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
    std::_Exit(EXIT_FAILURE);
}

} // namespace

clicktest::NumberFormat numberFormatFor(const QLocale& locale)
{
    return window::numberFormatWithSeparator(toText(locale.decimalPoint()));
}

void substituteDesignFont()
{
    QStringList faces;
    for (const std::u16string_view face : window::DesignFontFallbacks) {
        faces.append(toQString(face));
    }
    QFont::insertSubstitutions(toQString(window::DesignFontFamily), faces);
}

void identifyApplication()
{
    QApplication::setApplicationName(toQString(window::Form1Design.caption));
    QApplication::setApplicationVersion(QStringLiteral(MORVANE_VERSION));
    // Lets a desktop match the running window to the installed entry of the same name.
    QApplication::setDesktopFileName(QStringLiteral(MORVANE_APP_ID));
}

QIcon applicationIcon()
{
    QIcon icon;
    for (const int size : { 16, 32 }) {
        icon.addFile(QStringLiteral(":/icons/morvane-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

int runGame(int& argc, char** argv)
{
    identifyApplication();

    const QtMessageHandler previous = qInstallMessageHandler(startupMessageHandler);
    const QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    QApplication::setWindowIcon(applicationIcon());
    reportKeyRepeatsAsPresses();

    substituteDesignFont();
    Form1 form(numberFormatFor(QLocale::system()));
    if (const QScreen* screen = form.screen()) {
        form.move(screen->availableGeometry().center() - form.rect().center());
    }
    form.show();
    return QApplication::exec();
}

} // namespace qtshell
