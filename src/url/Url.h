#pragma once

// Splitting and resolving link references. A URL is plain text, split by cutting pieces off its
// front; nothing is decoded, encoded or case-folded. Positions count from 1 (see support/Text.h).

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwick {

// The text from the last "#" to the end, "#" included; "" when there is no "#" or it is the last
// character.
std::string FragmentOf(std::string_view url);

// url without FragmentOf(url): a lone "#" at the very end stays.
std::string StripFragment(std::string_view url);

// Cuts the scheme text (everything up to and including the first "://") off the front of url and
// returns it; "" and url unchanged when url holds no "://".
std::string CutScheme(std::string& url);

// Cuts the text before the first "/" off the front of url (url then begins with "/") and returns
// it; "" and url unchanged when url holds no "/" or begins with one.
std::string CutHost(std::string& url);

// Cuts everything up to and including the last "/" off the front of url (url keeps its last
// segment) and returns it; "" and url unchanged when url holds no "/".
std::string CutDirectory(std::string& url);

// The port of a scheme text such as "http://" (exact, case-sensitive): http and file 80, gopher 70,
// ftp 21; for any other text the number its first two characters begin with, rounded half to even
// (0 when they do not begin with a number). The result always fits 16 bits.
int PortOfScheme(std::string_view scheme);

// Resolves reference (as written in the page, or absolute) against base (the URL of the page it
// stands in) and returns the absolute URL: scheme text, host and path joined. Sets port and request
// (the request line without its line end: "GET " + path for port 80, the path otherwise) and, when
// the URL has a host of its own or the reference is relative, host; host is left untouched for an
// absolute reference on a base without scheme. Only a leading "./" (once) and leading "../"
// segments are folded, and "../" never climbs above the root. Any bytes are accepted.
std::string ResolveURL(
    std::string_view base, std::string_view reference, std::string& host, std::int32_t& port, std::string& request);

// The absolute URL alone, exactly as the five-argument form gives it.
std::string ResolveURL(std::string_view base, std::string_view reference);

} // namespace tarnwick
