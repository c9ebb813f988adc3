// The core of the program's start-up without windows: loading a catalogue of 10,000 links from
// tarnwick.dat, the cache purge over a cache of 20,000 files, first when every file is kept (a
// tidy cache, the usual start) and then when every file is deleted (a long-neglected cache), and
// the three in the order of the start-up.
// A QCoreApplication is running, so the event turn after each link and each file costs what it
// costs in the program.

#include "cache/CacheMaintenance.h"
#include "catalogue/CatalogueFile.h"
#include "platform/SettingsStore.h"
#include "settings/Settings.h"
#include "support/DayNumber.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

constexpr int LinkCount = 10000;
constexpr int CacheFileCount = 20000;

// A base folder with a 10,000-link tarnwick.dat and an empty cache folder, removed at exit.
class StartupFixture
{
public:
    StartupFixture()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarnwick-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        state.Folder.Base = pattern + "/";
        state.Folder.Cache = state.Folder.Base + "cache/";
        std::filesystem::create_directory(state.Folder.Cache);

        std::string text;
        for (int i = 0; i < LinkCount; ++i) {
            tarnwick::LinkRecord link;
            link.URL = "http://www.example" + std::to_string(i % 97) + ".com/news/page" + std::to_string(i) + ".html";
            link.Title = "News page number " + std::to_string(i) + " of the example sites";
            link.LocalFile = "abcdefgh.htm";
            link.Frequency = i % 9;
            link.Hour = i % 24;
            link.Depth = i % 4;
            link.OutsideHosts = i % 2;
            link.LastDownload = 46000.25 + i % 30;
            text += tarnwick::CatalogueLine(link);
        }
        std::FILE* file = std::fopen(tarnwick::CatalogueFilePath(state.Folder).c_str(), "wb");
        if (file == nullptr || std::fwrite(text.data(), 1, text.size(), file) != text.size())
            std::abort();
        std::fclose(file);
        catalogueBytes = text.size();
    }
    ~StartupFixture()
    {
        std::error_code ignored;
        std::filesystem::remove_all(state.Folder.Base, ignored);
    }
    StartupFixture(const StartupFixture&) = delete;
    StartupFixture& operator=(const StartupFixture&) = delete;

    // Fills the cache with CacheFileCount new empty pages.
    void FillCache() const
    {
        for (int i = 0; i < CacheFileCount; ++i) {
            const std::string path = state.Folder.Cache + "page" + std::to_string(100000 + i) + ".htm";
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (fd < 0)
                std::abort();
            ::close(fd);
        }
    }

    tarnwick::ProgramState state;
    std::size_t catalogueBytes = 0;
};

StartupFixture& Fixture()
{
    static StartupFixture fixture;
    return fixture;
}

void BM_LoadCatalogue(benchmark::State& run)
{
    StartupFixture& f = Fixture();
    tarnwick::FixedClock clock(tarnwick::DayNumberOfDate(2026, 6, 15) + 0.5);
    tarnwick::NullStatusDisplay status;
    tarnwick::NullCatalogueLoadEvents events;
    for (auto _ : run) {
        tarnwick::MemoryLinkList list;
        tarnwick::Catalogue links;
        if (!tarnwick::LoadCatalogue(
                tarnwick::CatalogueFilePath(f.state.Folder), false, links, list, status, events, clock)
            || links.Count() != LinkCount) {
            run.SkipWithError("the catalogue did not load");
            return;
        }
        benchmark::DoNotOptimize(links);
    }
    run.counters["links"] = LinkCount;
    run.SetBytesProcessed(static_cast<std::int64_t>(run.iterations() * f.catalogueBytes));
}

// Every file is recent and valid: the purge looks at each and deletes none.
void BM_ExpireCacheKeepAll(benchmark::State& run)
{
    StartupFixture& f = Fixture();
    f.FillCache();
    tarnwick::SystemClock clock;
    tarnwick::MemoryOptions options;
    tarnwick::NullStatusDisplay status;
    for (auto _ : run) {
        const tarnwick::CacheSweep sweep = tarnwick::ExpireCache(f.state, options, status, clock);
        if (sweep.Listed != CacheFileCount || sweep.Deleted != 0) {
            run.SkipWithError("the purge saw the wrong files");
            return;
        }
    }
    run.counters["files"] = CacheFileCount;
    run.SetItemsProcessed(run.iterations() * CacheFileCount);
    tarnwick::ClearCache(f.state);
}

// An empty valid-extensions text: every file has an extension, so every file is deleted.
void BM_ExpireCacheDeleteAll(benchmark::State& run)
{
    StartupFixture& f = Fixture();
    tarnwick::SystemClock clock;
    tarnwick::MemoryOptions options;
    options.Set(tarnwick::Option::ValidExtensions, "");
    tarnwick::NullStatusDisplay status;
    for (auto _ : run) {
        run.PauseTiming();
        f.FillCache();
        run.ResumeTiming();
        const tarnwick::CacheSweep sweep = tarnwick::ExpireCache(f.state, options, status, clock);
        if (sweep.Deleted != CacheFileCount) {
            run.SkipWithError("the purge left files behind");
            return;
        }
    }
    run.counters["files"] = CacheFileCount;
    run.SetItemsProcessed(run.iterations() * CacheFileCount);
}

// The start-up steps of the core in their order: options, purge (20,000 files kept), catalogue.
void BM_StartUp(benchmark::State& run)
{
    StartupFixture& f = Fixture();
    f.FillCache();
    tarnwick::FixedClock clock(tarnwick::DayNumberOfDate(2026, 6, 15) + 0.5);
    tarnwick::SystemClock realClock; // the files were written just now
    tarnwick::MemorySettingsStore store;
    tarnwick::NullStatusDisplay status;
    tarnwick::NullCatalogueLoadEvents events;
    for (auto _ : run) {
        tarnwick::MemoryOptions options;
        tarnwick::ReadIni(options, store);
        const tarnwick::CacheSweep sweep = tarnwick::ExpireCache(f.state, options, status, realClock);
        tarnwick::MemoryLinkList list;
        tarnwick::Catalogue links;
        if (sweep.Deleted != 0
            || !tarnwick::LoadCatalogue(
                tarnwick::CatalogueFilePath(f.state.Folder), false, links, list, status, events, clock)) {
            run.SkipWithError("the start-up went wrong");
            return;
        }
        benchmark::DoNotOptimize(links);
    }
    tarnwick::ClearCache(f.state);
}

BENCHMARK(BM_LoadCatalogue)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExpireCacheKeepAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExpireCacheDeleteAll)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
