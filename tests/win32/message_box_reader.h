#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Answers the message boxes a window owns the way a player would, from a thread of its own (the
// window's thread is inside the box's loop): reads each box, then presses its OK.
class MessageBoxReader {
public:
    struct Seen {
        std::wstring title;
        std::wstring text;
        std::vector<std::wstring> buttons; // as shown, without mnemonic markers
        bool hasIcon = false;
    };

    // `whileOpen` runs on the reader's thread while each box is open, before OK is pressed.
    explicit MessageBoxReader(HWND owner, std::function<void(HWND box)> whileOpen = {});
    MessageBoxReader(const MessageBoxReader&) = delete;
    MessageBoxReader& operator=(const MessageBoxReader&) = delete;
    MessageBoxReader(MessageBoxReader&&) = delete;
    MessageBoxReader& operator=(MessageBoxReader&&) = delete;
    ~MessageBoxReader();

    [[nodiscard]] std::vector<Seen> boxes() const;
    [[nodiscard]] std::vector<std::wstring> texts() const;

private:
    void watch();
    [[nodiscard]] HWND openBox() const;

    HWND m_owner;
    std::function<void(HWND)> m_whileOpen;
    mutable std::mutex m_mutex;
    std::vector<Seen> m_boxes;
    std::atomic<bool> m_stopping = false;
    std::thread m_thread;
};
