// Link extraction over a stored page: the cost of walking every reference of a page in file mode,
// against the cost of reading the same file once in 64 KiB blocks, and the heap it needs.
//
// Pages of 1 MB (20,000 tags) and 8 MB (160,000 tags) of anchors, images, paragraphs and comments
// are written to a temporary folder. The harness prints, besides the usual table, the ratio of the
// scanner's time to the plain read and the peak heap in use during one walk.

#include "pages/LinkExtraction.h"

#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <malloc.h>
#include <map>
#include <new>
#include <random>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

// Heap accounting for this harness: bytes in use now and the most in use since the last reset.
namespace {
std::atomic<std::size_t> g_heapNow{0};
std::atomic<std::size_t> g_heapPeak{0};

void* Allocate(std::size_t size)
{
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr)
        throw std::bad_alloc();
    const std::size_t now = g_heapNow += malloc_usable_size(block);
    std::size_t peak = g_heapPeak.load();
    while (now > peak && !g_heapPeak.compare_exchange_weak(peak, now)) { }
    return block;
}

void Release(void* block) noexcept
{
    if (block == nullptr)
        return;
    g_heapNow -= malloc_usable_size(block);
    std::free(block);
}
} // namespace

void* operator new(std::size_t size)
{
    return Allocate(size);
}
void* operator new[](std::size_t size)
{
    return Allocate(size);
}
void operator delete(void* block) noexcept
{
    Release(block);
}
void operator delete[](void* block) noexcept
{
    Release(block);
}
void operator delete(void* block, std::size_t) noexcept
{
    Release(block);
}
void operator delete[](void* block, std::size_t) noexcept
{
    Release(block);
}

namespace {

using tarnwick::PageScanner;

constexpr int Megabyte = 1024 * 1024;
constexpr int TagsPerMegabyte = 20000;

std::string g_folder;

std::string PagePath(int megabytes)
{
    return g_folder + "page" + std::to_string(megabytes) + ".htm";
}

long MaxRssKilobytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The i-th tag of a page: a mix of paragraphs, anchors, closing anchors, images, comments, query
// anchors (which yield nothing) and table cells with a background.
std::string TagOf(long i, std::mt19937& random)
{
    const std::string n = std::to_string(random() % 5000);
    switch (i % 10) {
    case 0:
    case 5:
        return "<p>";
    case 1:
    case 6:
        return "<a href=\"articles/page" + n + ".htm\">";
    case 2:
    case 7:
        return "</a>";
    case 3:
        return "<img src=\"images/pic" + n + ".gif\" width=\"120\" height=\"80\" alt=\"Picture " + n + "\">";
    case 4:
        return "<!-- section " + n + " -->";
    case 8:
        return "<a href=\"search.cgi?q=" + n + "\" title=\"Search\">";
    default:
        return "<td background=\"tiles/bg" + n + ".gif\" class=\"cell\">";
    }
}

// Writes a page of `megabytes` MB with 20,000 tags per MB and words between them, block by block, so
// that making it does not raise the harness's own memory.
void WritePage(int megabytes)
{
    const long tags = static_cast<long>(megabytes) * TagsPerMegabyte;
    const std::size_t size = static_cast<std::size_t>(megabytes) * Megabyte;
    std::size_t tagBytes = 0;
    std::mt19937 counting(42);
    for (long i = 0; i < tags; ++i)
        tagBytes += TagOf(i, counting).size();
    std::size_t textBytes = size > tagBytes ? size - tagBytes : 0;

    const char* const words[] = {"offline ", "reading ", "of ", "the ", "pages ", "cached ", "tonight, ", "and "};
    std::mt19937 random(42);
    std::mt19937 wordRandom(7);
    std::FILE* out = std::fopen(PagePath(megabytes).c_str(), "wb");
    if (out == nullptr)
        std::abort();
    std::string block;
    for (long i = 0; i < tags; ++i) {
        block += TagOf(i, random);
        const std::size_t gap = textBytes / static_cast<std::size_t>(tags - i);
        textBytes -= gap;
        for (std::size_t filled = 0; filled < gap;) {
            const std::string_view word = words[wordRandom() % std::size(words)];
            block.append(word.substr(0, gap - filled));
            filled += std::min(word.size(), gap - filled);
        }
        if (block.size() >= 64 * 1024) {
            std::fwrite(block.data(), 1, block.size(), out);
            block.clear();
        }
    }
    std::fwrite(block.data(), 1, block.size(), out);
    std::fclose(out);
}

void ReadOnce(benchmark::State& state)
{
    const std::string path = PagePath(static_cast<int>(state.range(0)));
    std::vector<char> buffer(64 * 1024);
    std::size_t total = 0;
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        total = 0;
        ssize_t got;
        while ((got = ::read(fd, buffer.data(), buffer.size())) > 0)
            total += static_cast<std::size_t>(got);
        ::close(fd);
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * total));
}

void ScannerLinks(benchmark::State& state)
{
    const std::string path = PagePath(static_cast<int>(state.range(0)));
    long links = 0;
    std::size_t peak = 0;
    for (auto _ : state) {
        const std::size_t before = g_heapNow.load();
        g_heapPeak = before;
        PageScanner scanner = PageScanner::ForFile(path, 0);
        std::string link;
        links = 0;
        while (scanner.NextLink(link))
            ++links;
        peak = std::max(peak, g_heapPeak.load() - before);
        benchmark::DoNotOptimize(links);
    }
    state.counters["links"] = static_cast<double>(links);
    state.counters["peak_heap_bytes"] = static_cast<double>(peak);
    state.counters["max_rss_kb"] = static_cast<double>(MaxRssKilobytes());
}

void FreeFunctionLinks(benchmark::State& state)
{
    const std::string path = PagePath(static_cast<int>(state.range(0)));
    long links = 0;
    for (auto _ : state) {
        std::int64_t position = 0;
        std::string link;
        links = 0;
        while (tarnwick::NextLink(path, "", position, link))
            ++links;
        benchmark::DoNotOptimize(links);
    }
    state.counters["links"] = static_cast<double>(links);
}

BENCHMARK(ReadOnce)->Arg(1)->Arg(8)->Unit(benchmark::kMicrosecond);
BENCHMARK(ScannerLinks)->Arg(1)->Arg(8)->Unit(benchmark::kMicrosecond);
BENCHMARK(FreeFunctionLinks)->Arg(1)->Arg(8)->Unit(benchmark::kMicrosecond);

// Shows the usual table and keeps each run's real and processor time per iteration for the summary.
class RecordingReporter final : public benchmark::ConsoleReporter
{
public:
    struct Times
    {
        double Real = 0;
        double Cpu = 0;
    };

    void ReportRuns(const std::vector<Run>& reports) override
    {
        // With --benchmark_repetitions the median stands for the run; it is reported after the repetitions.
        for (const Run& run : reports) {
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")
                Recorded[run.run_name.str()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
        }
        ConsoleReporter::ReportRuns(reports);
    }

    // "name/arg" of a run, if it ran.
    const Times* Find(const char* name, int arg) const
    {
        std::string key = name;
        key += '/';
        key += std::to_string(arg);
        const auto found = Recorded.find(key);
        return found != Recorded.end() && found->second.Real > 0 && found->second.Cpu > 0 ? &found->second : nullptr;
    }

    std::map<std::string, Times> Recorded;
};

} // namespace

int main(int argc, char** argv)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnwick-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        return 1;
    g_folder = pattern + "/";
    const long rssBefore = MaxRssKilobytes();
    for (const int size : {1, 8}) {
        WritePage(size);
        std::printf("page of %d MB: %ju bytes, %d tags\n", size,
            static_cast<std::uintmax_t>(std::filesystem::file_size(PagePath(size))), size * TagsPerMegabyte);
    }

    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nmax RSS of the harness: %ld KiB before the pages were made, %ld KiB at the end\n", rssBefore,
        MaxRssKilobytes());
    // Processor time is the fairer figure on a busy machine: it leaves out the time spent waiting for
    // the processor, and it includes the kernel's copying of the file for both runs.
    for (const int size : {1, 8}) {
        const RecordingReporter::Times* read = reporter.Find("ReadOnce", size);
        if (read == nullptr)
            continue;
        for (const char* name : {"ScannerLinks", "FreeFunctionLinks"}) {
            if (const RecordingReporter::Times* walk = reporter.Find(name, size))
                std::printf("%d MB page: %s / ReadOnce = %.2f (processor time), %.2f (real time)\n", size, name,
                    walk->Cpu / read->Cpu, walk->Real / read->Real);
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(g_folder, ignored);
    return 0;
}
