#pragma once

#include "window/win32/message_loop.h"

#include <windows.h>

#include <chrono>
#include <map>
#include <optional>

// The game's message loop in small steps, for tests: dispatches what arrives, through the game's
// own filter, until a condition holds or time runs out. A WM_QUIT is kept, not obeyed.
class MessagePump {
public:
    explicit MessagePump(HWND form)
        : m_form(form)
    {
    }

    // True once `done()` holds; false if `timeout` passed first.
    template <typename Condition>
    bool runUntil(Condition done, std::chrono::milliseconds timeout = std::chrono::seconds(3))
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            dispatchQueued();
            if (done()) {
                return true;
            }
            if (std::chrono::steady_clock::now() >= end) {
                return false;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        }
    }

    void runFor(std::chrono::milliseconds duration)
    {
        (void)runUntil([] { return false; }, duration);
    }

    // Whether a message of this kind has come through, and how many.
    [[nodiscard]] bool saw(UINT kind) const { return m_seen.contains(kind); }
    [[nodiscard]] int count(UINT kind) const
    {
        const auto found = m_seen.find(kind);
        return found == m_seen.end() ? 0 : found->second;
    }

    // The key-downs that came through marked as the keyboard's auto-repeat.
    [[nodiscard]] int repeatedKeyDowns() const { return m_repeatedKeyDowns; }

    // The status of the WM_QUIT that arrived, if one did.
    [[nodiscard]] std::optional<int> quitStatus() const { return m_quitStatus; }

private:
    void dispatchQueued()
    {
        MSG message {};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
            ++m_seen[message.message];
            // Bit 30 of a key message: the key was already down.
            if (message.message == WM_KEYDOWN && (message.lParam & LPARAM { 1 } << 30) != 0) {
                ++m_repeatedKeyDowns;
            }
            if (message.message == WM_QUIT) {
                m_quitStatus = static_cast<int>(message.wParam);
            } else if (!win32shell::filterMessage(m_form, message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
    }

    HWND m_form;
    std::optional<int> m_quitStatus;
    std::map<UINT, int> m_seen;
    int m_repeatedKeyDowns = 0;
};
