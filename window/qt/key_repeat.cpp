#include "window/qt/key_repeat.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>

namespace qtshell {

void reportKeyRepeatsAsPresses() noexcept
{
    // Qt's offscreen platform answers as X11 too, with no display of its own.
    const auto* const x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    Display* const display = x11 != nullptr ? x11->display() : nullptr;
    if (display != nullptr) {
        // Where the server lacks XKB it stays as it was, and Qt's own guess remains.
        XkbSetDetectableAutoRepeat(display, True, nullptr);
    }
}

} // namespace qtshell
