#pragma once

// The options and their persistence: ReadIni fills the option controls from the settings store
// once at start-up, WriteIni writes them back once at shut-down. Also the guards of the days box.

#include "platform/SettingsStore.h"
#include "state/Options.h"

#include <string>

namespace tarnwick {

// Section and key names in the settings store.
namespace SettingsKey {
constexpr char Cache[] = "Cache";
constexpr char Days[] = "Days";
constexpr char ValidExtensions[] = "ValidExtensions";
constexpr char Browser[] = "Browser";
constexpr char Viewer[] = "Viewer";
constexpr char AutoLaunch[] = "AutoLaunch";
constexpr char Doradoza[] = "Doradoza";
constexpr char InternetAddress[] = "InternetAddress";
constexpr char EnableScheduler[] = "EnableScheduler";
constexpr char AccessProgram[] = "AccessProgram";
constexpr char AutoLogon[] = "AutoLogon";
constexpr char LogonKeys[] = "LogonKeys";
constexpr char LogoffKeys[] = "LogoffKeys";
} // namespace SettingsKey

constexpr char DefaultCacheDays[] = "3";
constexpr char DefaultValidExtensions[] = "txt gif bmp jpg jpeg htm html "; // the trailing blank matters

// Fills the options from the store, in the order of the table of options. The check box of the
// schedule is set through options, so its click handler switches the schedule timer here already.
// The auto-launch box is read only while the web viewer file exists, the auto-logon box and both
// keystroke texts only while the access program file exists; otherwise they are cleared.
void ReadIni(Options& options, const SettingsStore& store);

// Writes every option to the store, changed or not; check boxes as "0" or "1".
void WriteIni(const Options& options, SettingsStore& store);

// Whether a typed character may enter the days box: the digits "0" to "9" only (no backspace,
// Enter or control characters either).
bool CacheDaysAcceptsChar(char32_t c);

// The days box's text after a key is released: a text that reads as the number 0 ("", "0", "00")
// becomes "3"; any other text stays as it is.
std::string CacheDaysAfterKeyRelease(const std::string& text);

} // namespace tarnwick
