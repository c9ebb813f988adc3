#pragma once

// Files of the kinds users import.

namespace tarnwick {

inline const char* const Bookmarks = R"(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<!-- This is an automatically generated file. -->
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<TITLE>Bookmarks</TITLE>
<H1>Bookmarks</H1>
<DL><p>
    <DT><H3 ADD_DATE="1700000000" LAST_MODIFIED="1700000001">News</H3>
    <DL><p>
        <DT><A HREF="http://news.example/" ADD_DATE="1700000000" ICON="data:image/png;base64,iVBORw0KGgo=">News Example</A>
        <DT><A HREF="https://secure.example/" ADD_DATE="1700000001">Secure only</A>
        <DT><A HREF="http://weather.example/today.html" ADD_DATE="1700000002" LAST_MODIFIED="1700000003">Caf&eacute; weather</A>
    </DL><p>
    <DT><A HREF="http://www.example.org/docs/start.htm#intro" ADD_DATE="1700000004">Docs</A>
</DL><p>
)";

inline const char* const SavedPage = R"(<html><head><title>Links page</title>
<link rel="stylesheet" href="style.css"></head>
<body><p>Relative: <a href="local/page.html">local page</a>
<a HREF="HTTP://UPPER.EXAMPLE/Page.htm">Upper case</a>
<a href='http://single.example/'>single quotes</a>
<img src="http://images.example/logo.gif">
<a href=http://unquoted.example/>unquoted</a>
</body></html>
)";

inline const char* const Twice = "<a href=\"http://twice.example/a.htm\">First</a>\n"
                                 "<a href=\"http://twice.example/a.htm\">Second</a>\n";

} // namespace tarnwick
