#include "support/Files.h"

#include "support/DayNumber.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tarnwick {

namespace {

struct FdCloser
{
    int fd;
    ~FdCloser()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

bool RegularFileMTime(const std::string& path, std::time_t& mtime)
{
    if (path.empty())
        return false;
    // Non-blocking, so a named pipe cannot hang the caller; it is no regular file anyway.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    FdCloser closer{fd};
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    mtime = info.st_mtime;
    return true;
}

// The search window: large enough that a search costs about one read of the file.
constexpr std::size_t WindowSize = 64 * 1024;

} // namespace

bool FileExists(const std::string& path)
{
    std::time_t mtime;
    return RegularFileMTime(path, mtime);
}

double FileModifiedDayNumber(const std::string& path)
{
    std::time_t mtime;
    return RegularFileMTime(path, mtime) ? DayNumberOfLocalTime(mtime) : 0.0;
}

std::string FileDateText(const std::string& path)
{
    std::time_t mtime;
    return RegularFileMTime(path, mtime) ? DateText(DayNumberOfLocalTime(mtime)) : std::string();
}

std::string FileTimeText(const std::string& path)
{
    std::time_t mtime;
    return RegularFileMTime(path, mtime) ? TimeText(DayNumberOfLocalTime(mtime)) : std::string();
}

std::int64_t FindInFile(std::int64_t start, std::string_view pattern, const std::string& path)
{
    if (pattern.empty() || path.empty())
        return 0;
    start = std::max<std::int64_t>(start, 1);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    FdCloser closer{fd};

    // Windows overlap by len(pattern) - 1 bytes, so a match that straddles two windows is found.
    std::vector<char> window(std::max(WindowSize, pattern.size() * 2));
    std::int64_t windowStart = start; // file offset (from 1) of window[0]
    std::size_t kept = 0; // bytes carried over from the previous window
    for (;;) {
        const ssize_t got = ::pread(fd, window.data() + kept, window.size() - kept,
            static_cast<off_t>(windowStart - 1 + static_cast<std::int64_t>(kept)));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return 0;
        }
        const std::size_t filled = kept + static_cast<std::size_t>(got);
        const std::string_view view(window.data(), filled);
        const std::size_t at = view.find(pattern);
        if (at != std::string_view::npos)
            return windowStart + static_cast<std::int64_t>(at);
        if (got == 0)
            return 0;
        if (filled < pattern.size()) {
            kept = filled; // a short read before the end: read on behind what we have
            continue;
        }
        kept = pattern.size() - 1;
        std::memmove(window.data(), window.data() + filled - kept, kept);
        windowStart += static_cast<std::int64_t>(filled - kept);
    }
}

bool DeleteFile(const std::string& path)
{
    return std::remove(path.c_str()) == 0 || errno == ENOENT;
}

bool ReadWholeFile(const std::string& path, std::string& contents)
{
    contents.clear();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return false;
    char buffer[64 * 1024];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        contents.append(buffer, got);
    return !std::ferror(file.get());
}

} // namespace tarnwick
