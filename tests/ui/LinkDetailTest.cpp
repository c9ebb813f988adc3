#include "ui/linkdetail/LinkDetail.h"

#include "catalogue/Catalogue.h"
#include "support/Clock.h"
#include "support/DayNumber.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <memory>
#include <string>

namespace tarnwick {

namespace {

// Functions, not constants: the day-number helpers must not run before their own file's statics.
// Wednesday 3 January 2024, 10:30 AM.
double WednesdayMorning()
{
    return DayNumberOf({2024, 1, 3, 10, 30, 0});
}

double FridayEvening()
{
    return DayNumberOf({2024, 1, 5, 18, 0, 0});
}

LinkRecord Link(const std::string& title, const std::string& url)
{
    LinkRecord link;
    link.Title = title;
    link.URL = url;
    return link;
}

// A catalogue, its list and a details window editing the list's current record.
struct Fixture
{
    Catalogue links;
    MemoryLinkList list;
    FixedClock clock{WednesdayMorning()};
    std::unique_ptr<LinkDetail> window;

    Fixture()
    {
        window = std::make_unique<LinkDetail>(
            links, [this] { return list.CurrentPosition() + 1; }, clock);
    }

    // Adds a link and makes it current.
    int Add(const LinkRecord& link)
    {
        const int i = links.Append(link, list);
        list.SetCurrentPosition(i - 1);
        return i;
    }

    template <typename T> T* Find(const char* name) { return window->findChild<T*>(QString::fromLatin1(name)); }
    QLineEdit* Url() { return Find<QLineEdit>("txtURL"); }
    QComboBox* Update() { return Find<QComboBox>("lstUpdate"); }
    QComboBox* Time() { return Find<QComboBox>("lstTime"); }
    QLineEdit* Depth() { return Find<QLineEdit>("tbxDepth"); }
    QToolButton* Down() { return Find<QToolButton>("imgDepth0"); }
    QToolButton* Up() { return Find<QToolButton>("imgDepth1"); }
    QCheckBox* Outside() { return Find<QCheckBox>("chkOutsideHosts"); }

    // The whole text at once, as a paste puts it.
    void TypeDepth(const QString& text) { Depth()->setText(text); }
};

} // namespace

class LinkDetailTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hasTheControlsOfItsThreeRows()
    {
        Fixture f;
        QCOMPARE(f.window->objectName(), QStringLiteral("LinkDetail"));
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Link Details"));
        QVERIFY(!f.window->isVisible());
        for (const char* name : {"lblURL", "lblUpdate", "lblAt", "lblDepth"})
            QVERIFY2(f.Find<QLabel>(name) != nullptr, name);
        QVERIFY(f.Url() && f.Update() && f.Time() && f.Depth() && f.Down() && f.Up() && f.Outside());
        QCOMPARE(f.Find<QLabel>("lblURL")->text(), QStringLiteral("URL"));
        QCOMPARE(f.Find<QLabel>("lblAt")->text(), QStringLiteral("at"));
        QCOMPARE(f.Outside()->text(), QStringLiteral("Download files from hosts outside link URL"));
        QVERIFY(!f.Outside()->isChecked());
        QCOMPARE(f.Down()->arrowType(), Qt::DownArrow);
        QCOMPARE(f.Up()->arrowType(), Qt::UpArrow);

        QCOMPARE(f.Update()->count(), 9);
        QCOMPARE(f.Update()->itemText(0), QStringLiteral("On Demand"));
        QCOMPARE(f.Update()->itemText(1), QStringLiteral("Daily"));
        QCOMPARE(f.Update()->itemText(8), QStringLiteral("Each Saturday"));
        QCOMPARE(f.Time()->count(), 24);
        QCOMPARE(f.Time()->itemText(0), QStringLiteral("12:00 AM"));
        QCOMPARE(f.Time()->itemText(12), QStringLiteral("12:00 PM"));
        QCOMPARE(f.Time()->itemText(23), QStringLiteral("11:00 PM"));
        QCOMPARE(f.Update()->currentIndex(), 0);
        QCOMPARE(f.Time()->currentIndex(), 0);
        QCOMPARE(f.window->HourItemText(18), QStringLiteral("6:00 PM"));
        QCOMPARE(f.window->HourItemText(24), QString());
        QCOMPARE(f.window->HourItemText(-1), QString());
    }

    void fridayEveningChosenOnWednesdayMorning()
    {
        Fixture f;
        const int i = f.Add(Link("News", "http://news.example/"));
        f.window->ShowLink(f.links.At(i));
        f.Update()->setCurrentIndex(f.Update()->findText(QStringLiteral("Each Friday")));
        f.Time()->setCurrentIndex(f.Time()->findText(QStringLiteral("6:00 PM")));
        QCOMPARE(f.links.At(i).Frequency, 7);
        QCOMPARE(f.links.At(i).Hour, 18);
        QCOMPARE(f.links.At(i).NextDownload, FridayEvening());

        f.Update()->setCurrentIndex(0); // "On Demand"
        QCOMPARE(f.links.At(i).Frequency, 0);
        QCOMPARE(f.links.At(i).NextDownload, 0.0);
    }

    void showingALinkFillsTheControls()
    {
        Fixture f;
        LinkRecord link = Link("Weather", "http://weather.example/today");
        link.Frequency = 1;
        link.Hour = 8;
        link.Depth = 2;
        link.OutsideHosts = 1;
        const int i = f.Add(link);
        f.window->ShowLink(f.links.At(i));
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Information about \"Weather\""));
        QCOMPARE(f.Url()->text(), QStringLiteral("http://weather.example/today"));
        QCOMPARE(f.Update()->currentIndex(), 1);
        QCOMPARE(f.Time()->currentIndex(), 8);
        QCOMPARE(f.Depth()->text(), QStringLiteral(" 2"));
        QVERIFY(f.Outside()->isChecked());
        // The handlers wrote the same values back; the schedule was recomputed: tomorrow 8:00 AM.
        QCOMPARE(f.links.At(i).URL, std::string("http://weather.example/today"));
        QCOMPARE(f.links.At(i).Depth, 2);
        QCOMPARE(f.links.At(i).NextDownload, DayNumberOf({2024, 1, 4, 8, 0, 0}));
    }

    void showingADepthOfNineStoresFive()
    {
        Fixture f;
        LinkRecord link = Link("Deep", "http://deep.example/");
        link.Depth = 9;
        const int i = f.Add(link);
        f.window->ShowLink(f.links.At(i));
        QCOMPARE(f.Depth()->text(), QStringLiteral(" 5"));
        QCOMPARE(f.links.At(i).Depth, 5);
    }

    void aControlSetToItsOwnValueRunsNothing()
    {
        Fixture f;
        LinkRecord link = Link("Same", "http://same.example/");
        link.Frequency = 3;
        link.Hour = 9;
        link.Depth = 1;
        const int i = f.Add(link);
        f.window->ShowLink(f.links.At(i));
        // Nothing changes when the link is shown again, so nothing recomputes the schedule.
        f.links.At(i).NextDownload = 123.0;
        f.window->ShowLink(f.links.At(i));
        QCOMPARE(f.links.At(i).NextDownload, 123.0);
        f.Update()->setCurrentIndex(3);
        f.Time()->setCurrentIndex(9);
        QCOMPARE(f.links.At(i).NextDownload, 123.0);
    }

    void aListPositionOutsideTheListChoosesNoItem()
    {
        Fixture f;
        LinkRecord link = Link("Odd", "http://odd.example/");
        link.Frequency = 12; // hand-edited catalogue file
        link.Hour = 30;
        const int i = f.Add(link);
        f.window->ShowLink(f.links.At(i));
        QCOMPARE(f.Update()->currentIndex(), -1);
        QCOMPARE(f.Time()->currentIndex(), -1);
        QCOMPARE(f.links.At(i).Frequency, 12);
        QCOMPARE(f.links.At(i).Hour, 30);
        f.Time()->setCurrentIndex(6);
        QCOMPARE(f.links.At(i).Hour, 6);
    }

    void arrows_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("element");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("depth");
        QTest::newRow("up from 2") << 2 << 1 << QStringLiteral(" 3") << 3;
        QTest::newRow("down from 2") << 2 << 0 << QStringLiteral(" 1") << 1;
        QTest::newRow("up at the upper limit") << 5 << 1 << QStringLiteral(" 5") << 5;
        QTest::newRow("down at the lower limit") << 0 << 0 << QStringLiteral(" 0") << 0;
        QTest::newRow("down from 1") << 1 << 0 << QStringLiteral(" 0") << 0;
        QTest::newRow("up from 4") << 4 << 1 << QStringLiteral(" 5") << 5;
    }

    void arrows()
    {
        QFETCH(int, start);
        QFETCH(int, element);
        QFETCH(QString, text);
        QFETCH(int, depth);
        Fixture f;
        LinkRecord link = Link("Arrows", "http://arrows.example/");
        link.Depth = start;
        const int i = f.Add(link);
        f.window->ShowLink(f.links.At(i));
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QTest::mouseClick(element == 0 ? f.Down() : f.Up(), Qt::LeftButton);
        QCOMPARE(f.Depth()->text(), text);
        QCOMPARE(f.links.At(i).Depth, depth);
    }

    void anArrowAfterTextThatIsNoNumberStartsFromZero()
    {
        Fixture f;
        const int i = f.Add(Link("Text", "http://text.example/"));
        f.TypeDepth(QStringLiteral("x"));
        f.Up()->click();
        QCOMPARE(f.Depth()->text(), QStringLiteral(" 1"));
        QCOMPARE(f.links.At(i).Depth, 1);
        f.TypeDepth(QStringLiteral("x"));
        f.Down()->click();
        QCOMPARE(f.Depth()->text(), QStringLiteral("x")); // at the lower limit the text is left alone
        QCOMPARE(f.links.At(i).Depth, 0);
    }

    void typedDepth_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("depth");
        QTest::newRow("below the lower limit") << QStringLiteral("-4") << QStringLiteral("0") << 0;
        QTest::newRow("above the upper limit") << QStringLiteral("7") << QStringLiteral(" 5") << 5;
        QTest::newRow("fraction stays, rounded half to even") << QStringLiteral("2.5") << QStringLiteral("2.5") << 2;
        QTest::newRow("fraction rounded up to even") << QStringLiteral("3.5") << QStringLiteral("3.5") << 4;
        QTest::newRow("no number") << QStringLiteral("x") << QStringLiteral("x") << 0;
        QTest::newRow("blanks ignored") << QStringLiteral(" 3 ") << QStringLiteral(" 3 ") << 3;
        QTest::newRow("beyond 16 bits") << QStringLiteral("99999999999") << QStringLiteral(" 5") << 5;
        QTest::newRow("far below 16 bits") << QStringLiteral("-1e300") << QStringLiteral("0") << 0;
        QTest::newRow("beyond any double") << QStringLiteral("1e999") << QStringLiteral("1e999") << 0;
    }

    void typedDepth()
    {
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QFETCH(int, depth);
        Fixture f;
        LinkRecord link = Link("Typed", "http://typed.example/");
        link.Depth = 1;
        const int i = f.Add(link);
        f.window->ShowLink(f.links.At(i));
        f.TypeDepth(typed);
        QCOMPARE(f.Depth()->text(), text);
        QCOMPARE(f.links.At(i).Depth, depth);
    }

    void typingMinusFourLeavesZero()
    {
        Fixture f;
        LinkRecord link = Link("Typed", "http://typed.example/");
        link.Depth = 3;
        const int i = f.Add(link);
        f.window->ShowLink(f.links.At(i));
        f.Depth()->clear();
        QTest::keyClicks(f.Depth(), QStringLiteral("-4"));
        QCOMPARE(f.Depth()->text(), QStringLiteral("0"));
        QCOMPARE(f.links.At(i).Depth, 0);
    }

    void editsGoIntoTheCurrentRecord()
    {
        Fixture f;
        f.Add(Link("First", "http://first.example/"));
        const int second = f.Add(Link("Second", "http://second.example/"));
        f.window->ShowLink(f.links.At(second));
        f.Url()->clear();
        QTest::keyClicks(f.Url(), QStringLiteral("http://changed.example/"));
        QCOMPARE(f.links.At(second).URL, std::string("http://changed.example/"));
        f.Url()->clear();
        QCOMPARE(f.links.At(second).URL, std::string()); // stored as typed, empty or not
        f.Outside()->click();
        QCOMPARE(f.links.At(second).OutsideHosts, 1);
        f.Outside()->click();
        QCOMPARE(f.links.At(second).OutsideHosts, 0);
        QCOMPARE(f.links.At(1).URL, std::string("http://first.example/"));
    }

    void aLongAddressIsKeptWhole()
    {
        Fixture f;
        const std::string url = "http://long.example/" + std::string(40000, 'a');
        const int i = f.Add(Link("Long", url));
        f.window->ShowLink(f.links.At(i));
        f.window->ShowLink(Link("Other", "http://other.example/")); // changes the box and the record
        f.links.At(i).URL = url;
        f.window->ShowLink(f.links.At(i));
        QCOMPARE(f.links.At(i).URL, url);
        QCOMPARE(f.Url()->text().size(), static_cast<qsizetype>(url.size()));
    }

    void editsWithoutACurrentLinkStoreNothing()
    {
        Fixture f; // empty catalogue: nothing is current
        f.window->ShowLink(Link("Ghost", "http://ghost.example/"));
        QTest::keyClicks(f.Url(), QStringLiteral("/more"));
        f.Update()->setCurrentIndex(4);
        f.Time()->setCurrentIndex(5);
        f.TypeDepth(QStringLiteral("9"));
        f.Up()->click();
        f.Down()->click();
        f.Outside()->click();
        f.window->ResetLists(true);
        QCOMPARE(f.links.Count(), 0);

        // A link exists but no item is current, or the index names no record: it stays untouched.
        const LinkRecord untouched = Link("Kept", "http://kept.example/");
        f.links.Append(untouched, f.list);
        f.list.SetCurrentPosition(-1);
        f.Update()->setCurrentIndex(2);
        f.TypeDepth(QStringLiteral("3"));
        QTest::keyClicks(f.Url(), QStringLiteral("x"));
        QVERIFY(f.links.At(1) == untouched);
        LinkDetail beyond(
            f.links, [] { return 7; }, f.clock);
        beyond.findChild<QComboBox*>(QStringLiteral("lstTime"))->setCurrentIndex(3);
        beyond.findChild<QCheckBox*>(QStringLiteral("chkOutsideHosts"))->click();
        QVERIFY(f.links.At(1) == untouched);
    }

    void resetListsGoesBackToTheFirstItems()
    {
        Fixture f;
        f.Update()->setCurrentIndex(5);
        f.Time()->setCurrentIndex(7);
        f.Url()->setText(QStringLiteral("http://left.example/"));
        f.window->ResetLists(false);
        QCOMPARE(f.Update()->currentIndex(), 0);
        QCOMPARE(f.Time()->currentIndex(), 0);
        QCOMPARE(f.Url()->text(), QStringLiteral("http://left.example/"));
        f.window->ResetLists(true);
        QCOMPARE(f.Url()->text(), QString());
    }

    void closingFromTheFrameHidesAndTellsTheMainWindow()
    {
        Fixture f;
        const int i = f.Add(Link("Shown", "http://shown.example/"));
        QSignalSpy hidden(f.window.get(), &LinkDetail::hiddenByUser);
        f.window->show();
        f.window->ShowLink(f.links.At(i));
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QVERIFY(!f.window->close()); // refused
        QVERIFY(!f.window->isVisible());
        QCOMPARE(hidden.count(), 1);
        // Shown again, it still holds its lists and the link.
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QCOMPARE(f.Update()->count(), 9);
        QCOMPARE(f.Url()->text(), QStringLiteral("http://shown.example/"));
    }
};

} // namespace tarnwick

QTEST_MAIN(tarnwick::LinkDetailTest)
#include "LinkDetailTest.moc"
