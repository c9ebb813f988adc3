#pragma once

#include "platform/Programs.h"
#include "schedule/RunControl.h"

#include <string>
#include <vector>

namespace tarnwick::test {

// The windows as run control sees them, recorded.
class FakeRunUi final : public RunUi
{
public:
    bool LinkDetailsShown() const override { return DetailsShown; }
    void ToggleLinkDetails() override { DetailsShown = !DetailsShown; }
    bool ConfirmLogon() override
    {
        ++LogonQuestions;
        return LogonAnswer;
    }
    void SetScheduleTimer(bool on) override
    {
        TimerOn = on;
        TimerChanges.push_back(on);
    }

    bool DetailsShown = false;
    bool LogonAnswer = true;
    int LogonQuestions = 0;
    bool TimerOn = false;
    std::vector<bool> TimerChanges;
};

class FakeDialUp final : public DialUp
{
public:
    explicit FakeDialUp(SessionState& session)
        : m_session(session)
    { }
    void LogonToInternet() override
    {
        ++Logons;
        m_session.LoggedOn = true;
    }
    void LogoffInternet() override
    {
        ++Logoffs;
        m_session.LoggedOn = false;
    }
    int Logons = 0;
    int Logoffs = 0;

private:
    SessionState& m_session;
};

class FakePrograms final : public Programs
{
public:
    struct Started
    {
        std::string Program;
        std::vector<std::string> Arguments;
    };
    long long Start(const std::string& program, const std::vector<std::string>& arguments) override
    {
        Starts.push_back({program, arguments});
        return NextPid;
    }
    std::vector<Started> Starts;
    long long NextPid = 4242;
};

} // namespace tarnwick::test
