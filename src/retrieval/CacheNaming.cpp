#include "retrieval/CacheNaming.h"

#include "support/Files.h"
#include "support/Text.h"

#include <chrono>

namespace tarnwick {

namespace {

// Seeded from the clock once; names are drawn on the one user-interface thread only.
std::mt19937& ProgramGenerator()
{
    static std::mt19937 generator(
        static_cast<std::mt19937::result_type>(std::chrono::system_clock::now().time_since_epoch().count()));
    return generator;
}

// The local name is a file name in the cache folder, a field of the alias map (quoted, one line
// per entry) and the tail of a file address in rewritten pages. Only letters, digits, "-" and "_"
// are safe in all three: a "/" or "\" would leave the cache folder, a NUL would cut the path, a
// quote or line break would break the alias map, and "?", "#", "%" or a blank would change the
// meaning of the file address.
bool SafeNameCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

std::string CacheExtension(std::string_view reference)
{
    std::string ext = ExtensionOf(reference);
    if (ext.empty())
        return "htm";
    if (ext == "jpeg") // lower case only: "JPEG" is cut to "jpe" like any long extension
        return "jpg";
    if (ext.size() > 3)
        ext.resize(3);
    for (char& c : ext) {
        c = ToLowerChar(c);
        if (!SafeNameCharacter(c))
            c = '_';
    }
    return ext;
}

} // namespace

std::string RandomName(std::mt19937& generator)
{
    std::uniform_int_distribution<int> letter(0, 25);
    std::string name(8, 'a');
    for (char& c : name)
        c = static_cast<char>('a' + letter(generator));
    return name;
}

std::string RandomName()
{
    return RandomName(ProgramGenerator());
}

std::string ExtensionOf(std::string_view path)
{
    const std::size_t colon = Find(path, ":");
    if (colon > 0)
        path.remove_prefix(colon);
    const std::size_t dot = FindLast(1, path, ".");
    if (dot == 0)
        return {};
    return std::string(Mid(path, dot + 1));
}

std::string NewCacheName(std::string_view reference, const std::string& cacheFolder, std::mt19937& generator)
{
    const std::string ext = CacheExtension(reference);
    // A clash is one in 26^8 per pair of names, so this loop ends after a draw or two.
    for (;;) {
        std::string name = RandomName(generator) + "." + ext;
        if (!FileExists(cacheFolder + name))
            return name;
    }
}

std::string NewCacheName(std::string_view reference, const std::string& cacheFolder)
{
    return NewCacheName(reference, cacheFolder, ProgramGenerator());
}

bool IsValidExtension(std::string_view validExtensions, std::string_view extension)
{
    return extension.empty() || FindIgnoreCase(std::string(validExtensions) + " ", extension) > 0;
}

} // namespace tarnwick
