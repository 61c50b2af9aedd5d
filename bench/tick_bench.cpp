// The run timer on its own, seen from inside: how late each tick comes after the run's start,
// by the same monotonic clock. With nothing else in the program, this is the timer's own
// accuracy; the end-to-end figure adds the way a press travels.
//
//   tick_bench [INTERVAL_MS [RUNS]]   prints {"late_ms": [...]} once every run has ticked

#include "window/qt/deadline_timer.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <charconv>
#include <chrono>
#include <iostream>
#include <optional>
#include <span>
#include <sstream>
#include <string_view>
#include <vector>

namespace {

[[nodiscard]] std::optional<int> numberAt(std::span<char*> arguments, std::size_t index)
{
    if (index >= arguments.size()) {
        return std::nullopt;
    }
    const std::string_view text(arguments[index]);
    int value = 0;
    const auto [end, error] = std::from_chars(text.begin(), text.end(), value);
    if (error != std::errc {} || end != text.end()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

int main(int argc, char** argv)
{
    const QCoreApplication app(argc, argv);
    const std::span arguments(argv, static_cast<std::size_t>(argc));
    const std::chrono::milliseconds interval(numberAt(arguments, 1).value_or(10000));
    const int runs = numberAt(arguments, 2).value_or(5);

    qtshell::DeadlineTimer timer(interval);
    QElapsedTimer sinceStart;
    std::vector<double> late;
    QObject::connect(&timer, &qtshell::DeadlineTimer::timeout, &timer, [&] {
        const std::chrono::nanoseconds elapsed(sinceStart.nsecsElapsed());
        late.push_back(std::chrono::duration<double, std::milli>(elapsed - interval).count());
        // Each run starts the timer afresh, as the first press of a game does.
        timer.stop();
        if (static_cast<int>(late.size()) == runs) {
            QCoreApplication::quit();
            return;
        }
        sinceStart.start();
        timer.start();
    });
    sinceStart.start();
    timer.start();
    const int status = QCoreApplication::exec();

    std::ostringstream out;
    out << R"({"late_ms": [)";
    for (std::size_t i = 0; i < late.size(); ++i) {
        out << (i == 0 ? "" : ", ") << late[i];
    }
    out << "]}\n";
    std::cout << out.str();
    return status;
}
