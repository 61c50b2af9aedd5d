#pragma once

#include "clicktest/number_text.h"

#include <QString>

#include <string_view>

namespace qtshell {

// The game's texts are UTF-16, as QString is: the one conversion each way, without re-encoding.
[[nodiscard]] inline QString toQString(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

[[nodiscard]] inline clicktest::Text toText(const QString& text)
{
    return text.toStdU16String();
}

} // namespace qtshell
