#include "pages/LinkExtraction.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarnwick {

namespace {

// A single free-function call usually needs only the next tag or two, so the first read is small;
// a scanner that goes on doubles it up to the largest window.
constexpr std::size_t FirstWindow = 4 * 1024;
constexpr std::size_t LargestWindow = 64 * 1024;

// After a huge tag the spill buffer is given back, so the memory of a page walk stays bounded.
constexpr std::size_t KeptSpill = 64 * 1024;

#if defined(__SSE2__)
// The bits of the bytes of one 16-byte block that equal any of Bytes.
template <char... Bytes> unsigned BlockMask(const char* at)
{
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i hits = (_mm_cmpeq_epi8(block, _mm_set1_epi8(Bytes)) | ...);
    return static_cast<unsigned>(_mm_movemask_epi8(hits));
}
#endif

// Offers each byte of [from, end) that is one of Bytes to stop(at), in order, and returns the first
// for which stop is true; nullptr when there is none. Tags and the text between them are short, so
// this stays inline, tests sixteen bytes at a time where the processor allows it and walks the hits
// of a block without searching it again.
template <char... Bytes, typename Stop> const char* FindHit(const char* from, const char* end, Stop stop)
{
#if defined(__SSE2__)
    for (; end - from >= 16; from += 16) {
        for (unsigned mask = BlockMask<Bytes...>(from); mask != 0; mask &= mask - 1) {
            const char* at = from + __builtin_ctz(mask);
            if (stop(at))
                return at;
        }
    }
#endif
    for (; from < end; ++from) {
        if (((*from == Bytes) || ...) && stop(from))
            return from;
    }
    return nullptr;
}

template <char Byte> const char* Find(const char* from, const char* end)
{
    return FindHit<Byte>(from, end, [](const char*) { return true; });
}

// True when the letters just before `end` spell `word`, ignoring case. `word` holds lower-case ASCII
// letters only, so setting bit 5 of a byte folds exactly the ASCII capitals onto them.
bool LettersBefore(const char* begin, const char* end, std::string_view word)
{
    if (static_cast<std::size_t>(end - begin) < word.size())
        return false;
    const char* at = end - word.size();
    for (std::size_t i = 0; i < word.size(); ++i) {
        if ((static_cast<unsigned char>(at[i]) | 0x20u) != static_cast<unsigned char>(word[i]))
            return false;
    }
    return true;
}

} // namespace

namespace detail {

// What a tag's bytes say about its reference: where the value after each keyword's first occurrence
// begins, and whether a skip word occurs.
struct TagMarks
{
    const char* Href = nullptr;
    const char* Src = nullptr;
    const char* Background = nullptr;
    bool Skip = false;
};

} // namespace detail

namespace {

using detail::TagMarks;

// Notes what the '?', ':' or '=' at `at` of the tag beginning before it (at `begin`) means. The skip
// words end in ':' and the keywords in '=', so only the letters before those rare bytes are
// compared, and their last letter tells which word can stand there.
void NoteMarker(const char* begin, const char* at, TagMarks& marks)
{
    if (*at == '?') {
        marks.Skip = true;
        return;
    }
    const unsigned last = static_cast<unsigned char>(at[-1]) | 0x20u;
    if (*at == ':') {
        if ((last == 'o' && LettersBefore(begin, at, "mailto")) || (last == 'r' && LettersBefore(begin, at, "gopher")))
            marks.Skip = true;
    } else if (last == 'f' && marks.Href == nullptr && LettersBefore(begin, at, "href")) {
        marks.Href = at + 1;
    } else if (last == 'c' && marks.Src == nullptr && LettersBefore(begin, at, "src")) {
        marks.Src = at + 1;
    } else if (last == 'd' && marks.Background == nullptr && LettersBefore(begin, at, "background")) {
        marks.Background = at + 1;
    }
}

// The closing '>' of the tag that begins at `begin`, searched from `from` (> begin) on; nullptr when
// it is not in [from, end). The same pass notes the tag's markers.
const char* ScanTag(const char* begin, const char* from, const char* end, TagMarks& marks)
{
    marks = {};
    const char* at = from;
#if defined(__SSE2__)
    // The closing '>' and the markers have masks of their own, so a block is looked at once and only
    // the markers before the '>' are visited.
    for (; end - at >= 16; at += 16) {
        const unsigned closing = BlockMask<'>'>(at);
        unsigned markers = BlockMask<'?', ':', '='>(at);
        if (closing != 0)
            markers &= (closing & -closing) - 1;
        for (; markers != 0; markers &= markers - 1)
            NoteMarker(begin, at + __builtin_ctz(markers), marks);
        if (closing != 0)
            return at + __builtin_ctz(closing);
    }
#endif
    for (; at < end; ++at) {
        if (*at == '>')
            return at;
        if (*at == '?' || *at == ':' || *at == '=')
            NoteMarker(begin, at, marks);
    }
    return nullptr;
}

// The reference of a tag ending at `end` (its '>' included); false (and link "") when it has none.
bool LinkOfTag(const TagMarks& marks, const char* end, std::string& link)
{
    link.clear();
    // The first keyword of the list that occurs wins, wherever the others stand.
    const char* value = marks.Href != nullptr ? marks.Href : marks.Src != nullptr ? marks.Src : marks.Background;
    if (marks.Skip || value == nullptr)
        return false;
    // Leading blanks go first, then double quotes are dropped wherever they stand, and the value
    // ends before the first blank, '>' or '#'. Trailing blanks never matter: the value ends before
    // the first blank anyway.
    while (value < end && *value == ' ')
        ++value;
    const char* run = value;
    const char* stop = FindHit<' ', '>', '#', '"'>(value, end, [&](const char* at) {
        if (*at != '"')
            return true;
        if (at > run)
            link.append(run, static_cast<std::size_t>(at - run));
        run = at + 1;
        return false;
    });
    link.append(run, static_cast<std::size_t>((stop != nullptr ? stop : end) - run));
    return !link.empty();
}

} // namespace

PageScanner::PageScanner(std::int64_t position)
    : m_position(position)
{ }

PageScanner PageScanner::ForText(std::string_view text, std::int64_t position)
{
    PageScanner scanner(position);
    const std::uint64_t start = position > 1 ? static_cast<std::uint64_t>(position - 1) : 0;
    if (start >= text.size()) {
        scanner.m_ended = true;
        return scanner;
    }
    scanner.m_data = text.data();
    scanner.m_length = text.size();
    scanner.m_cursor = static_cast<std::size_t>(start);
    return scanner;
}

PageScanner PageScanner::ForFile(const std::string& path, std::int64_t position)
{
    PageScanner scanner(position);
    scanner.m_ended = true;
    if (path.empty())
        return scanner;
    // Opening for reading only never creates a missing file; O_NONBLOCK keeps a named pipe from
    // blocking the open, and the type check below turns such a pipe away.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return scanner;
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return scanner;
    }
    scanner.m_fd = fd;
    scanner.m_buffer.reset(new char[LargestWindow]);
    scanner.m_window = FirstWindow;
    scanner.m_dataStart = position > 1 ? static_cast<std::uint64_t>(position - 1) : 0;
    scanner.m_ended = false;
    return scanner;
}

PageScanner::PageScanner(PageScanner&& other) noexcept
    : m_position(other.m_position)
{
    *this = std::move(other);
}

PageScanner& PageScanner::operator=(PageScanner&& other) noexcept
{
    if (this == &other)
        return *this;
    Close();
    m_position = other.m_position;
    m_fd = std::exchange(other.m_fd, -1);
    m_buffer = std::move(other.m_buffer); // m_data may point into it; the block itself does not move
    m_window = other.m_window;
    m_data = std::exchange(other.m_data, nullptr);
    m_length = std::exchange(other.m_length, 0);
    m_dataStart = other.m_dataStart;
    m_cursor = other.m_cursor;
    m_spill = std::move(other.m_spill);
    m_ended = std::exchange(other.m_ended, true);
    return *this;
}

PageScanner::~PageScanner()
{
    Close();
}

void PageScanner::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool PageScanner::ReadNextWindow()
{
    if (m_fd < 0)
        return false;
    const std::uint64_t next = m_dataStart + m_length;
    for (;;) {
        const ssize_t got = ::pread(m_fd, m_buffer.get(), m_window, static_cast<off_t>(next));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false; // the end of the file; a read error ends the page the same way
        m_data = m_buffer.get();
        m_dataStart = next;
        m_length = static_cast<std::size_t>(got);
        m_cursor = 0;
        m_window = std::min(m_window * 2, LargestWindow);
        return true;
    }
}

bool PageScanner::ReadSpill(std::uint64_t from, std::uint64_t length)
{
    m_spill.resize(static_cast<std::size_t>(length));
    std::size_t done = 0;
    while (done < m_spill.size()) {
        const ssize_t got
            = ::pread(m_fd, m_spill.data() + done, m_spill.size() - done, static_cast<off_t>(from + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            m_spill.clear(); // the file shrank while it was being read
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

bool PageScanner::FindTag(std::string_view& tag, TagMarks* marks)
{
    if (m_ended)
        return false;
    if (m_spill.capacity() > KeptSpill)
        std::string().swap(m_spill);

    const char* lt = nullptr;
    for (;;) {
        lt = Find<'<'>(m_data + m_cursor, m_data + m_length);
        if (lt != nullptr)
            break;
        if (!ReadNextWindow()) {
            m_ended = true;
            return false;
        }
    }

    // A caller that wants the reference has the tag's markers noted in the same pass.
    const char* windowEnd = m_data + m_length;
    const char* gt = marks != nullptr ? ScanTag(lt, lt + 1, windowEnd, *marks) : Find<'>'>(lt + 1, windowEnd);
    if (gt != nullptr) {
        tag = std::string_view(lt, static_cast<std::size_t>(gt - lt + 1));
        m_cursor = static_cast<std::size_t>(gt - m_data) + 1;
        m_position = static_cast<std::int64_t>(m_dataStart + m_cursor);
        return true;
    }

    // The tag runs on past this window. Its end is found first and the tag read whole afterwards,
    // so a '<' without a '>' costs a read of the rest of the page but no memory.
    const std::uint64_t ltOffset = m_dataStart + static_cast<std::uint64_t>(lt - m_data);
    for (;;) {
        if (!ReadNextWindow()) {
            m_ended = true;
            return false;
        }
        gt = Find<'>'>(m_data, m_data + m_length);
        if (gt == nullptr)
            continue;
        m_cursor = static_cast<std::size_t>(gt - m_data) + 1;
        const std::uint64_t end = m_dataStart + m_cursor; // offset just after the '>'
        if (!ReadSpill(ltOffset, end - ltOffset)) {
            m_ended = true;
            return false;
        }
        tag = m_spill;
        m_position = static_cast<std::int64_t>(end);
        if (marks != nullptr)
            ScanTag(tag.data(), tag.data() + 1, tag.data() + tag.size(), *marks);
        return true;
    }
}

bool PageScanner::NextTag(std::string& tag)
{
    std::string_view found;
    if (!FindTag(found, nullptr)) {
        tag.clear();
        return false;
    }
    tag.assign(found);
    return true;
}

bool PageScanner::NextLink(std::string& link)
{
    std::string_view tag;
    TagMarks marks;
    while (FindTag(tag, &marks)) {
        if (LinkOfTag(marks, tag.data() + tag.size(), link))
            return true;
    }
    link.clear();
    return false;
}

namespace {

// The source the free functions scan: exactly one of path and text is given.
bool OneSource(const std::string& path, std::string_view text)
{
    return path.empty() != text.empty();
}

PageScanner ScannerOf(const std::string& path, std::string_view text, std::int64_t position)
{
    return text.empty() ? PageScanner::ForFile(path, position) : PageScanner::ForText(text, position);
}

} // namespace

bool NextTag(const std::string& path, std::string_view text, std::int64_t& position, std::string& tag)
{
    if (!OneSource(path, text)) {
        tag.clear();
        return false;
    }
    PageScanner scanner = ScannerOf(path, text, position);
    const bool found = scanner.NextTag(tag);
    position = scanner.Position();
    return found;
}

bool NextLink(const std::string& path, std::string_view text, std::int64_t& position, std::string& link)
{
    if (!OneSource(path, text)) {
        link.clear();
        return false;
    }
    PageScanner scanner = ScannerOf(path, text, position);
    const bool found = scanner.NextLink(link);
    position = scanner.Position();
    return found;
}

} // namespace tarnwick
