#include "message_box_reader.h"

#include "window/win32/message_parameter.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <utility>

namespace {

std::wstring textOf(HWND window)
{
    std::array<wchar_t, 1024> text {};
    const int length = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    return { text.data(), static_cast<std::size_t>(std::max(length, 0)) };
}

bool isClass(HWND window, const wchar_t* name)
{
    std::array<wchar_t, 64> className {};
    GetClassNameW(window, className.data(), static_cast<int>(className.size()));
    return lstrcmpiW(className.data(), name) == 0;
}

// A named CALLBACK rather than a lambda: 32-bit Windows calls it as stdcall.
BOOL CALLBACK collectChild(HWND child, LPARAM children)
{
    win32shell::fromParameter<std::vector<HWND>*>(children)->push_back(child);
    return TRUE;
}

std::vector<HWND> childrenOf(HWND parent)
{
    std::vector<HWND> children;
    EnumChildWindows(parent, collectChild, win32shell::toParameter<LPARAM>(&children));
    return children;
}

MessageBoxReader::Seen read(HWND box)
{
    MessageBoxReader::Seen seen { textOf(box), {}, {}, false };
    for (const HWND child : childrenOf(box)) {
        if (IsWindowVisible(child) == FALSE) {
            continue; // the box's template may keep buttons it does not show
        }
        if (isClass(child, L"Button")) {
            std::wstring caption = textOf(child);
            std::erase(caption, L'&');
            seen.buttons.push_back(caption);
        } else if (isClass(child, L"Static")) {
            const auto style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
            if ((style & SS_TYPEMASK) == SS_ICON) {
                seen.hasIcon = seen.hasIcon || SendMessageW(child, STM_GETICON, 0, 0) != 0;
            } else if (const std::wstring text = textOf(child); !text.empty()) {
                seen.text = text;
            }
        }
    }
    return seen;
}

} // namespace

MessageBoxReader::MessageBoxReader(HWND owner, std::function<void(HWND box)> whileOpen)
    : m_owner(owner)
    , m_whileOpen(std::move(whileOpen))
    , m_thread([this] { watch(); })
{
}

MessageBoxReader::~MessageBoxReader()
{
    m_stopping = true;
    m_thread.join();
}

std::vector<MessageBoxReader::Seen> MessageBoxReader::boxes() const
{
    const std::lock_guard lock(m_mutex);
    return m_boxes;
}

std::vector<std::wstring> MessageBoxReader::texts() const
{
    std::vector<std::wstring> texts;
    for (const Seen& seen : boxes()) {
        texts.push_back(seen.text);
    }
    return texts;
}

HWND MessageBoxReader::openBox() const
{
    HWND candidate = nullptr;
    while ((candidate = FindWindowExW(nullptr, candidate, L"#32770", nullptr)) != nullptr) {
        if (GetWindow(candidate, GW_OWNER) == m_owner && IsWindowVisible(candidate) != FALSE) {
            return candidate;
        }
    }
    return nullptr;
}

void MessageBoxReader::watch()
{
    while (!m_stopping) {
        const HWND box = openBox();
        if (box == nullptr) {
            Sleep(1);
            continue;
        }
        Seen seen = read(box);
        if (m_whileOpen) {
            m_whileOpen(box);
        }
        {
            const std::lock_guard lock(m_mutex);
            m_boxes.push_back(std::move(seen));
        }
        // What the OK button sends when it is clicked.
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (IsWindow(box) != FALSE && std::chrono::steady_clock::now() < giveUp) {
            Sleep(1);
        }
    }
}
