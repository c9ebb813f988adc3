#pragma once

// Run control: when links are downloaded, and the run of one link from going on line to writing
// the log. At most one run is in progress at any time: the scheduled walk and the manual commands
// refuse to start while one is (a schedule tick that falls then is simply lost).

#include "catalogue/Catalogue.h"
#include "platform/Programs.h"
#include "platform/Socket.h"
#include "retrieval/Crawl.h"
#include "retrieval/Transfer.h"
#include "state/Options.h"
#include "state/ProgramState.h"
#include "state/StatusDisplay.h"
#include "support/Clock.h"

namespace tarnwick {

// Going on line and off line through the user's dial-up program.
class DialUp
{
public:
    virtual ~DialUp() = default;
    virtual void LogonToInternet() = 0;
    virtual void LogoffInternet() = 0;
};

// What run control asks of the windows.
class RunUi
{
public:
    virtual ~RunUi() = default;
    // Whether the link details window is shown, and the toggle that hides it.
    virtual bool LinkDetailsShown() const = 0;
    virtual void ToggleLinkDetails() = 0;
    // The "Doradoza Logon" message: true for OK, false for Cancel.
    virtual bool ConfirmLogon() = 0;
    // Switches the schedule timer on or off.
    virtual void SetScheduleTimer(bool on) = 0;
};

// Everything a run works with, owned elsewhere.
struct RunContext
{
    ProgramState& State;
    Options& Settings;
    RunUi& Ui;
    StatusDisplay& Display;
    Transfer& Transfers;
    Socket& Connection;
    DialUp& Dial;
    Programs& Launcher;
    const Clock& Time;
};

class RunControl
{
public:
    explicit RunControl(RunContext context);

    // Runs link i (1..N); false when downloading must stop (the logon message was cancelled, or a
    // transfer was).
    bool RunLink(int i);

    // The tick of the schedule timer: runs every due link, then logs off when on line.
    void ScheduleTick();
    // "Download Selected Links Now!": runs the selected links, then starts the web viewer or logs off.
    void DownloadNow(const LinkListView& list);
    // "Select Links To Be Downloaded Today": selects the links due within the next day.
    void TodaysSchedule(LinkListView& list);
    // The launch of the web viewer on the log page (the button, and after a manual run).
    void LaunchBrowserClick();

    bool IsRunning() const { return m_context.State.Session.RunInProgress; }

private:
    void RestoreScheduleTimer();

    RunContext m_context;
    Crawler m_crawler;
};

} // namespace tarnwick
