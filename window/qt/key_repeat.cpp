#include "window/qt/key_repeat.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>

namespace qtshell {

void reportKeyRepeatsAsPresses() noexcept
{
    if (const auto* const x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        // Where the server lacks XKB it stays as it was, and Qt's own guess remains.
        XkbSetDetectableAutoRepeat(x11->display(), True, nullptr);
    }
}

} // namespace qtshell
