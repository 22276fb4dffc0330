#pragma once
// Plays the user: records every message box and answers from a script.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "shared/platform.h"

namespace ambrel::testing {

class ScriptedUserInteraction final : public IUserInteraction {
public:
    struct Box {
        std::string Text;
        int Style = 0;
        std::string Title;
    };

    int MsgBox(const std::string& text, int style, const std::string& title) override {
        Boxes.push_back({text, style, title});
        if (OnBox) OnBox();
        if (Answers.empty()) return kAnswerOk;
        int answer = Answers.front();
        Answers.pop_front();
        return answer;
    }

    std::vector<Box> Boxes;
    std::deque<int> Answers;  // kAnswerOk when empty
    // Called as each box is shown, before it is answered.
    std::function<void()> OnBox;
};

class FakeClock final : public IClock {
public:
    explicit FakeClock(double now = 0) : Time(now) {}
    double Now() override { return Time; }
    int UtcOffsetMinutes() override { return OffsetMinutes; }
    // Moves with Time, less whatever the clock was set by (ClockSetBy days).
    double ElapsedSeconds() override { return (Time - ClockSetBy) * 86400.0; }
    double Time;
    int OffsetMinutes = 60;
    double ClockSetBy = 0;
};

}  // namespace ambrel::testing
