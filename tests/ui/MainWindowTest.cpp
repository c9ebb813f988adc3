#include "ui/mainwindow/MainWindow.h"

#include "ScriptedDialogs.h"
#include "catalogue/CatalogueFile.h"
#include "platform/SettingsStore.h"
#include "schedule/ScheduleRule.h"
#include "support/DayNumber.h"
#include "support/Files.h"
#include "testsupport/RunFakes.h"
#include "testsupport/ScriptedServer.h"
#include "ui/dlstatus/DlStatus.h"
#include "ui/linkdetail/LinkDetail.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>

namespace tarnwick {

using test::ServerStep;

// One program, as main() builds it, on a temporary base folder with scripted boxes.
struct Program
{
    explicit Program(
        const std::string& catalogue = {}, std::map<std::pair<std::string, std::string>, std::string> ini = {})
    {
        base = folder.path().toStdString() + "/";
        if (!catalogue.empty())
            std::ofstream(base + "tarnwick.dat", std::ios::binary) << catalogue;
        for (const auto& [where, value] : ini)
            settings.Save(where.first, where.second, value);
        MainWindowSetup setup;
        setup.BaseFolder = base;
        setup.Settings = &settings;
        setup.Time = &clock;
        setup.Boxes = &boxes;
        setup.Launcher = &programs;
        setup.Timeouts = {std::chrono::milliseconds(1000), std::chrono::milliseconds(1000)};
        setup.ShowFileDialog = [this](FileDialogRequest& request) {
            ++fileDialogs;
            timerDuringDialog = window->ScheduleTimer().isActive();
            request.Path = nextFile;
        };
        window = std::make_unique<MainWindow>(std::move(setup));
    }

    template <typename T> T* Find(const char* name) const { return window->findChild<T*>(QString::fromLatin1(name)); }
    QListWidget* List() const { return Find<QListWidget>("lstLinks"); }
    // A click as the user makes it: the button's tab is brought to the front first.
    void Click(const char* name) const
    {
        QPushButton* button = Find<QPushButton>(name);
        auto* tabs = Find<QTabWidget>("Tabs");
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->widget(i)->isAncestorOf(button))
                tabs->setCurrentIndex(i);
        }
        QTest::mouseClick(button, Qt::LeftButton);
    }
    bool TimerOn() const { return window->ScheduleTimer().isActive(); }

    QTemporaryDir folder;
    std::string base;
    MemorySettingsStore settings;
    FixedClock clock{DayNumberOfDate(2026, 12, 9) + 10.5 / 24}; // a Wednesday, 10:30
    test::ScriptedDialogs boxes;
    test::FakePrograms programs;
    std::unique_ptr<MainWindow> window;
    std::string nextFile;
    int fileDialogs = 0;
    bool timerDuringDialog = true;
};

class MainWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstStartShowsDefaultsAndSavesOnlyTheOptions()
    {
        Program program;
        program.window->StartUp();
        QCOMPARE(program.window->windowTitle(), QStringLiteral("Doradoza Tarnwick"));
        QCOMPARE(program.Find<QTabWidget>("Tabs")->currentIndex(), 4); // About in front
        QCOMPARE(program.List()->count(), 0);
        QCOMPARE(program.Find<QLineEdit>("tbxCacheDays")->text(), QStringLiteral("3"));
        QCOMPARE(
            program.Find<QLineEdit>("tbxValidExtensions")->text(), QStringLiteral("txt gif bmp jpg jpeg htm html "));
        QVERIFY(!program.Find<QCheckBox>("chkEnableSchedule")->isChecked());
        QVERIFY(!program.TimerOn());
        QVERIFY(std::filesystem::is_directory(program.base + "cache"));

        program.window->close();
        QVERIFY(!FileExists(program.base + "tarnwick.dat"));
        QCOMPARE(program.settings.Get("Cache", "Days", "x"), std::string("3"));
        QCOMPARE(program.settings.Get("Doradoza", "EnableScheduler", "x"), std::string("0"));
    }

    void startUpLoadsTheCatalogueAndTheOptions()
    {
        Program program("<a href=\"http://a.example/\">Alpha</a><!frequency=1><!time=8>\r\n"
                        "<a href=\"http://b.example/b.htm\">Beta</a><!depth=9>\r\n",
            {{{"Doradoza", "EnableScheduler"}, "1"}, {{"Cache", "Days"}, "7"}});
        program.window->StartUp();
        QCOMPARE(program.List()->count(), 2);
        QCOMPARE(program.List()->item(1)->text(), QStringLiteral("Beta"));
        QCOMPARE(program.List()->currentRow(), 0);
        QVERIFY(program.TimerOn());
        QCOMPARE(program.Find<QLineEdit>("tbxCacheDays")->text(), QStringLiteral("7"));
        const LinkRecord& alpha = program.window->State().Links.At(1);
        QCOMPARE(alpha.URL, std::string("http://a.example/index.html"));
        QCOMPARE(alpha.NextDownload, DayNumberOfDate(2026, 12, 10) + 8.0 / 24); // tomorrow 8:00
        QCOMPARE(program.window->Details().windowTitle(), QStringLiteral("Information about \"Alpha\""));
    }

    void createDeleteAndRename()
    {
        Program program;
        program.window->StartUp();
        program.Find<QCheckBox>("chkEnableSchedule")->setChecked(true);
        bool timerWhileAsking = true;
        program.boxes.WhileOpen = [&] { timerWhileAsking = program.TimerOn(); };

        for (const char* title : {"One", "Two", "Three"}) {
            program.boxes.Inputs = {std::string(title), std::string("http://x/") + title};
            program.Click("cmdCreateNewLink");
        }
        QVERIFY(!timerWhileAsking);
        QVERIFY(program.TimerOn());
        QCOMPARE(program.List()->count(), 3);
        QCOMPARE(program.List()->currentRow(), 2);
        QCOMPARE(program.window->State().Links.LinkCount, 3);
        QCOMPARE(program.boxes.Boxes[0].Title, std::string("New Link"));
        QCOMPARE(program.boxes.Boxes[0].Text, std::string("Enter the title of the new link"));
        QCOMPARE(program.boxes.Boxes[1].Title, std::string("New URL"));

        // Cancelling either question changes nothing.
        program.boxes.Inputs = {std::nullopt};
        program.Click("cmdCreateNewLink");
        program.boxes.Inputs = {std::string("Four"), std::string()};
        program.Click("cmdCreateNewLink");
        QCOMPARE(program.List()->count(), 3);
        QVERIFY(program.TimerOn());

        // Deleting the middle link makes the last one current; the count is not lowered.
        program.List()->setCurrentRow(1);
        program.window->State().Links.At(3).Depth = 4;
        program.Click("cmdDeleteCurrentLink");
        QCOMPARE(program.List()->count(), 2);
        QCOMPARE(program.List()->currentRow(), 1);
        QCOMPARE(program.window->State().Links.At(2).Title, std::string("Three"));
        QCOMPARE(program.window->State().Links.At(2).Depth, 4);
        QCOMPARE(program.window->State().Links.LinkCount, 3);

        // The right button renames the current link, wherever it is released.
        program.Find<QTabWidget>("Tabs")->setCurrentIndex(0);
        program.List()->setCurrentRow(0);
        program.boxes.Inputs = {std::string("Renamed")};
        const QRect second = program.List()->visualItemRect(program.List()->item(1));
        QTest::mouseClick(program.List()->viewport(), Qt::RightButton, {}, second.center());
        QCOMPARE(program.List()->currentRow(), 0);
        QCOMPARE(program.List()->item(0)->text(), QStringLiteral("Renamed"));
        QCOMPARE(program.window->State().Links.At(1).Title, std::string("Renamed"));

        program.window->close();
        std::string saved;
        QVERIFY(ReadWholeFile(program.base + "tarnwick.dat", saved));
        QCOMPARE(saved,
            std::string("<a href=\"http://x/One\">Renamed</a>\r\n<a href=\"http://x/Three\">Three</a>"
                        "<!depth=4>\r\n"));
    }

    void aCloseDuringStartUpWaitsForTheLoad()
    {
        std::string catalogue;
        for (int i = 0; i < 3000; ++i)
            catalogue += "<a href=\"http://h/" + std::to_string(i) + ".htm\">Link " + std::to_string(i) + "</a>\r\n";
        Program program(catalogue, {{{"Cache", "Days"}, "7"}});
        // The close arrives at the first event turn of the start-up, before the options are read.
        QTimer::singleShot(0, program.window.get(), [&] { program.window->close(); });
        program.window->StartUp();
        QTRY_VERIFY(!program.window->isVisible());
        std::string saved;
        QVERIFY(ReadWholeFile(program.base + "tarnwick.dat", saved));
        QCOMPARE(saved, catalogue);
        QCOMPARE(program.settings.Get("Cache", "Days", "x"), std::string("7"));
    }

    void detailsToggleAndItsCloseButton()
    {
        Program program("<a href=\"http://a.example/a.htm\">Alpha</a>\r\n");
        program.window->StartUp();
        auto* toggle = program.Find<QPushButton>("cmdLinkDetails");
        QCOMPARE(toggle->text(), QStringLiteral("Show Link Details"));
        program.Click("cmdLinkDetails");
        QVERIFY(program.window->Details().isVisible());
        QCOMPARE(toggle->text(), QStringLiteral("Hide Link Details"));
        QVERIFY(!program.window->Details().close());
        QVERIFY(!program.window->Details().isVisible());
        QCOMPARE(toggle->text(), QStringLiteral("Show Link Details"));
        program.Click("cmdLinkDetails");
        QVERIFY(program.window->Details().isVisible());
        program.Click("cmdLinkDetails");
        QVERIFY(!program.window->Details().isVisible());
    }

    void theHelpTabOpensHelpAndStaysBehind()
    {
        Program program;
        std::ofstream(program.base + "tarnwick.hlp") << "<html><body><a name=\"contents\"></a>Help</body></html>";
        program.window->StartUp();
        auto* tabs = program.Find<QTabWidget>("Tabs");
        tabs->setCurrentIndex(1);
        tabs->setCurrentIndex(5);
        QCOMPARE(tabs->currentIndex(), 1);
        auto* help = program.window->findChild<QDialog*>(QStringLiteral("HelpWindow"));
        QVERIFY(help != nullptr && help->isVisible());
    }

    void commandsSwitchTheTimerOffWhileTheyRun()
    {
        Program program("<a href=\"http://a.example/a.htm\">Alpha</a>\r\n");
        program.window->StartUp();
        program.Find<QCheckBox>("chkEnableSchedule")->setChecked(true);
        QVERIFY(program.TimerOn());

        program.Click("cmdImportLinks");
        QCOMPARE(program.fileDialogs, 1);
        QVERIFY(!program.timerDuringDialog);
        QVERIFY(program.TimerOn());

        program.Click("cmdBrowseViewer");
        QVERIFY(!program.timerDuringDialog);
        QVERIFY(program.TimerOn());

        // The access program's Browse only sets the timer at its end.
        program.Click("cmdInternetAccessSoftware");
        QVERIFY(program.timerDuringDialog);
        QVERIFY(program.TimerOn());

        program.Find<QCheckBox>("chkEnableSchedule")->setChecked(false);
        QVERIFY(!program.TimerOn());
        program.Click("cmdClearCache");
        QVERIFY(!program.TimerOn());
        program.Find<QCheckBox>("chkEnableSchedule")->setChecked(true);
        program.Click("cmdClearCache");
        QVERIFY(program.TimerOn());
        QCOMPARE(program.window->State().Links.At(1).LocalFile, std::string());
    }

    void aScheduledTickRunsTheDueLink()
    {
        test::ScriptedServer server;
        server.Serve("/a.htm", "<p>page</p>");
        Program program("<a href=\"http://" + server.HostWithPort() + "/a.htm\">Alpha</a><!frequency=1><!time=8>\r\n");
        program.clock.Set(DayNumberOfDate(2026, 12, 9) + 7.0 / 24); // 7:00: due at 8:00 today
        program.window->StartUp();
        QCOMPARE(program.window->State().Links.At(1).NextDownload, DayNumberOfDate(2026, 12, 9) + 8.0 / 24);

        program.window->Runs().ScheduleTick();
        QVERIFY(server.Requests().empty()); // not yet due

        program.clock.Set(DayNumberOfDate(2026, 12, 9) + 8.0 / 24 + 5.0 / 86400);
        program.window->Runs().ScheduleTick();
        QCOMPARE(server.Requests().size(), size_t(1));
        QCOMPARE(program.boxes.Boxes.size(), size_t(1)); // the logon question
        QCOMPARE(program.boxes.Boxes[0].Title, std::string("Doradoza Logon"));
        const LinkRecord& link = program.window->State().Links.At(1);
        QCOMPARE(link.NextDownload, DayNumberOfDate(2026, 12, 10) + 8.0 / 24);
        QVERIFY(!link.LocalFile.empty());
        QVERIFY(!program.window->State().Session.LoggedOn); // the walk logs off
        QVERIFY(program.window->isEnabled());
    }

    void cancellingTheSecondOfThreeLinksStopsTheRun()
    {
        test::ScriptedServer server;
        server.Serve("/1.htm", "one");
        server.Script("/2.htm", {ServerStep::Send("two"), ServerStep::Stall()});
        server.Serve("/3.htm", "three");
        const std::string host = "http://" + server.HostWithPort();
        Program program("<a href=\"" + host + "/1.htm\">One</a>\r\n<a href=\"" + host + "/2.htm\">Two</a>\r\n<a href=\""
            + host + "/3.htm\">Three</a>\r\n");
        program.window->StartUp();
        program.List()->selectAll();
        auto* cancel = program.window->StatusWindowRef().findChild<QPushButton*>(QStringLiteral("cmdCancel"));
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (server.Requests().size() == 2 && program.window->Transfers().BytesWritten() > 0 && cancel->isEnabled())
                QTest::mouseClick(cancel, Qt::LeftButton);
        });
        poll.start(5);
        // While the run waits (here in its logon question, before any connection), the catalogue
        // commands and a second download do nothing.
        program.boxes.WhileOpen = [&] {
            program.Click("cmdCreateNewLink");
            program.Click("cmdDownloadNow");
            program.window->Runs().ScheduleTick();
        };
        program.Click("cmdDownloadNow");
        poll.stop();

        QCOMPARE(server.Requests().size(), size_t(2));
        QCOMPARE(program.boxes.Boxes.size(), size_t(1)); // one logon question: no second run began
        const Catalogue& links = program.window->State().Links;
        QVERIFY(links.At(1).LastDownload > 0);
        QCOMPARE(links.At(2).LastDownload, 0.0);
        QCOMPARE(links.Count(), 3);
        QVERIFY(FileExists(program.base + "cache/tarnwick.htm"));
        QVERIFY(!program.window->StatusWindowRef().isVisible());
        QVERIFY(program.window->isEnabled());
    }
};

} // namespace tarnwick

QTEST_MAIN(tarnwick::MainWindowTest)
#include "MainWindowTest.moc"
