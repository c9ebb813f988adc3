// The alias map lookup against the cost of reading the map once: a lookup of the last of 10,000
// entries should cost at most three reads of the file.

#include "retrieval/AliasMap.h"
#include "retrieval/CacheNaming.h"

#include <benchmark/benchmark.h>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int EntryCount = 10000;

std::string EntryUrl(int i)
{
    return "http://www.example.com/section" + std::to_string(i % 37) + "/page" + std::to_string(i) + ".html";
}

// A temporary folder with a 10,000-entry alias.dat, removed at exit.
class AliasFixture
{
public:
    AliasFixture()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarnwick-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        m_folder = pattern + "/";
        m_map = m_folder + "alias.dat";
        std::mt19937 generator(1);
        tarnwick::AliasEntry current;
        for (int i = 0; i < EntryCount; ++i) {
            if (!tarnwick::AddAlias(
                    m_map, EntryUrl(i), tarnwick::NewCacheName(EntryUrl(i), m_folder, generator), current))
                std::abort();
        }
        m_bytes = std::filesystem::file_size(m_map);
    }
    ~AliasFixture()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    AliasFixture(const AliasFixture&) = delete;
    AliasFixture& operator=(const AliasFixture&) = delete;

    const std::string& Map() const { return m_map; }
    std::uintmax_t Bytes() const { return m_bytes; }

private:
    std::string m_folder;
    std::string m_map;
    std::uintmax_t m_bytes = 0;
};

AliasFixture& Fixture()
{
    static AliasFixture fixture;
    return fixture;
}

// CPU nanoseconds per iteration of the whole-file read, for the ratio of the lookups.
double g_readNanoseconds = 0;

std::size_t ReadWholeFileOnce(const std::string& path, std::vector<char>& window)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    std::size_t total = 0;
    for (;;) {
        const ssize_t got = ::pread(fd, window.data(), window.size(), static_cast<off_t>(total));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        total += static_cast<std::size_t>(got);
    }
    ::close(fd);
    return total;
}

// CPU time of this thread (user and system, so the reads count): unlike wall time it does not grow
// when other processes take the processor, which keeps the ratio steady on a busy machine.
double ThreadCpuNanoseconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

template <typename Body> double NanosecondsPerIteration(benchmark::State& state, Body body)
{
    const double start = ThreadCpuNanoseconds();
    for (auto _ : state)
        body();
    const double elapsed = ThreadCpuNanoseconds() - start;
    return state.iterations() > 0 ? elapsed / static_cast<double>(state.iterations()) : 0;
}

void BM_ReadWholeAliasFile(benchmark::State& state)
{
    const std::string& map = Fixture().Map();
    std::vector<char> window(64 * 1024);
    g_readNanoseconds = NanosecondsPerIteration(state, [&] {
        benchmark::DoNotOptimize(ReadWholeFileOnce(map, window));
        benchmark::ClobberMemory();
    });
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Fixture().Bytes()));
    state.SetLabel(std::to_string(Fixture().Bytes()) + " bytes, " + std::to_string(EntryCount) + " entries");
}

void Lookup(benchmark::State& state, const std::string& url, bool expected)
{
    const std::string& map = Fixture().Map();
    tarnwick::AliasEntry current;
    bool right = true;
    const double nanoseconds = NanosecondsPerIteration(state, [&] {
        right = right && tarnwick::LookupAlias(map, url, current) == expected;
        benchmark::DoNotOptimize(current);
    });
    if (!right) {
        state.SkipWithError("the lookup gave the wrong answer");
        return;
    }
    if (g_readNanoseconds > 0) {
        const double ratio = nanoseconds / g_readNanoseconds;
        state.counters["x_read"] = ratio;
        state.SetLabel("lookup / whole read (CPU time) = " + std::to_string(ratio));
    }
}

void BM_LookupLastAlias(benchmark::State& state)
{
    Lookup(state, EntryUrl(EntryCount - 1), true);
}

void BM_LookupMissingAlias(benchmark::State& state)
{
    Lookup(state, "http://www.example.com/section0/missing.html", false);
}

// The read first: the lookups report their cost relative to it.
BENCHMARK(BM_ReadWholeAliasFile);
BENCHMARK(BM_LookupLastAlias);
BENCHMARK(BM_LookupMissingAlias);

} // namespace

BENCHMARK_MAIN();
