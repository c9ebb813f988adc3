#include "pages/ActivityLog.h"

#include "support/DayNumber.h"
#include "support/Files.h"
#include "support/Text.h"

#include <cstdio>
#include <memory>

namespace tarnwick {

std::string EscapeAddress(const std::string& address)
{
    std::string escaped;
    escaped.reserve(address.size());
    for (char c : address) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

bool CreateLogHTML(const ProgramState& state, StatusDisplay& display, const Clock& clock)
{
    display.SetReceivingText("Creating Log File");
    const std::string& cache = state.Folder.Cache;

    std::string page = "<html><title>Doradoza Tarnwick Log</title>" + std::string(CrLf);
    for (const LinkRecord& link : state.Links.Records()) {
        const std::string url = EscapeAddress(link.URL);
        page += "<hr><h1>" + link.Title + "</h1>" + CrLf;
        const std::string copy = cache + link.LocalFile;
        if (!link.LocalFile.empty() && FileExists(copy)) {
            page += "Was last downloaded from <a href=\"" + url + "\">" + url + "</a>" + CrLf;
            page += " on " + std::string(TrimBlanks(FileDateText(copy))) + CrLf;
            page += " at " + std::string(TrimBlanks(FileTimeText(copy))) + CrLf;
            page += " and stored in <a href=\"" + EscapeAddress(link.LocalFile) + "\">" + EscapeAddress(copy) + "</a>."
                + CrLf;
        } else {
            page += "Was not yet been downloaded from <a href=\"" + url + "\">" + url + "</a>." + CrLf;
        }
    }
    const DateTimeParts now = PartsOfDayNumber(clock.NowAsDayNumber());
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%02d-%02d-%04d at %02d:%02d:%02d", now.month, now.day, now.year, now.hour,
        now.minute, now.second);
    page += "<hr>This log was created on " + std::string(stamp) + "." + CrLf;

    // Written whole into a new file that then replaces the old one: a reader never sees half a log.
    const std::string path = cache + "tarnwick.htm";
    const std::string work = path + ".new";
    bool written = false;
    if (std::FILE* out = std::fopen(work.c_str(), "wb")) {
        written = std::fwrite(page.data(), 1, page.size(), out) == page.size();
        written = std::fclose(out) == 0 && written;
    }
    written = written && std::rename(work.c_str(), path.c_str()) == 0;
    if (!written)
        DeleteFile(work);
    display.SetReceivingText("");
    return written;
}

void LaunchBrowser(const ProgramState& state, const Options& options, Programs& programs)
{
    const std::string viewer = options.Get(Option::WebViewer);
    if (!FileExists(viewer))
        return;
    const std::string log = state.Folder.Cache + "tarnwick.htm";
    // The log path is passed as one argument, so a folder with blanks in its name still works.
    if (FileExists(log))
        programs.Start(viewer, {log});
    else
        programs.Start(viewer, {});
}

} // namespace tarnwick
