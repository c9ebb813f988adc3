// "Import Links" from the kinds of files users import: a browser's bookmarks export, a saved web
// page, a file that names one address twice.

#include "ImportFixtures.h"
#include "ScriptedDialogs.h"
#include "platform/SettingsStore.h"
#include "support/DayNumber.h"
#include "ui/mainwindow/MainWindow.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

namespace tarnwick {

class ImportTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> MakeWindow(const std::string& base, const std::string& chosen)
    {
        m_boxes.Boxes.clear();
        m_boxes.NextYesNo = Dialogs::Answer::Yes;
        MainWindowSetup setup;
        setup.BaseFolder = base;
        setup.Settings = &m_settings;
        setup.Time = &m_clock;
        setup.Boxes = &m_boxes;
        setup.ShowFileDialog = [this, chosen](FileDialogRequest& request) {
            m_request = request;
            m_timerDuringDialog = m_window->ScheduleTimer().isActive();
            request.Path = chosen;
        };
        auto window = std::make_unique<MainWindow>(std::move(setup));
        m_window = window.get();
        window->StartUp();
        return window;
    }

    std::vector<std::string> Urls() const
    {
        std::vector<std::string> urls;
        for (const LinkRecord& link : m_window->State().Links.Records())
            urls.push_back(link.URL);
        return urls;
    }

    std::string Write(const QTemporaryDir& folder, const char* name, const char* text)
    {
        const std::string path = folder.path().toStdString() + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    void Import() { m_window->findChild<QPushButton*>(QStringLiteral("cmdImportLinks"))->click(); }

    MemorySettingsStore m_settings;
    FixedClock m_clock{DayNumberOfDate(2026, 12, 9) + 0.5};
    test::ScriptedDialogs m_boxes;
    MainWindow* m_window = nullptr;
    FileDialogRequest m_request;
    bool m_timerDuringDialog = true;

private Q_SLOTS:
    void bookmarksExportIntoAnEmptyCatalogue()
    {
        QTemporaryDir folder;
        const std::string file = Write(folder, "bookmarks.html", Bookmarks);
        auto window = MakeWindow(folder.path().toStdString() + "/", file);
        m_window->findChild<QCheckBox*>(QStringLiteral("chkEnableSchedule"))->setChecked(true);
        Import();
        QCOMPARE(m_request.Path, std::string("*.htm"));
        QCOMPARE(m_request.Filter, std::string("Hypertext (*.htm)|*.htm|All Files(*.*)|*.*"));
        QVERIFY(!m_timerDuringDialog);
        QVERIFY(m_window->ScheduleTimer().isActive());
        QVERIFY(m_boxes.Boxes.empty()); // an empty catalogue is added to without a question
        QCOMPARE(Urls(),
            (std::vector<std::string>{"http://news.example/index.html", "http://weather.example/today.html",
                "http://www.example.org/docs/start.htm"}));
        QCOMPARE(m_window->State().Links.At(1).Title, std::string("News Example"));
        QCOMPARE(m_window->State().Links.At(2).Title, std::string("Caf&eacute; weather"));
        QCOMPARE(m_window->State().Links.LinkCount, 3);
        auto* list = m_window->findChild<QListWidget*>(QStringLiteral("lstLinks"));
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->currentRow(), 0);
    }

    void savedPageAnsweringNoAddsOnlyNewAddresses()
    {
        QTemporaryDir folder;
        const std::string base = folder.path().toStdString() + "/";
        std::ofstream(base + "tarnwick.dat", std::ios::binary)
            << "<a href=\"http://images.example/logo.gif\">Logo</a><!depth=3><!frequency=2>\r\n";
        const std::string file = Write(folder, "page.htm", SavedPage);
        auto window = MakeWindow(base, file);
        m_boxes.NextYesNo = Dialogs::Answer::No;
        Import();
        QCOMPARE(m_boxes.Boxes.size(), size_t(1));
        QCOMPARE(m_boxes.Boxes[0].Title, std::string("Import Links"));
        QCOMPARE(m_boxes.Boxes[0].Text, "Overwrite the current list with links from " + file + "?");
        // Relative, single-quoted and unquoted addresses are passed over; a capital HREF and a
        // capital scheme are read; the address already kept stays with its fields.
        QCOMPARE(Urls(), (std::vector<std::string>{"http://images.example/logo.gif", "HTTP://UPPER.EXAMPLE/Page.htm"}));
        QCOMPARE(m_window->State().Links.At(1).Depth, 3);
        QCOMPARE(m_window->State().Links.At(1).Frequency, 2);
    }

    void answeringYesReplacesTheCatalogue()
    {
        QTemporaryDir folder;
        const std::string base = folder.path().toStdString() + "/";
        std::ofstream(base + "tarnwick.dat", std::ios::binary) << "<a href=\"http://old.example/o.htm\">Old</a>\r\n";
        const std::string file = Write(folder, "twice.htm", Twice);
        auto window = MakeWindow(base, file);
        m_boxes.NextYesNo = Dialogs::Answer::Yes;
        Import();
        QCOMPARE(Urls(), std::vector<std::string>{"http://twice.example/a.htm"});
        QCOMPARE(m_window->State().Links.At(1).Title, std::string("First"));
        QCOMPARE(m_window->State().Links.LinkCount, 1);
    }

    void aCancelledDialogImportsNothingAndAsksNothing()
    {
        QTemporaryDir folder;
        const std::string base = folder.path().toStdString() + "/";
        std::ofstream(base + "tarnwick.dat", std::ios::binary) << "<a href=\"http://old.example/o.htm\">Old</a>\r\n";
        auto window = MakeWindow(base, "");
        Import();
        QVERIFY(m_boxes.Boxes.empty());
        QCOMPARE(Urls(), std::vector<std::string>{"http://old.example/o.htm"});
        QVERIFY(!m_window->ScheduleTimer().isActive());
    }
};

} // namespace tarnwick

QTEST_MAIN(tarnwick::ImportTest)
#include "ImportTest.moc"
