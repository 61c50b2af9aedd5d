#pragma once

#include "clicktest/controller.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace clicktest::testing_support {

// An in-memory window: it starts as the real one does, records what the game shows, and can
// be told to fail writing a control or to run something while a message is up.
class RecordingView final : public ClickTestView {
public:
    [[nodiscard]] Text GetText(Control control) const override { return m_texts.at(control); }
    void SetText(Control control, std::u16string_view text) override
    {
        if (failingSetText == control) {
            throw ControlError("control call failed");
        }
        m_texts[control] = Text(text);
    }
    void SetTimerEnabled(bool enabled) override
    {
        timerEnabled = enabled;
        if (enabled) {
            ++timerStarts;
        }
    }
    void ShowMessage(std::u16string_view prompt) override
    {
        messages.emplace_back(prompt);
        if (whileMessageShown) {
            whileMessageShown();
        }
    }

    [[nodiscard]] const Text& TextOf(Control control) const { return m_texts.at(control); }

    bool timerEnabled = false;
    int timerStarts = 0;
    std::vector<Text> messages;
    std::function<void()> whileMessageShown;
    // Writing this control's text fails.
    std::optional<Control> failingSetText;

private:
    std::map<Control, Text> m_texts {
        { Control::Command1, Text(IdleCaption) },
        { Control::Counter, u"0" },
        { Control::Label1, u"RECORD: 4" },
    };
};

} // namespace clicktest::testing_support
