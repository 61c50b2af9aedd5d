#include "window/qt/wayland_frame.h"

#include <QList>
#include <QString>
#include <QtGlobal>

#include <algorithm>

namespace qtshell {

WaylandFrame waylandFrameFor(const WaylandSession& session)
{
    // A platform or decoration the user set is theirs; KDE and others draw frames themselves.
    if (!session.platform.isEmpty() || !session.decoration.isEmpty()
        || session.waylandDisplay.isEmpty()) {
        return WaylandFrame::AsIs;
    }
    const QList<QByteArray> desktops = session.currentDesktop.split(':');
    const bool gnome = std::any_of(desktops.begin(), desktops.end(), [](const QByteArray& desktop) {
        return desktop.compare("GNOME", Qt::CaseInsensitive) == 0;
    });
    if (!gnome) {
        return WaylandFrame::AsIs;
    }
    if (session.qt >= QVersionNumber(6, 8)) {
        return WaylandFrame::GnomeDecoration;
    }
    // Without XWayland the X11 plugin has nowhere to go; Qt's own frame is still a window.
    return session.x11Display.isEmpty() ? WaylandFrame::AsIs : WaylandFrame::XWayland;
}

void chooseWaylandFrame()
{
    const WaylandSession session {
        qgetenv("WAYLAND_DISPLAY"),
        qgetenv("DISPLAY"),
        qgetenv("XDG_CURRENT_DESKTOP"),
        qgetenv("QT_QPA_PLATFORM"),
        qgetenv("QT_WAYLAND_DECORATION"),
        QVersionNumber::fromString(QString::fromLatin1(qVersion())),
    };
    switch (waylandFrameFor(session)) {
    case WaylandFrame::AsIs:
        break;
    case WaylandFrame::XWayland:
        qputenv("QT_QPA_PLATFORM", "xcb");
        break;
    case WaylandFrame::GnomeDecoration:
        qputenv("QT_WAYLAND_DECORATION", "adwaita");
        break;
    }
}

} // namespace qtshell
