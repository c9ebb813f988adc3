#pragma once

// Link extraction: finds the references to other files in an HTML page, one at a time. It is a
// plain scanner over tags, not an HTML parser. The source is either a stored file, given by its
// full path (file mode), or a text held by the caller (text mode).
//
// Positions count from 1. A position below 1 counts as 1; a position beyond the end of the source
// finds nothing. After a found tag the position holds the offset of the tag's closing '>'. When
// nothing is found (end of the source, a '<' without a later '>', a source given neither or both
// ways, a file that cannot be opened) the tag or link is "" and the position is left unchanged.
//
// A tag is the bytes from a '<' up to and including the first '>' after it, exactly as stored.
// The reference of a tag is taken as follows:
// - a tag that contains "?", "mailto:" or "gopher:" anywhere (ignoring case) yields nothing;
// - otherwise the first occurrence of "Href=", else of "SRC=", else of "Background=" (ignoring
//   case, found anywhere, inside longer names too) marks the value, which is the rest of the tag
//   after the '=' with leading blanks skipped and every double quote removed, cut before the first
//   blank, '>' or '#';
// - a tag without a keyword, or whose value is empty, yields nothing and the scan goes on.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tarnwick {

namespace detail {
struct TagMarks;
}

// The next tag at or after position, in file mode when text is "" and path is not, in text mode
// when path is "" and text is not. Each file-mode call opens and closes the file; a missing file
// yields nothing and is not created. Returns !tag.empty().
bool NextTag(const std::string& path, std::string_view text, std::int64_t& position, std::string& tag);

// The next usable reference at or after position, as written in the page (relative or absolute;
// resolving it is the caller's business). Call it with the same position variable until link is "".
// Returns !link.empty().
bool NextLink(const std::string& path, std::string_view text, std::int64_t& position, std::string& link);

// The same scan for a caller that walks one page from start to end: it keeps the file open and reads
// it forward in windows of up to 64 KiB, so each tag costs only its own bytes. Results and positions are
// exactly those of the free functions called with the same position variable. Memory stays at one
// window plus, for a tag that straddles two windows, the tag itself.
//
// The scanner reads the file as it is while the scan goes on; a text-mode scanner looks at the
// caller's text, which must outlive it and must not change under it (a caller that edits its text
// between calls uses the free functions).
class PageScanner
{
public:
    static PageScanner ForFile(const std::string& path, std::int64_t position);
    static PageScanner ForText(std::string_view text, std::int64_t position);

    PageScanner(PageScanner&& other) noexcept;
    PageScanner& operator=(PageScanner&& other) noexcept;
    PageScanner(const PageScanner&) = delete;
    PageScanner& operator=(const PageScanner&) = delete;
    ~PageScanner();

    // As the free functions: "" and false at the end, with the position unchanged.
    bool NextTag(std::string& tag);
    bool NextLink(std::string& link);
    std::int64_t Position() const { return m_position; }

private:
    explicit PageScanner(std::int64_t position);
    bool FindTag(std::string_view& tag, detail::TagMarks* marks);
    bool ReadNextWindow();
    bool ReadSpill(std::uint64_t from, std::uint64_t length);
    void Close();

    std::int64_t m_position;
    int m_fd = -1;
    std::unique_ptr<char[]> m_buffer; // file mode: the read window
    std::size_t m_window = 0; // how much the next read asks for
    const char* m_data = nullptr; // the bytes in view: the window, or the whole text
    std::size_t m_length = 0; // how many of them
    std::uint64_t m_dataStart = 0; // source offset (from 0) of m_data[0]
    std::size_t m_cursor = 0; // index in m_data where the search for the next '<' begins
    std::string m_spill; // a tag that straddles two windows
    bool m_ended = false; // nothing more will be found
};

} // namespace tarnwick
