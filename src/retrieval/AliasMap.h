#pragma once

// The alias map: which absolute URL the current link's run stored under which local name. A text
// file of one line per entry, in the order added, each line a double quote, the URL, "," between
// double quotes, the local name, a double quote and CR LF. Fields are not escaped, so a URL or name
// holding a double quote or a line break is never written. Every call opens and closes the file.

#include "state/ProgramState.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tarnwick {

// Sets currentAlias to (url, fileName) and appends their line to the file at aliasPath, creating
// it when missing. False, with nothing written, when the line could not be written or would not
// read back as this entry: url or fileName holds a double quote, CR or LF, or fileName is empty or
// holds "/", "\" or NUL (a name that could point outside the cache folder).
[[nodiscard]] bool AddAlias(
    const std::string& aliasPath, std::string_view url, std::string_view fileName, AliasEntry& currentAlias);

// Sets currentAlias to the first entry whose URL equals url exactly (case-sensitive) and returns
// true; sets both fields to "" and returns false when there is none or the file is missing. Costs
// about one read of the file up to the entry.
bool LookupAlias(const std::string& aliasPath, std::string_view url, AliasEntry& currentAlias);

// The entries of the alias map held in memory for a whole run, so a lookup costs a look at the
// file's size instead of a scan of it. The file stays what counts: the index reads only what was
// appended since its last look, and reads the file anew when it was replaced or shortened.
class AliasIndex
{
public:
    // As LookupAlias above, with the same result.
    bool Lookup(const std::string& aliasPath, std::string_view url, AliasEntry& currentAlias);
    // Drops what the index holds: the map was deleted (a file made anew may get the old one's inode).
    void Forget();

private:
    bool Refresh(const std::string& aliasPath);

    std::string m_path;
    std::uint64_t m_device = 0;
    std::uint64_t m_inode = 0;
    std::int64_t m_read = 0; // bytes of the file taken into the index (whole lines only)
    std::unordered_map<std::string, std::string> m_first; // URL -> the name of its first line
};

} // namespace tarnwick
