#include "pages/LinkRewriting.h"

#include "pages/LinkExtraction.h"
#include "retrieval/AliasMap.h"
#include "support/Files.h"
#include "support/Text.h"
#include "support/Wait.h"
#include "url/Url.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

namespace tarnwick {

namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

FilePtr OpenFile(const std::string& path, const char* mode)
{
    return FilePtr(std::fopen(path.c_str(), mode), &std::fclose);
}

bool Write(std::FILE* out, std::string_view bytes)
{
    return std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
}

// Copies the bytes of in from offset `from` (from 0) up to, not including, `to`.
bool CopyRange(std::FILE* in, std::FILE* out, std::int64_t from, std::int64_t to)
{
    if (to <= from)
        return true;
    if (std::fseek(in, static_cast<long>(from), SEEK_SET) != 0)
        return false;
    char buffer[64 * 1024];
    std::int64_t left = to - from;
    while (left > 0) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(left, sizeof buffer));
        const std::size_t got = std::fread(buffer, 1, want, in);
        if (got == 0 || !Write(out, std::string_view(buffer, got)))
            return false;
        left -= static_cast<std::int64_t>(got);
    }
    return true;
}

// The two quoted fields of an alias map line; false for a line that is not an entry.
bool ParseAliasLine(std::string_view line, std::string& url, std::string& fileName)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    constexpr std::string_view separator = "\",\"";
    if (line.size() < 2 + separator.size() || line.front() != '"' || line.back() != '"')
        return false;
    const std::size_t middle = line.find(separator, 1);
    if (middle == std::string_view::npos)
        return false;
    url = std::string(line.substr(1, middle - 1));
    fileName = std::string(line.substr(middle + separator.size(), line.size() - middle - separator.size() - 1));
    return true;
}

// Where the attribute that gave the tag its reference begins: the first of the keywords, in the
// order the extraction takes them, that occurs in the tag.
std::size_t KeywordPosition(std::string_view tag)
{
    for (std::string_view keyword : {"href=", "src=", "background="}) {
        if (const std::size_t at = FindIgnoreCase(tag, keyword); at > 0)
            return at;
    }
    return 1;
}

} // namespace

std::string LocalAddress(const std::string& cacheFolder, std::string_view fileName)
{
    std::string address = "file://";
    for (char c : cacheFolder + std::string(fileName)) {
        switch (c) {
        case ' ':
            address += "%20";
            break;
        case '#':
            address += "%23";
            break;
        case '?':
            address += "%3F";
            break;
        case '%':
            address += "%25";
            break;
        default:
            address += c;
        }
    }
    return address;
}

bool RewritePage(const std::string& cacheFolder, const std::string& fileName, const std::string& pageURL,
    const std::string& aliasPath, AliasEntry& currentAlias, AliasIndex* index)
{
    const std::string pagePath = cacheFolder + fileName;
    const std::string workPath = cacheFolder + "Tarnwick.TMP";
    FilePtr in = OpenFile(pagePath, "rb");
    if (!in)
        return false;
    DeleteFile(workPath);
    FilePtr out = OpenFile(workPath, "wb");
    if (!out)
        return false;

    bool written = Write(out.get(), "<base href=\"" + pageURL + "\">" + CrLf);
    // The scanner reads the page through its own handle; `in` copies the bytes between the tags.
    PageScanner scanner = PageScanner::ForFile(pagePath, 1);
    std::int64_t copied = 0; // bytes of the page already written (offsets from 0)
    std::string tag;
    std::string reference;
    while (written && scanner.NextTag(tag)) {
        const std::int64_t tagStart = scanner.Position() - static_cast<std::int64_t>(tag.size()); // from 0
        std::int64_t inTag = 1;
        // A base element names where the page lives on the web; it keeps that address.
        const bool isBase = tag.size() > 5 && EqualsIgnoreCase(std::string_view(tag).substr(0, 5), "<base");
        if (!isBase && NextLink({}, tag, inTag, reference)) {
            const std::string absolute = ResolveURL(pageURL, reference);
            if (index != nullptr)
                index->Lookup(aliasPath, absolute, currentAlias);
            else
                LookupAlias(aliasPath, absolute, currentAlias);
            // Replace the reference inside this tag, where its value begins, never elsewhere.
            const std::size_t at = FindIgnoreCase(tag, reference, KeywordPosition(tag));
            if (!currentAlias.FileName.empty() && at > 0)
                tag.replace(at - 1, reference.size(), LocalAddress(cacheFolder, currentAlias.FileName));
        }
        written = CopyRange(in.get(), out.get(), copied, tagStart) && Write(out.get(), tag);
        copied = scanner.Position();
    }
    if (written) {
        std::fseek(in.get(), 0, SEEK_END);
        written = CopyRange(in.get(), out.get(), copied, std::ftell(in.get()));
    }
    in.reset();
    written = std::fclose(out.release()) == 0 && written;
    if (!written || std::rename(workPath.c_str(), pagePath.c_str()) != 0) {
        DeleteFile(workPath); // the page keeps its old bytes
        return false;
    }
    return true;
}

void UpdateLinks(ProgramState& state, StatusDisplay& display, AliasIndex* index)
{
    const std::string aliasPath = state.Folder.Base + "alias.dat";
    const std::string copyPath = state.Folder.Base + "temp.dat";
    if (!FileExists(aliasPath))
        return;
    std::error_code error;
    std::filesystem::copy_file(aliasPath, copyPath, std::filesystem::copy_options::overwrite_existing, error);
    if (error)
        return;
    std::ifstream entries(copyPath, std::ios::binary);
    std::string line;
    std::string url;
    std::string fileName;
    while (std::getline(entries, line)) {
        if (!ParseAliasLine(line, url, fileName))
            continue;
        const std::string pagePath = state.Folder.Cache + fileName;
        if (FindIgnoreCase(fileName, ".htm") == 0 || !FileExists(pagePath))
            continue;
        display.StatusWindow("Download Status", "Updating Links In " + std::string(CrLf) + pagePath + CrLf, "", false);
        ProcessPendingEvents();
        RewritePage(state.Folder.Cache, fileName, url, aliasPath, state.CurrentAlias, index);
    }
}

} // namespace tarnwick
