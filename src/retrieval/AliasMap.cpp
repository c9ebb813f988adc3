#include "retrieval/AliasMap.h"

#include "support/Files.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <unistd.h>

namespace tarnwick {

namespace {

class File
{
public:
    explicit File(int fd)
        : m_fd(fd)
    { }
    ~File()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    int Fd() const { return m_fd; }
    // Closes now so that a failed close (a write that never reached the disk) can be seen.
    bool Close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool HoldsAnyOf(std::string_view text, std::string_view characters)
{
    return text.find_first_of(characters) != std::string_view::npos;
}

// Reads up to size bytes at offset (from 0); the count read, 0 at the end of the file or on error.
std::size_t ReadAt(int fd, char* buffer, std::size_t size, std::int64_t offset)
{
    for (;;) {
        const ssize_t got = ::pread(fd, buffer, size, static_cast<off_t>(offset));
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            return 0;
    }
}

// Reads the rest of a line whose first field ends just before offset (from 0): "," and the name
// between double quotes. False when the line does not have that shape.
bool ReadFileNameField(int fd, std::int64_t offset, std::string& name)
{
    constexpr std::string_view Separator = ",\"";
    std::string tail;
    char buffer[512]; // a local name is twelve bytes, so one read is the rule
    for (;;) {
        const std::size_t got = ReadAt(fd, buffer, sizeof buffer, offset);
        if (got == 0)
            return false;
        const std::size_t searchFrom = std::max(tail.size(), Separator.size());
        tail.append(buffer, got);
        offset += static_cast<std::int64_t>(got);
        const std::size_t head = std::min(tail.size(), Separator.size());
        if (std::string_view(tail).substr(0, head) != Separator.substr(0, head))
            return false;
        if (tail.size() <= searchFrom)
            continue;
        const std::size_t end = tail.find_first_of("\"\r\n", searchFrom);
        if (end == std::string::npos)
            continue;
        if (tail[end] != '"')
            return false;
        name = tail.substr(Separator.size(), end - Separator.size());
        return true;
    }
}

} // namespace

bool AddAlias(const std::string& aliasPath, std::string_view url, std::string_view fileName, AliasEntry& currentAlias)
{
    currentAlias.URL = std::string(url);
    currentAlias.FileName = std::string(fileName);
    if (HoldsAnyOf(url, "\"\r\n") || fileName.empty() || HoldsAnyOf(fileName, std::string_view("\"\r\n/\\\0", 6)))
        return false;

    std::string line;
    line.reserve(url.size() + fileName.size() + 7);
    line += '"';
    line += url;
    line += "\",\"";
    line += fileName;
    line += "\"\r\n";

    File file(::open(aliasPath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (file.Fd() < 0)
        return false;
    std::string_view rest(line);
    while (!rest.empty()) {
        const ssize_t wrote = ::write(file.Fd(), rest.data(), rest.size());
        if (wrote < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        rest.remove_prefix(static_cast<std::size_t>(wrote));
    }
    return file.Close();
}

bool LookupAlias(const std::string& aliasPath, std::string_view url, AliasEntry& currentAlias)
{
    currentAlias = {};
    if (HoldsAnyOf(url, "\"\r\n"))
        return false; // never written, and would match across fields

    std::string quoted;
    quoted.reserve(url.size() + 3);
    quoted += "\n\"";
    quoted += url;
    quoted += '"';
    const std::string_view field = std::string_view(quoted).substr(1);

    File file(::open(aliasPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Fd() < 0)
        return false;
    // The match must open a line: elsewhere it is a name field, or pieces of two fields of a line.
    // The first line is compared directly; any other line start follows a line feed, which no field
    // holds. Searching with the line feed in front also finds the line in one pass, and a line feed
    // is rarer than a double quote, which keeps the search cheap.
    std::int64_t at = 1;
    std::string head(field.size(), '\0');
    if (ReadAt(file.Fd(), head.data(), head.size(), 0) != head.size() || head != field) {
        const std::int64_t lineFeed = FindInFile(1, quoted, aliasPath);
        if (lineFeed == 0)
            return false;
        at = lineFeed + 1;
    }

    std::string name;
    if (!ReadFileNameField(file.Fd(), at - 1 + static_cast<std::int64_t>(field.size()), name))
        return false;
    if (name.empty() || HoldsAnyOf(name, std::string_view("/\\\0", 3)))
        return false; // a name that could leave the cache folder is never handed out
    currentAlias.URL = std::string(url);
    currentAlias.FileName = std::move(name);
    return true;
}

} // namespace tarnwick
