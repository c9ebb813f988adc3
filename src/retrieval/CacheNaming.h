#pragma once

// Local names of cache files: eight random lower-case letters, a dot and an extension of one to
// three characters taken from the reference, so a stored file's web address is not visible in its
// name (the alias map records which URL went to which name).

#include <random>
#include <string>
#include <string_view>

namespace tarnwick {

// Eight letters "a" to "z", each drawn uniformly from generator.
std::string RandomName(std::mt19937& generator);
// The same from the program's generator, seeded from the clock on first use.
std::string RandomName();

// The extension of a file path or URL, without its dot; "" when there is none. Everything up to
// the first ":" (a scheme or a drive) is ignored, then the text after the last "." is taken, even
// when a "/" or "\" follows that dot (so a dotted host or folder name can give the extension).
std::string ExtensionOf(std::string_view path);

// Whether a file of this extension may be fetched and kept: the extension occurs, ignoring case,
// anywhere in the valid-extensions text followed by one blank. A plain-text search, so a piece of a
// listed extension ("ht", "pg") passes too, and an empty extension always does.
bool IsValidExtension(std::string_view validExtensions, std::string_view extension);

// A new local name for the file of reference (as written in the page, or the catalogue URL), not
// yet taken in cacheFolder (which ends in "/"): names are drawn again while cacheFolder + name
// exists. The extension is ExtensionOf(reference): "" becomes "htm", exactly "jpeg" becomes "jpg",
// a longer one is cut to three characters; then it is lower-cased and every character other than
// an ASCII letter, digit, "-" or "_" becomes "_" (so "JPEG" gives "jpe", "a/b" gives "a_b").
std::string NewCacheName(std::string_view reference, const std::string& cacheFolder, std::mt19937& generator);
// The same with the program's generator.
std::string NewCacheName(std::string_view reference, const std::string& cacheFolder);

} // namespace tarnwick
