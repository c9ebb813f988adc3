#include "cache/CacheMaintenance.h"

#include "retrieval/CacheNaming.h"
#include "support/DayNumber.h"
#include "support/Files.h"
#include "support/Text.h"
#include "support/Wait.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tarnwick {

namespace {

constexpr char ExpireCaption[] = "Compacting File Cache";
constexpr char ExpireStatus[]
    = "Each time Doradoza Tarnwick is loaded, the program checks its disk cache of previously downloaded files to "
      "determine if they should be deleted.  Depending on the number of files in the cache, this process may take "
      "anywhere from a few seconds to a few minutes.";
constexpr char AliasFileName[] = "alias.dat";

// The cache folder, opened once: every later step names its entries relative to it, so a path is
// never resolved again per file.
class CacheDirectory
{
public:
    // An empty path would name the current folder: never purge that.
    explicit CacheDirectory(const std::string& path)
        : m_fd(path.empty() ? -1 : ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    { }
    ~CacheDirectory()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CacheDirectory(const CacheDirectory&) = delete;
    CacheDirectory& operator=(const CacheDirectory&) = delete;

    bool IsOpen() const { return m_fd >= 0; }

    // The names of the regular files and symbolic links, as the folder is now.
    std::vector<std::string> FileNames(bool withHidden) const
    {
        std::vector<std::string> names;
        // The listing reads through its own descriptor, so m_fd stays ours.
        const int listFd = ::openat(m_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (listFd < 0)
            return names;
        DIR* dir = ::fdopendir(listFd);
        if (dir == nullptr) {
            ::close(listFd);
            return names;
        }
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name = entry->d_name;
            if (name == "." || name == ".." || (!withHidden && name.front() == '.'))
                continue;
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN) { // some file systems do not tell the type in the listing
                struct stat info = {};
                if (::fstatat(m_fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                type = S_ISREG(info.st_mode) ? DT_REG : S_ISLNK(info.st_mode) ? DT_LNK : DT_UNKNOWN;
            }
            if (type == DT_REG || type == DT_LNK)
                names.emplace_back(name);
        }
        ::closedir(dir);
        return names;
    }

    // The entry itself, never what a link points to; false when it is gone or is no longer a file
    // or a link.
    bool Stat(const std::string& name, struct stat& info) const
    {
        return ::fstatat(m_fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0
            && (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode));
    }

    // Removes the entry (a link as a link; flags 0 refuses a folder that took the name meanwhile).
    // An entry that is already gone counts as deleted.
    bool Delete(const std::string& name) const { return ::unlinkat(m_fd, name.c_str(), 0) == 0 || errno == ENOENT; }

private:
    int m_fd;
};

void DeleteEntry(const CacheDirectory& folder, const std::string& name, CacheSweep& sweep)
{
    if (folder.Delete(name))
        ++sweep.Deleted;
    else
        ++sweep.NotDeleted; // nothing is reported; the file is looked at again at the next start
}

// Shows the progress of file i of n: the first and the last always, the others when
// repaintInterval has passed since the last picture.
class ExpireProgress
{
public:
    ExpireProgress(StatusDisplay& status, std::size_t count, std::chrono::milliseconds repaintInterval)
        : m_status(status)
        , m_count(count)
        , m_interval(repaintInterval)
    { }

    void Show(std::size_t i)
    {
        const auto now = std::chrono::steady_clock::now();
        if (i != 1 && i != m_count && now - m_lastShown < m_interval)
            return;
        m_lastShown = now;
        const std::size_t pct = i * 100 / m_count;
        m_status.StatusWindow(ExpireCaption, ExpireStatus, CrLf + std::to_string(pct) + "% complete", false);
    }

private:
    StatusDisplay& m_status;
    std::size_t m_count;
    std::chrono::milliseconds m_interval;
    std::chrono::steady_clock::time_point m_lastShown;
};

} // namespace

CacheSweep ExpireCache(ProgramState& state, const Options& options, StatusDisplay& status, const Clock& clock,
    std::chrono::milliseconds repaintInterval)
{
    CacheSweep sweep;
    const std::string& cacheFolder = state.Folder.Cache;
    const CacheDirectory folder(cacheFolder);
    if (!folder.IsOpen())
        return sweep;
    const std::vector<std::string> names = folder.FileNames(false);
    if (names.empty())
        return sweep;

    const double cutoff = clock.NowAsDayNumber() - ReadNumber(options.Get(Option::CacheDays));
    const std::string validExtensions = options.Get(Option::ValidExtensions);
    ExpireProgress progress(status, names.size(), repaintInterval);
    std::string path = cacheFolder;
    for (std::size_t i = 1; i <= names.size(); ++i) {
        progress.Show(i);
        ProcessPendingEvents();

        const std::string& name = names[i - 1];
        struct stat info = {};
        if (!folder.Stat(name, info))
            continue; // gone since the listing (or replaced by a folder): nothing to purge
        ++sweep.Listed;
        const double age = DayNumberOfLocalTime(info.st_mtime);
        // The full path, as a dotted folder name gives a file without a dot its extension.
        path.resize(cacheFolder.size());
        path += name;
        const std::string ext = ExtensionOf(path);
        const bool valid = IsValidExtension(validExtensions, ext);
        if (cutoff > age || !valid)
            DeleteEntry(folder, name, sweep);
    }
    status.UnloadStatusWindow();
    return sweep;
}

CacheSweep ClearCache(ProgramState& state)
{
    if (!state.Folder.Base.empty())
        DeleteFile(state.Folder.Base + AliasFileName); // ignored on failure: every run starts a new map anyway
    for (int i = 1; i <= state.Links.Count(); ++i)
        state.Links.At(i).LocalFile.clear();

    CacheSweep sweep;
    const CacheDirectory folder(state.Folder.Cache);
    if (!folder.IsOpen())
        return sweep; // no cache folder: nothing to clear
    for (const std::string& name : folder.FileNames(true)) {
        ++sweep.Listed;
        DeleteEntry(folder, name, sweep);
    }
    return sweep;
}

} // namespace tarnwick
