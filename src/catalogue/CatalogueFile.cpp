#include "catalogue/CatalogueFile.h"

#include "schedule/ScheduleRule.h"
#include "support/Files.h"
#include "support/Text.h"
#include "support/Wait.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace tarnwick {

namespace {

constexpr char LoadingCaption[] = "Loading Links";

// Repainting the status text for every link of a large file would cost more than the load itself;
// about 30 pictures a second look the same to the user.
constexpr auto StatusInterval = std::chrono::milliseconds(1000 / 30);

// Shows "Loading" and a link's title: the first link at once, later ones at most once per
// StatusInterval, and the last one when the load ends, so the window never lags behind for good.
class LinkProgress
{
public:
    explicit LinkProgress(StatusDisplay& status)
        : m_status(status)
    { }

    void Loaded(const std::string& title)
    {
        const auto now = std::chrono::steady_clock::now();
        if (m_shownAny && now - m_lastShown < StatusInterval) {
            m_pending = title;
            return;
        }
        Show(title);
        m_lastShown = now;
        m_shownAny = true;
    }

    void Finish()
    {
        if (m_pending)
            Show(*m_pending);
    }

private:
    void Show(const std::string& title)
    {
        m_status.StatusWindow(LoadingCaption, std::string("Loading ") + CrLf + title, "", false);
        m_pending.reset();
    }

    StatusDisplay& m_status;
    std::chrono::steady_clock::time_point m_lastShown;
    bool m_shownAny = false;
    std::optional<std::string> m_pending;
};

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// The absolute "http://" address of an anchor or embedded reference, normalised; "" when the tag
// holds none (no attribute, a relative or unquoted address, another scheme).
std::string AddressOfTag(std::string_view tag)
{
    std::size_t at = FindIgnoreCase(tag, "href=");
    if (at == 0)
        at = FindIgnoreCase(tag, "src=");
    if (at == 0)
        return {};
    const std::string quoted = FindBetween(tag, at, "\"", "\"");
    if (!StartsWithIgnoreCase(quoted, "\"http://"))
        return {};
    std::string address = quoted.substr(1, quoted.size() - 2);
    // Control characters have no place in an address (a line end would cut the request short);
    // they go, as browsers drop the line breaks of an address that was wrapped.
    std::erase_if(address, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });

    if (EndsWith(address, "/"))
        address += "index.html";
    if (const std::size_t hash = address.find('#'); hash != std::string::npos)
        address.resize(hash);
    // A redirecting address that carries its target as the last parameter stands for that target;
    // any other address with a query is kept whole, or it could never be loaded again.
    if (const std::size_t equals = address.rfind('='); equals != std::string::npos) {
        const std::string_view target = std::string_view(address).substr(equals + 1);
        if (StartsWithIgnoreCase(target, "http://"))
            address = std::string(target);
    }
    return address;
}

// A cache file is always a plain name inside the cache folder; anything that could point outside
// it (or at the folder itself) comes from a damaged or foreign file and is not taken.
bool IsBareFileName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    for (const char c : name) {
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20)
            return false;
    }
    return true;
}

// Applies one "<!key=value>" tag to the record. Unknown keys, tags without "=" and numbers outside
// the 16-bit range change nothing, so a damaged tag costs one field, not the rest of the file.
void ApplyFieldTag(std::string_view tag, LinkRecord& record)
{
    const std::size_t equals = tag.find('=');
    if (equals == std::string_view::npos)
        return;
    // The tag ends at its first ">", which is the first ">" after the "=".
    const std::string_view value = tag.substr(equals + 1, tag.size() - equals - 2);
    const std::string key = ToLower(tag.substr(0, 7));
    int number = 0;
    if (key == "<!frequ") {
        if (ReadInt16(value, number))
            record.Frequency = number;
    } else if (key == "<!time=") {
        if (ReadInt16(value, number))
            record.Hour = number;
    } else if (key == "<!depth") {
        if (ReadInt16(value, number))
            record.Depth = number;
    } else if (key == "<!width") {
        if (ReadInt16(value, number))
            record.OutsideHosts = number;
    } else if (key == "<!local") {
        if (IsBareFileName(value))
            record.LocalFile = std::string(value);
    } else if (key == "<!last=") {
        record.LastDownload = ReadNumber(value);
    }
}

// Reads the field tags that follow a link's title, from position reading. Returns where scanning
// goes on: past the last tag read, or at the first tag that is neither a field tag nor "</a>" (the
// next line's anchor, for one), so that the scan examines it.
std::size_t ReadFieldTags(std::string_view text, std::size_t reading, LinkRecord& record)
{
    for (;;) {
        std::size_t tagStart = reading;
        const std::string tag = FindBetween(text, tagStart, "<", ">");
        if (tag.empty())
            return reading;
        if (StartsWith(tag, "<!")) {
            ApplyFieldTag(tag, record);
        } else if (tag != "</a>") {
            return tagStart;
        }
        reading = tagStart + tag.size();
    }
}

// Windows-1252 characters 0x80..0x9F; the five unassigned bytes map to the C1 controls of the same
// value, which PrintableOnly then removes.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC,
    0x0081,
    0x201A,
    0x0192,
    0x201E,
    0x2026,
    0x2020,
    0x2021,
    0x02C6,
    0x2030,
    0x0160,
    0x2039,
    0x0152,
    0x008D,
    0x017D,
    0x008F,
    0x0090,
    0x2018,
    0x2019,
    0x201C,
    0x201D,
    0x2022,
    0x2013,
    0x2014,
    0x02DC,
    0x2122,
    0x0161,
    0x203A,
    0x0153,
    0x009D,
    0x017E,
    0x0178,
};

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string Cp1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (const char byte : text) {
        const auto c = static_cast<unsigned char>(byte);
        if (c >= 0x80 && c <= 0x9F)
            AppendUtf8(out, Cp1252High[c - 0x80]);
        else
            AppendUtf8(out, c);
    }
    return out;
}

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t more;
        char32_t c;
        char32_t lowest;
        if ((lead & 0xE0) == 0xC0) {
            more = 1;
            c = lead & 0x1F;
            lowest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            more = 2;
            c = lead & 0x0F;
            lowest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            more = 3;
            c = lead & 0x07;
            lowest = 0x10000;
        } else {
            return false;
        }
        if (text.size() - i <= more)
            return false;
        for (std::size_t k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (next & 0x3F);
        }
        if (c < lowest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        i += more + 1;
    }
    return true;
}

std::string FileError(const std::string& path, int error)
{
    return "Cannot write the catalogue file " + path + ": " + std::strerror(error);
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

std::string CatalogueFilePath(const Folders& folders)
{
    return folders.Base + CatalogueFileName;
}

std::string FindBetween(std::string_view text, std::size_t& start, std::string_view open, std::string_view close)
{
    if (open.empty())
        return {};
    const std::size_t openAt = FindIgnoreCase(text, open, start);
    if (openAt == 0)
        return {};
    const std::size_t closeAt = FindIgnoreCase(text, close, openAt + 1);
    if (closeAt == 0)
        return {};
    start = openAt;
    return std::string(TrimBlanks(text.substr(openAt - 1, closeAt + close.size() - openAt)));
}

std::string PrintableOnly(std::string_view text)
{
    const std::string utf8 = IsValidUtf8(text) ? std::string(text) : Cp1252ToUtf8(text);
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x20 || c == 0x7F)
            continue;
        // U+0080..U+009F are C2 80..C2 9F; in valid UTF-8 a C2 is always followed by one more byte.
        if (c == 0xC2 && static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
            ++i;
            continue;
        }
        out += utf8[i];
    }
    return out;
}

bool LoadCatalogue(const std::string& path, bool append, Catalogue& links, LinkListView& list, StatusDisplay& status,
    CatalogueLoadEvents& events, const Clock& clock)
{
    status.StatusWindow(LoadingCaption, "Loading Link Data", "", false);
    ProcessPendingEvents();

    if (!append) {
        links.Replace(list);
        events.ResetLinkDetails();
    }

    // The whole file as one text, so no anchor or tag is ever cut in two.
    std::string text;
    if (!ReadWholeFile(path, text)) {
        status.UnloadStatusWindow();
        return false;
    }

    // The loader never takes a second link with an address the catalogue already holds.
    std::unordered_set<std::string> known;
    for (const LinkRecord& record : links.Records())
        known.insert(record.URL);

    LinkProgress progress(status);
    std::size_t scan = 1;
    for (;;) {
        std::size_t tagStart = scan;
        const std::string tag = FindBetween(text, tagStart, "<", ">");
        if (tag.empty())
            break;
        const std::size_t after = tagStart + tag.size();
        std::string address = AddressOfTag(tag);
        if (address.empty() || known.contains(address)) {
            scan = after;
            continue;
        }

        LinkRecord record;
        record.URL = std::move(address);
        // The title is the text up to the next tag; without one, or without a printable
        // character, the address stands in for it.
        const std::size_t titleEnd = Find(text, "<", after);
        if (titleEnd != 0)
            record.Title = PrintableOnly(std::string_view(text).substr(after - 1, titleEnd - after));
        if (record.Title.empty())
            record.Title = PrintableOnly(record.URL); // the address itself, as valid UTF-8
        scan = ReadFieldTags(text, titleEnd != 0 ? titleEnd : text.size() + 1, record);
        record.NextDownload = NextDownloadTime(record, clock);

        known.insert(record.URL);
        const int index = links.Append(std::move(record), list);
        ++links.LinkCount;
        progress.Loaded(links.At(index).Title);
        ProcessPendingEvents();
    }
    progress.Finish();

    // The link to show: the first one after a replace, after an import the one following the
    // item that was current (the first when none was). When there is none, nothing is shown.
    const int target = append ? list.CurrentPosition() + 1 : 0;
    if (target >= 0 && target < list.ItemCount()) {
        list.SetCurrentPosition(target);
        events.ShowCurrentLink();
    }
    status.UnloadStatusWindow();
    return true;
}

std::string CatalogueLine(const LinkRecord& link)
{
    // An address typed by hand may hold a character that would end the quoted value or the tag
    // (and so lose the link at the next load); those are written percent-encoded, which names the
    // same address.
    std::string url;
    for (char c : link.URL) {
        switch (c) {
        case '"':
            url += "%22";
            break;
        case '<':
            url += "%3C";
            break;
        case '>':
            url += "%3E";
            break;
        default:
            url += c;
        }
    }
    std::string line = "<a href=\"" + url + "\">" + link.Title + "</a>";
    if (!link.LocalFile.empty())
        line += "<!local=" + link.LocalFile + ">";
    if (link.Frequency > 0)
        line += "<!frequency=" + std::to_string(link.Frequency) + ">";
    if (link.Hour > 0)
        line += "<!time=" + std::to_string(link.Hour) + ">";
    if (link.Depth > 0)
        line += "<!depth=" + std::to_string(link.Depth) + ">";
    if (link.OutsideHosts > 0)
        line += "<!width=" + std::to_string(link.OutsideHosts) + ">";
    if (link.LastDownload > 0)
        line += "<!last=" + NumberText(link.LastDownload) + ">";
    line += CrLf;
    return line;
}

bool SaveCatalogue(const Catalogue& links, const Folders& folders, std::string& error)
{
    error.clear();
    const std::string path = CatalogueFilePath(folders);
    std::string text;
    for (const LinkRecord& record : links.Records())
        text += CatalogueLine(record);

    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        error = FileError(path, errno);
        return false;
    }
    // The new file takes the old one's permissions (a fresh one those of an ordinary file); should
    // that fail, the file keeps the owner-only permissions it was created with, which is harmless.
    struct stat old
    {
    };
    (void)::fchmod(fd, ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);

    // Flushed to the disk before it replaces the old file, so a crash leaves one or the other whole.
    const bool written = WriteAll(fd, text) && ::fsync(fd) == 0;
    int failure = written ? 0 : errno;
    if (::close(fd) != 0 && failure == 0)
        failure = errno;
    if (failure == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
        failure = errno;
    if (failure != 0) {
        ::unlink(temporary.c_str());
        error = FileError(path, failure);
        return false;
    }

    // Makes the rename itself durable. A failure here is ignored: the new file is in place and
    // complete, only a power loss in the next moments could bring the old one back.
    const int folder = ::open(folders.Base.empty() ? "." : folders.Base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        (void)::fsync(folder);
        ::close(folder);
    }
    return true;
}

} // namespace tarnwick
