#include "url/Url.h"

#include "testsupport/CaseName.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

using namespace std::string_literals;

// A page URL with a scheme, for the references that do not depend on their base.
constexpr const char* AnyPage = "http://base.example/dir/page.html";
// What host holds before the call, to see whether the resolver set it.
constexpr const char* Untouched = "(untouched)";

struct ResolveCase
{
    const char* name;
    std::string base;
    std::string reference;
    std::string result;
    std::string host;
    int port;
    std::string request;
};

void PrintTo(const ResolveCase& row, std::ostream* out)
{
    *out << row.name;
}

class ResolveTest : public ::testing::TestWithParam<ResolveCase>
{
};

TEST_P(ResolveTest, GivesUrlHostPortAndRequest)
{
    const ResolveCase& row = GetParam();
    std::string host = Untouched;
    std::int32_t port = -1;
    std::string request;
    EXPECT_EQ(ResolveURL(row.base, row.reference, host, port, request), row.result);
    EXPECT_EQ(host, row.host);
    EXPECT_EQ(port, row.port);
    EXPECT_EQ(request, row.request);
    EXPECT_EQ(ResolveURL(row.base, row.reference), row.result);
}

const ResolveCase ResolveCases[] = {
    {"absolute without path", AnyPage, "http://host", "http://host/index.html", "host", 80, "GET /index.html"},
    {"absolute folder", AnyPage, "http://host/dir/", "http://host/dir/index.html", "host", 80, "GET /dir/index.html"},
    {"file beside the page", "http://host/d/p.html", "pic.gif", "http://host/d/pic.gif", "host", 80, "GET /d/pic.gif"},
    {"root relative", "http://host/d/p.html", "/x.html", "http://host/x.html", "host", 80, "GET /x.html"},
    {"leading dot slash", "http://host/d/p.html", "./a.html", "http://host/d/a.html", "host", 80, "GET /d/a.html"},
    {"two levels up", "http://host/d1/d2/p.html", "../../a.html", "http://host/a.html", "host", 80, "GET /a.html"},
    {"inner dot dot stays", "http://host/x/p.html", "d/../b.html", "http://host/x/d/../b.html", "host", 80,
        "GET /x/d/../b.html"},
    {"scheme relative", AnyPage, "//other/x.html", "http://other/x.html", "other", 80, "GET /x.html"},
    {"fragment dropped", "http://host/d/p.html", "page.html#sec", "http://host/d/page.html", "host", 80,
        "GET /d/page.html"},
    {"fragment only", "http://host/d/p.html", "#top", "http://host/d/index.html", "host", 80, "GET /d/index.html"},
    {"empty reference", "http://host/d/p.html", "", "http://host/d/index.html", "host", 80, "GET /d/index.html"},
    {"upper case scheme unknown", AnyPage, "HTTP://HOST/a.html", "HTTP://HOST/a.html", "HOST", 0, "/a.html"},
    {"ftp", AnyPage, "ftp://host/f.txt", "ftp://host/f.txt", "host", 21, "/f.txt"},
    {"gopher", AnyPage, "gopher://host/1/x", "gopher://host/1/x", "host", 70, "/1/x"},
    {"gopher i9 selector", AnyPage, "gopher://host/i9abc", "gopher://host/i9abc", "host", 70, "9abc"},
    {"port stays in host", AnyPage, "http://host:81/a.html", "http://host:81/a.html", "host:81", 80, "GET /a.html"},
    {"lone hash at the end stays", AnyPage, "http://host/a.html#", "http://host/a.html#", "host", 80, "GET /a.html#"},
    {"up one with fragment", "http://host/d1/d2/p.html", "../img/a.gif#x", "http://host/d1/img/a.gif", "host", 80,
        "GET /d1/img/a.gif"},
    {"query slash is a slash", "http://host/d/p.html", "q?a=b/c", "http://host/d/q?a=b/c", "host", 80,
        "GET /d/q?a=b/c"},
    // A "../" above the root stays at the root, as a browser does.
    {"page without path", "http://host", "pic.gif", "http://host/pic.gif", "host", 80, "GET /pic.gif"},
    {"climb above root", "http://host/a.html", "../../x.html", "http://host/x.html", "host", 80, "GET /x.html"},
    {"climb far above root", "http://host/d/p.html", "../../../../d2/x.html", "http://host/d2/x.html", "host", 80,
        "GET /d2/x.html"},
    {"climb from the root page", "http://host/", "../x.html", "http://host/x.html", "host", 80, "GET /x.html"},
    {"catalogue URL without scheme", "host/p.html", "host/p.html", "host/host/p.html", "host", 0, "/host/p.html"},
    {"absolute reference on base without scheme", "host/p.html", "http://other/a.html", "http:///host/other/a.html",
        Untouched, 80, "GET /host/other/a.html"},
    {"double slash alone", AnyPage, "//", "http:///index.html", "", 80, "GET /index.html"},
    {"scheme separator alone", AnyPage, "://", ":///index.html", "", 0, "/index.html"},
    {"both empty", "", "", "/index.html", "", 0, "/index.html"},
    {"NUL byte kept", "http://host/d/p.html", "a\0b.gif"s, "http://host/d/a\0b.gif"s, "host", 80, "GET /d/a\0b.gif"s},
    {"invalid UTF-8 kept", "http://h\xff/d/p.html", "\xc3\x28.gif", "http://h\xff/d/\xc3\x28.gif", "h\xff", 80,
        "GET /d/\xc3\x28.gif"},
};

INSTANTIATE_TEST_SUITE_P(Url, ResolveTest, ::testing::ValuesIn(ResolveCases), test::CaseName());

TEST(Url, FragmentHelpers)
{
    EXPECT_EQ(FragmentOf("a.html#x#y"), "#y");
    EXPECT_EQ(FragmentOf("a.html#"), "");
    EXPECT_EQ(FragmentOf("a.html"), "");
    EXPECT_EQ(StripFragment("a.html#x#y"), "a.html#x");
    EXPECT_EQ(StripFragment("a.html#"), "a.html#");
    EXPECT_EQ(StripFragment("#"), "#");
    EXPECT_EQ(StripFragment("#x"), "");
}

TEST(Url, CuttingHelpers)
{
    std::string url = "http://host/d/p.html";
    EXPECT_EQ(CutScheme(url), "http://");
    EXPECT_EQ(CutHost(url), "host");
    EXPECT_EQ(url, "/d/p.html");
    EXPECT_EQ(CutHost(url), "");
    EXPECT_EQ(CutDirectory(url), "/d/");
    EXPECT_EQ(url, "p.html");
    EXPECT_EQ(CutDirectory(url), "");
    EXPECT_EQ(CutScheme(url), "");
    EXPECT_EQ(CutHost(url), "");
    EXPECT_EQ(url, "p.html");
}

struct PortCase
{
    const char* name;
    const char* scheme;
    int port;
};

void PrintTo(const PortCase& row, std::ostream* out)
{
    *out << row.name;
}

class PortTest : public ::testing::TestWithParam<PortCase>
{
};

TEST_P(PortTest, ComesFromTheSchemeText)
{
    EXPECT_EQ(PortOfScheme(GetParam().scheme), GetParam().port);
}

INSTANTIATE_TEST_SUITE_P(Url, PortTest,
    ::testing::Values(PortCase{"http", "http://", 80}, PortCase{"file", "file://", 80},
        PortCase{"gopher", "gopher://", 70}, PortCase{"ftp", "ftp://", 21}, PortCase{"case matters", "Http://", 0},
        PortCase{"empty", "", 0}, PortCase{"two digits", "81://", 81},
        PortCase{"only two characters read", "8080://", 80}, PortCase{"sign", "-5://", -5},
        PortCase{"half rounds to even", ".5://", 0}, PortCase{"digit and point", "3.x", 3}),
    test::CaseName());

TEST(Url, LongReferencesResolveInLinearTime)
{
    std::string dirs;
    for (int i = 0; i < 20000; ++i)
        dirs += "d/";
    const std::string base = "http://host/" + dirs + "p.html";
    std::string up;
    for (int i = 0; i < 25000; ++i)
        up += "../";
    // Compared with EXPECT_TRUE so that a failure does not print 50,000-character texts.
    EXPECT_TRUE(ResolveURL(base, up + "x.html") == "http://host/x.html");
    EXPECT_TRUE(ResolveURL(base, "../../y.html") == "http://host/" + dirs.substr(4) + "y.html");

    const std::string plain(50000, 'a');
    EXPECT_TRUE(ResolveURL("http://host/p.html", plain) == "http://host/" + plain);
    const std::string hashes(50000, '#');
    EXPECT_TRUE(ResolveURL("http://host/p.html", hashes) == "http://host/" + hashes);
    const std::string slashes(50000, '/');
    EXPECT_TRUE(ResolveURL("http://host/p.html", slashes) == "http:" + slashes + "index.html");
}

TEST(Url, AnyPairOfAwkwardTextsGivesAConsistentAnswer)
{
    const std::vector<std::string> texts = {"", "/", "//", "://", ":", "#", "./", "../", ".", "..", "/../", "\0"s,
        "\xff\xfe", "a#b#", "x://", "//#/", "http://", "ftp:/", "a/b/c", "/I9/x", "http://h"};
    for (const std::string& base : texts) {
        for (const std::string& reference : texts) {
            std::string host;
            std::int32_t port = 0;
            std::string request;
            const std::string url = ResolveURL(base, reference, host, port, request);
            SCOPED_TRACE("base \"" + base + "\", reference \"" + reference + "\"");
            // The request always carries the tail of the URL: the path, less "/I9"'s first two bytes.
            if (port == 80) {
                ASSERT_TRUE(request.starts_with("GET /"));
                EXPECT_TRUE(url.ends_with(request.substr(4)));
            } else {
                EXPECT_TRUE(url.ends_with(request));
            }
            EXPECT_EQ(ResolveURL(base, reference), url);
        }
    }
}

} // namespace
} // namespace tarnwick
