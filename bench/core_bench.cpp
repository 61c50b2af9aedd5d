// The game's logic on its own, with no window behind it: what one counted press costs, and the
// conversions and the rating message every press or run goes through.

#include "clicktest/controller.h"
#include "clicktest/number_text.h"
#include "clicktest/rating.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstddef>

namespace {

using clicktest::Control;
using clicktest::Text;

// The window as plain strings: what a press reads and writes, and nothing else.
class MemoryView final : public clicktest::ClickTestView {
public:
    [[nodiscard]] Text GetText(Control control) const override
    {
        return m_texts.at(index(control));
    }
    void SetText(Control control, std::u16string_view text) override
    {
        m_texts.at(index(control)) = Text(text);
    }
    void SetTimerEnabled(bool /*enabled*/) override { }
    void ShowMessage(std::u16string_view /*prompt*/) override { }

private:
    [[nodiscard]] static std::size_t index(Control control)
    {
        return static_cast<std::size_t>(control);
    }

    std::array<Text, 3> m_texts { Text(clicktest::IdleCaption), u"0", u"RECORD: 4" };
};

void CountedPress(benchmark::State& state)
{
    MemoryView view;
    clicktest::Controller controller(view, {});
    controller.Form_Load();
    controller.Command1_Click(); // the run has started; every later press is counted
    int sinceRestart = 0;
    for (auto _ : state) {
        controller.Command1_Click();
        // Counts stay in the range a person reaches, so the texts keep their usual length.
        if (++sinceRestart == 1000) {
            view.SetText(Control::Command1, u"1");
            sinceRestart = 0;
        }
    }
    benchmark::DoNotOptimize(view.GetText(Control::Command1));
}
BENCHMARK(CountedPress);

void NumberTextOfCount(benchmark::State& state)
{
    double count = 437.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(count);
        benchmark::DoNotOptimize(clicktest::NumberText(count));
    }
}
BENCHMARK(NumberTextOfCount);

void NumberTextOfRate(benchmark::State& state)
{
    double rate = 43.7;
    for (auto _ : state) {
        benchmark::DoNotOptimize(rate);
        benchmark::DoNotOptimize(clicktest::NumberText(rate));
    }
}
BENCHMARK(NumberTextOfRate);

void TextNumberOfCount(benchmark::State& state)
{
    const Text text = u"437";
    for (auto _ : state) {
        benchmark::DoNotOptimize(clicktest::TextNumber(text));
    }
}
BENCHMARK(TextNumberOfCount);

void TextNumberOfRate(benchmark::State& state)
{
    const Text text = u"43.7";
    for (auto _ : state) {
        benchmark::DoNotOptimize(clicktest::TextNumber(text));
    }
}
BENCHMARK(TextNumberOfRate);

void RatingMessageOfRate(benchmark::State& state)
{
    double rate = 4.37;
    for (auto _ : state) {
        benchmark::DoNotOptimize(rate);
        benchmark::DoNotOptimize(clicktest::RatingMessage(rate));
    }
}
BENCHMARK(RatingMessageOfRate);

} // namespace

BENCHMARK_MAIN();
