#include "window/win32/design_font.h"

#include "window/win32/message_parameter.h"
#include "window/win32/wide_text.h"

#include <algorithm>
#include <stdexcept>

namespace win32shell {
namespace {

// The signature GDI calls, swappable parameters and all.
// NOLINTBEGIN(bugprone-easily-swappable-parameters)
int CALLBACK noteScalableFace(
    const LOGFONTW* /*font*/, const TEXTMETRICW* /*metrics*/, DWORD fontType, LPARAM found)
// NOLINTEND(bugprone-easily-swappable-parameters)
{
    if ((fontType & RASTER_FONTTYPE) != 0) {
        return 1; // a bitmap face: look on for an outline one of the same name
    }
    *fromParameter<bool*>(found) = true;
    return 0;
}

bool isScalableFaceInstalled(HDC screen, const std::wstring& face)
{
    LOGFONTW wanted {};
    wanted.lfCharSet = DEFAULT_CHARSET;
    if (face.size() >= std::size(wanted.lfFaceName)) {
        return false;
    }
    std::copy(face.begin(), face.end(), std::begin(wanted.lfFaceName));
    bool found = false;
    EnumFontFamiliesExW(screen, &wanted, noteScalableFace, toParameter<LPARAM>(&found), 0);
    return found;
}

} // namespace

std::wstring chooseDesignFace()
{
    const ScreenDc screen(GetDC(nullptr));
    if (!screen) {
        return {};
    }
    std::wstring face = toWide(window::DesignFontFamily);
    if (isScalableFaceInstalled(screen.get(), face)) {
        return face;
    }
    for (const std::u16string_view fallback : window::DesignFontFallbacks) {
        face = toWide(fallback);
        if (isScalableFaceInstalled(screen.get(), face)) {
            return face;
        }
    }
    return {};
}

OwnedFont createDesignFont(const std::wstring& face, const window::FontDesign& design, int dpi)
{
    LOGFONTW font {};
    font.lfHeight = -window::fontPixelsAt(design.points, dpi); // the character height, as designed
    font.lfWeight = design.weight;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_TT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    const std::size_t copied = std::min(face.size(), std::size(font.lfFaceName) - 1);
    std::copy_n(face.begin(), copied, std::begin(font.lfFaceName));
    OwnedFont made(CreateFontIndirectW(&font));
    if (!made) {
        // GDI sets no error code for this; whatever the thread last had would mislead.
        throw std::runtime_error("The window's font could not be made");
    }
    return made;
}

} // namespace win32shell
