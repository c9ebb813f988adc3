#include "retrieval/AliasMap.h"

#include "support/Files.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
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

bool AliasIndex::Refresh(const std::string& aliasPath)
{
    File file(::open(aliasPath.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info
    {
    };
    if (file.Fd() < 0 || ::fstat(file.Fd(), &info) != 0) {
        Forget();
        return false;
    }
    const bool sameFile = aliasPath == m_path && static_cast<std::uint64_t>(info.st_dev) == m_device
        && static_cast<std::uint64_t>(info.st_ino) == m_inode && info.st_size >= m_read;
    if (!sameFile) {
        m_first.clear();
        m_path = aliasPath;
        m_device = static_cast<std::uint64_t>(info.st_dev);
        m_inode = static_cast<std::uint64_t>(info.st_ino);
        m_read = 0;
    }
    if (info.st_size == m_read)
        return true;

    std::string added(static_cast<std::size_t>(info.st_size - m_read), '\0');
    const std::size_t got = ReadAt(file.Fd(), added.data(), added.size(), m_read);
    added.resize(got);
    // Whole lines only: a line still being written is taken at the next look.
    std::size_t from = 0;
    for (std::size_t end = added.find('\n'); end != std::string::npos; end = added.find('\n', from)) {
        std::string_view line(added.data() + from, end - from);
        from = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        // '"' URL '","' name '"': the URL holds no double quote, so the first '","' ends it.
        const std::size_t middle = line.find("\",\"", 1);
        if (line.size() < 6 || line.front() != '"' || line.back() != '"' || middle == std::string_view::npos)
            continue;
        std::string_view name = line.substr(middle + 3, line.size() - middle - 4);
        if (name.empty() || HoldsAnyOf(name, std::string_view("\"/\\\0", 4)))
            continue;
        m_first.emplace(std::string(line.substr(1, middle - 1)), std::string(name));
    }
    m_read += static_cast<std::int64_t>(from);
    return true;
}

void AliasIndex::Forget()
{
    m_first.clear();
    m_path.clear();
    m_read = 0;
}

bool AliasIndex::Lookup(const std::string& aliasPath, std::string_view url, AliasEntry& currentAlias)
{
    currentAlias = {};
    if (HoldsAnyOf(url, "\"\r\n") || !Refresh(aliasPath))
        return false;
    const auto found = m_first.find(std::string(url));
    if (found == m_first.end())
        return false;
    currentAlias.URL = std::string(url);
    currentAlias.FileName = found->second;
    return true;
}

} // namespace tarnwick
