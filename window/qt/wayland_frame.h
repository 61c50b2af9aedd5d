#pragma once

#include <QByteArray>
#include <QVersionNumber>

namespace qtshell {

// Who draws the window's frame on a Wayland desktop that leaves frames to its programs (GNOME):
// Qt's own decoration before 6.8 cuts the title short and shows a maximise button that a
// fixed-size window cannot honour.
enum class WaylandFrame {
    AsIs, // not such a desktop, or the user chose: nothing is changed
    XWayland, // the X11 plugin, through XWayland: the desktop frames it as its other programs
    GnomeDecoration, // native Wayland with Qt's GNOME-style decoration (Qt 6.8 and later)
};

// What the choice depends on: the session's variables as the environment holds them (empty
// when unset) and the Qt the program runs with.
struct WaylandSession {
    QByteArray waylandDisplay;
    QByteArray x11Display;
    QByteArray currentDesktop; // XDG_CURRENT_DESKTOP: names separated by colons
    QByteArray platform; // QT_QPA_PLATFORM
    QByteArray decoration; // QT_WAYLAND_DECORATION
    QVersionNumber qt;
};

[[nodiscard]] WaylandFrame waylandFrameFor(const WaylandSession& session);

// Reads the session from the environment and sets the variable Qt reads its choice from. Call it
// before the application object is made.
void chooseWaylandFrame();

} // namespace qtshell
