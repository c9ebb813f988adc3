#include "schedule/RunControl.h"

#include "pages/ActivityLog.h"
#include "pages/LinkRewriting.h"
#include "schedule/ScheduleRule.h"
#include "support/Files.h"

#include <algorithm>

namespace tarnwick {

namespace {

// Marks a run in progress for its whole length, however it ends.
class RunGuard
{
public:
    explicit RunGuard(SessionState& session)
        : m_session(session)
    {
        m_session.RunInProgress = true;
    }
    ~RunGuard() { m_session.RunInProgress = false; }
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;

private:
    SessionState& m_session;
};

// The crawl never goes deeper than the details window allows, whatever a hand-edited catalogue
// file holds: the walk holds one open page per level.
constexpr int MaxDepth = 5;

} // namespace

RunControl::RunControl(RunContext context)
    : m_context(context)
    , m_crawler(context.State, context.Transfers, context.Connection, context.Settings)
{ }

void RunControl::RestoreScheduleTimer()
{
    m_context.Ui.SetScheduleTimer(m_context.Settings.IsTicked(Option::EnableSchedule));
}

bool RunControl::RunLink(int i)
{
    ProgramState& state = m_context.State;
    if (!state.Links.IsValidIndex(i))
        return true;
    if (m_context.Ui.LinkDetailsShown())
        m_context.Ui.ToggleLinkDetails();
    state.RunStartTime = m_context.Time.NowAsDayNumber();

    if (!state.Session.LoggedOn) {
        if (m_context.Settings.IsTicked(Option::AutoLogon)
            && FileExists(m_context.Settings.Get(Option::AccessProgram))) {
            m_context.Dial.LogonToInternet();
        } else {
            if (!m_context.Ui.ConfirmLogon())
                return false;
            state.Session.LoggedOn = true;
        }
    }
    // The logon waits handle events; the catalogue cannot change then, but stay safe.
    if (!state.Links.IsValidIndex(i))
        return true;

    LinkRecord& link = state.Links.At(i);
    state.Crawl.StayOnHost = link.OutsideHosts == 0;
    state.Crawl.CrawlLevel = 0;
    state.Crawl.DepthLimit = std::clamp(link.Depth, 0, MaxDepth);
    m_context.Connection.SetRemoteHost("");
    DeleteFile(m_crawler.AliasPath());
    m_crawler.Aliases().Forget();

    // Copies: the record's own fields are written while the crawl reads its address.
    const std::string url = link.URL;
    std::string localFile;
    const bool ok = m_crawler.FetchURL(url, url, localFile);
    state.Links.At(i).LocalFile = localFile;
    if (ok) {
        if (state.Crawl.DepthLimit > 0)
            m_crawler.CrawlPage(url, localFile);
        LinkRecord& done = state.Links.At(i);
        done.LastDownload = m_context.Time.NowAsDayNumber();
        done.NextDownload = NextDownloadTime(done, m_context.Time);
    }

    m_context.Display.StatusWindow("Download Status", "Creating Log", "", true);
    CreateLogHTML(state, m_context.Display, m_context.Time);
    UpdateLinks(state, m_context.Display, &m_crawler.Aliases());
    m_context.Display.UnloadStatusWindow();
    return state.Transfer.State != TransferStateValue::Cancelled;
}

void RunControl::ScheduleTick()
{
    ProgramState& state = m_context.State;
    if (IsRunning())
        return; // the walk before this one is still running: this tick is lost
    RunGuard guard(state.Session);
    // A cancel belongs to the run it stopped; left over, it would stop this walk at its first link
    // that fetches nothing.
    state.Transfer.State = TransferStateValue::Finished;
    const int count = state.Links.Count();
    for (int i = 1; i <= count && i <= state.Links.Count(); ++i) {
        const double now = m_context.Time.NowAsDayNumber();
        const double next = state.Links.At(i).NextDownload;
        if (next > 0 && next <= now && !RunLink(i))
            break;
    }
    if (state.Session.LoggedOn)
        m_context.Dial.LogoffInternet();
}

void RunControl::DownloadNow(const LinkListView& list)
{
    ProgramState& state = m_context.State;
    if (IsRunning())
        return;
    RunGuard guard(state.Session);
    m_context.Ui.SetScheduleTimer(false);
    state.Transfer.State = TransferStateValue::Finished;
    bool any = false;
    bool last = false;
    const int count = state.Links.Count();
    for (int i = 1; i <= count; ++i) {
        if (list.IsSelected(i - 1))
            last = RunLink(i);
        if (last)
            any = true;
        if (state.Transfer.State == TransferStateValue::Cancelled)
            break;
    }
    if (any && m_context.Settings.IsTicked(Option::AutoLaunchBrowser))
        LaunchBrowserClick();
    else if (state.Session.LoggedOn && m_context.Settings.IsTicked(Option::AutoLogon))
        m_context.Dial.LogoffInternet();
    RestoreScheduleTimer();
}

void RunControl::TodaysSchedule(LinkListView& list)
{
    ProgramState& state = m_context.State;
    if (IsRunning())
        return;
    m_context.Ui.SetScheduleTimer(false);
    for (int i = 1; i <= state.Links.Count(); ++i) {
        const double now = m_context.Time.NowAsDayNumber();
        const double next = state.Links.At(i).NextDownload;
        list.SetSelected(i - 1, next > 0 && next < now + 1);
    }
    RestoreScheduleTimer();
}

void RunControl::LaunchBrowserClick()
{
    m_context.Ui.SetScheduleTimer(false);
    LaunchBrowser(m_context.State, m_context.Settings, m_context.Launcher);
    RestoreScheduleTimer();
}

} // namespace tarnwick
