// Start-up with a 10,000-link catalogue and 20,000 files in the cache: the main window's whole
// start-up (window shown, status window, link list, details window) against the same loading and
// purge without windows, measured side by side in one run. Run it under a display (see
// startup_window.sh); it prints the figures and their ratio.

#include "cache/CacheMaintenance.h"
#include "catalogue/CatalogueFile.h"
#include "platform/SettingsStore.h"
#include "settings/Settings.h"
#include "support/Clock.h"
#include "ui/mainwindow/MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

using namespace tarnwick;

namespace {

constexpr int Links = 10000;
constexpr int CacheFiles = 20000;

std::string MakeBase()
{
    std::string base = (std::filesystem::temp_directory_path() / "tarnwick-startup-XXXXXX").string();
    if (::mkdtemp(base.data()) == nullptr)
        std::abort();
    base += "/";
    std::filesystem::create_directory(base + "cache");
    std::string text;
    for (int i = 0; i < Links; ++i) {
        LinkRecord link;
        link.URL = "http://www.example" + std::to_string(i % 97) + ".com/news/page" + std::to_string(i) + ".html";
        link.Title = "News page number " + std::to_string(i);
        link.LocalFile = "abcdefgh.htm";
        link.Frequency = i % 9;
        link.Hour = i % 24;
        link.Depth = i % 4;
        link.LastDownload = 46000.25;
        text += CatalogueLine(link);
    }
    std::ofstream(base + "tarnwick.dat", std::ios::binary) << text;
    const char* extensions[] = {"htm", "gif", "jpg", "txt"};
    for (int i = 0; i < CacheFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f%07d.%s", i, extensions[i % 4]);
        std::ofstream(base + "cache/" + name) << "x";
    }
    return base;
}

double Headless(const std::string& base, const Clock& clock)
{
    QElapsedTimer timer;
    timer.start();
    ProgramState state;
    MemoryOptions options;
    MemorySettingsStore settings;
    MemoryLinkList list;
    NullStatusDisplay status;
    NullCatalogueLoadEvents events;
    state.Folder.Base = base;
    ReadIni(options, settings);
    state.Folder.Cache = base + "cache/";
    std::filesystem::create_directories(state.Folder.Cache);
    ExpireCache(state, options, status, clock);
    LoadCatalogue(CatalogueFilePath(state.Folder), false, state.Links, list, status, events, clock);
    if (state.Links.Count() != Links)
        std::abort();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double Windowed(const std::string& base, const Clock& clock)
{
    MemorySettingsStore settings;
    MainWindowSetup setup;
    setup.BaseFolder = base;
    setup.Settings = &settings;
    setup.Time = &clock;
    QElapsedTimer timer;
    timer.start();
    MainWindow window(std::move(setup));
    window.StartUp();
    QApplication::processEvents();
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    if (window.State().Links.Count() != Links)
        std::abort();
    return ms;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    SystemClock clock;
    const std::string base = MakeBase();
    std::vector<double> headless;
    std::vector<double> windowed;
    for (int round = 0; round < 5; ++round) {
        headless.push_back(Headless(base, clock));
        windowed.push_back(Windowed(base, clock));
    }
    std::filesystem::remove_all(base);
    const double h = Median(headless);
    const double w = Median(windowed);
    std::printf("start-up, %d links, %d cache files, median of %zu runs (platform %s)\n", Links, CacheFiles,
        headless.size(), qPrintable(QGuiApplication::platformName()));
    std::printf("  without windows: %8.1f ms\n", h);
    std::printf("  main window:     %8.1f ms\n", w);
    std::printf("  ratio:           %8.2f (at most 2 wanted)\n", w / h);
    return 0;
}
