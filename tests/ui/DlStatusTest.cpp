#include "ui/dlstatus/DlStatus.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QWidget>

namespace tarnwick {

class DlStatusTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showsTextsAndDisablesTheMainWindow()
    {
        QWidget main;
        main.show();
        DlStatus status(&main);
        status.StatusWindow("Loading Links", "Loading Link Data", "", false);
        status.StatusWindow("Download Status", "Receiving", "12 bytes downloaded", true);
        QVERIFY(status.isVisible());
        QVERIFY(!main.isEnabled());
        QCOMPARE(status.windowTitle(), QStringLiteral("Download Status"));
        QCOMPARE(status.ReceivingText(), std::string("Receiving\r\n12 bytes downloaded"));
        auto* cancel = status.findChild<QPushButton*>(QStringLiteral("cmdCancel"));
        QVERIFY(cancel != nullptr && cancel->isEnabled());
        QCOMPARE(cancel->text(), QStringLiteral("&Cancel"));

        status.StatusWindow("Download Status", "Creating Log", "", false);
        QCOMPARE(status.ReceivingText(), std::string("Creating Log\r\n")); // ends with CR LF when Progress is ""
        QVERIFY(!cancel->isEnabled());
        auto* text = status.findChild<QPlainTextEdit*>(QStringLiteral("tbxReceiving"));
        QTRY_COMPARE(text->toPlainText(), QStringLiteral("Creating Log\n")); // the last state is painted

        status.UnloadStatusWindow();
        QVERIFY(!status.isVisible());
        QVERIFY(main.isEnabled());
    }

    void frameCloseIsRefusedWhileShown()
    {
        DlStatus status(nullptr);
        status.StatusWindow("Download Status", "Receiving", "", true);
        QVERIFY(!status.close());
        QVERIFY(status.isVisible());
        QTest::keyClick(&status, Qt::Key_Escape);
        QVERIFY(status.isVisible());
        status.UnloadStatusWindow();
        QVERIFY(!status.isVisible());
    }

    void cancelRunsTheActionAndShowsItIsCancelling()
    {
        DlStatus status(nullptr);
        int cancels = 0;
        status.SetCancelAction([&] { ++cancels; });
        status.StatusWindow("Download Status", "Receiving", "", true);
        auto* cancel = status.findChild<QPushButton*>(QStringLiteral("cmdCancel"));
        QTest::mouseClick(cancel, Qt::LeftButton);
        QCOMPARE(cancels, 1);
        QVERIFY(!cancel->isEnabled());
        QCOMPARE(status.windowTitle(), QStringLiteral("Cancelling Download"));
        // The next report sets caption and button again.
        status.StatusWindow("Download Status", "Creating Log", "", true);
        QVERIFY(cancel->isEnabled());
        QCOMPARE(status.windowTitle(), QStringLiteral("Download Status"));
        status.UnloadStatusWindow();
    }
};

} // namespace tarnwick

QTEST_MAIN(tarnwick::DlStatusTest)
#include "DlStatusTest.moc"
