#include "settings/Settings.h"

#include "support/Files.h"
#include "support/Text.h"

namespace tarnwick {

namespace {

// A stored check-box value ticks its box exactly when it reads as the number 1 (rounded half to
// even): "1", " 1 ", "01", "1.0" tick; "0", "", "2", "-1", "yes" and "true" leave the box clear. The
// program writes only "0" and "1", so anything else is a hand edit it cannot vouch for, and every
// one of these boxes lets the program act unattended (start the viewer, run the schedule, dial and
// type keystrokes), so a doubtful value keeps it from doing that. WriteIni then stores "0".
std::string CheckBoxState(const std::string& stored)
{
    return RoundHalfEven(ReadNumber(stored)) == 1.0 ? "1" : "0";
}

std::string StateText(const Options& options, Option box)
{
    return options.IsTicked(box) ? "1" : "0";
}

} // namespace

void ReadIni(Options& options, const SettingsStore& store)
{
    using namespace SettingsKey;
    options.Set(Option::CacheDays, NumberText(ReadNumber(store.Get(Cache, Days, DefaultCacheDays))));
    options.Set(Option::ValidExtensions, store.Get(Cache, ValidExtensions, DefaultValidExtensions));

    options.Set(Option::WebViewer, store.Get(Browser, Viewer, ""));
    if (FileExists(options.Get(Option::WebViewer)))
        options.Set(Option::AutoLaunchBrowser, CheckBoxState(store.Get(Browser, AutoLaunch, "0")));
    else
        options.Set(Option::AutoLaunchBrowser, "0");

    options.Set(Option::InternetAddress, store.Get(Doradoza, InternetAddress, ""));
    options.Set(Option::EnableSchedule, CheckBoxState(store.Get(Doradoza, EnableScheduler, "0")));

    options.Set(Option::AccessProgram, store.Get(Doradoza, AccessProgram, ""));
    if (FileExists(options.Get(Option::AccessProgram))) {
        options.Set(Option::AutoLogon, CheckBoxState(store.Get(Doradoza, AutoLogon, "0")));
        options.Set(Option::LogonKeys, store.Get(Doradoza, LogonKeys, ""));
        options.Set(Option::LogoffKeys, store.Get(Doradoza, LogoffKeys, ""));
    } else {
        options.Set(Option::AutoLogon, "0");
        options.Set(Option::LogonKeys, "");
        options.Set(Option::LogoffKeys, "");
    }
}

void WriteIni(const Options& options, SettingsStore& store)
{
    using namespace SettingsKey;
    store.Save(Cache, Days, options.Get(Option::CacheDays));
    store.Save(Cache, ValidExtensions, options.Get(Option::ValidExtensions));
    store.Save(Browser, Viewer, options.Get(Option::WebViewer));
    store.Save(Browser, AutoLaunch, StateText(options, Option::AutoLaunchBrowser));
    store.Save(Doradoza, AccessProgram, options.Get(Option::AccessProgram));
    store.Save(Doradoza, AutoLogon, StateText(options, Option::AutoLogon));
    store.Save(Doradoza, InternetAddress, options.Get(Option::InternetAddress));
    store.Save(Doradoza, LogonKeys, options.Get(Option::LogonKeys));
    store.Save(Doradoza, LogoffKeys, options.Get(Option::LogoffKeys));
    store.Save(Doradoza, EnableScheduler, StateText(options, Option::EnableSchedule));
}

bool CacheDaysAcceptsChar(char32_t c)
{
    return c >= U'0' && c <= U'9';
}

std::string CacheDaysAfterKeyRelease(const std::string& text)
{
    return ReadNumber(text) == 0.0 ? std::string(DefaultCacheDays) : text;
}

} // namespace tarnwick
