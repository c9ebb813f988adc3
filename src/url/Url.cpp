#include "url/Url.h"

#include "support/Text.h"

namespace tarnwick {

std::string FragmentOf(std::string_view url)
{
    const std::size_t hash = FindLast(1, url, "#");
    if (hash == 0 || hash == url.size())
        return {};
    return std::string(Mid(url, hash));
}

std::string StripFragment(std::string_view url)
{
    const std::size_t hash = FindLast(1, url, "#");
    if (hash == 0 || hash == url.size())
        return std::string(url);
    return std::string(url.substr(0, hash - 1));
}

std::string CutScheme(std::string& url)
{
    const std::size_t at = Find(url, "://");
    if (at == 0)
        return {};
    return CutText(url, 1, at + 2);
}

std::string CutHost(std::string& url)
{
    const std::size_t slash = Find(url, "/");
    if (slash <= 1)
        return {};
    return CutText(url, 1, slash - 1);
}

std::string CutDirectory(std::string& url)
{
    // One cut at the last "/" equals cutting segment after segment, without the quadratic cost on
    // long paths.
    const std::size_t slash = FindLast(1, url, "/");
    if (slash == 0)
        return {};
    return CutText(url, 1, slash);
}

int PortOfScheme(std::string_view scheme)
{
    if (scheme == "http://" || scheme == "file://")
        return 80;
    if (scheme == "gopher://")
        return 70;
    if (scheme == "ftp://")
        return 21;
    // Two characters read as at most "99" or "-9", so the value always fits.
    return static_cast<int>(RoundHalfEven(ReadNumber(Mid(scheme, 1, 2))));
}

std::string ResolveURL(std::string_view baseText, std::string_view referenceText, std::string& host, std::int32_t& port,
    std::string& request)
{
    std::string base = StripFragment(baseText);
    std::string path = StripFragment(referenceText);

    if (StartsWith(path, "//"))
        path.insert(0, "http:");
    if (StartsWith(base, "//"))
        base.insert(0, "http:");

    const std::string baseScheme = CutScheme(base);
    std::string scheme = CutScheme(path);

    // The host text of the result. It stays "" for an absolute reference on a base without scheme:
    // the reference then keeps its host in front of its path, and the caller's host is not touched.
    std::string urlHost;
    if (scheme.empty()) {
        // A page address without a path ("http://host") is all host, as an absolute reference
        // without "/" is below; its references then resolve against the root.
        if (!baseScheme.empty() && Find(base, "/") == 0) {
            urlHost = base;
            base = "/";
        } else {
            urlHost = CutHost(base);
        }
        scheme = baseScheme;
        host = urlHost;
    } else if (!baseScheme.empty()) {
        if (Find(path, "/") == 0) {
            urlHost = path;
            path = "/index.html";
        } else {
            urlHost = CutHost(path);
        }
        host = urlHost;
    }

    port = PortOfScheme(scheme);

    if (path.empty() || EndsWith(path, "/"))
        path += "index.html";
    if (StartsWith(path, "./"))
        path.erase(0, 2);

    if (!StartsWith(path, "/")) {
        std::string baseDir = CutDirectory(base);
        if (!StartsWith(baseDir, "/"))
            baseDir.insert(0, "/");
        if (!EndsWith(baseDir, "/"))
            baseDir += "/";

        std::string_view rest(path);
        while (StartsWith(rest, "../")) {
            rest.remove_prefix(3);
            // One directory up; at the root ("/") there is nothing left to climb, so it stays there
            // as a browser does.
            const std::size_t up = FindLast(2, baseDir, "/");
            if (up > 0)
                baseDir.resize(up);
        }
        path.erase(0, path.size() - rest.size());

        const std::string dir = CutDirectory(path);
        path = baseDir + dir + path;
    }

    if (port == 80)
        request = "GET " + path;
    else if (ToUpper(Mid(path, 1, 3)) == "/I9")
        request = std::string(Mid(path, 3));
    else
        request = path;

    return scheme + urlHost + path;
}

std::string ResolveURL(std::string_view base, std::string_view reference)
{
    std::string host;
    std::int32_t port = 0;
    std::string request;
    return ResolveURL(base, reference, host, port, request);
}

} // namespace tarnwick
