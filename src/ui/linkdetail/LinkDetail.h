#pragma once

#include "catalogue/Catalogue.h"
#include "catalogue/LinkRecord.h"
#include "support/Clock.h"

#include <QWidget>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace tarnwick {

// The link details window: shows and edits the address, schedule, depth and host rule of the main
// window's current link. It has no OK or Cancel: every change goes straight into the current record
// of the catalogue the moment it happens. It is created once, hidden, and only shown and hidden after.
class LinkDetail final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int LowestDepth = 0;
    static constexpr int HighestDepth = 5;

    // currentIndex gives the record the edits go to: the current list position + 1, 0 when no item
    // is current. An index that names no record (0 or beyond the end) stores the edit nowhere.
    // Pass the main window as parent: the window then stays beside it and closes with it.
    LinkDetail(Catalogue& links, std::function<int()> currentIndex, const Clock& clock, QWidget* parent = nullptr);

    // Fills the window from a record, as the main window does when it shows the current link. Every
    // control whose value changes runs its handler, which writes the value back into the current
    // record (a depth outside 0..5 is thereby brought into range in the box and in the record).
    void ShowLink(const LinkRecord& link);

    // Both schedule lists to their first item ("On Demand", "12:00 AM"), and the address box to ""
    // when clearUrl. The handlers run as for any change; with no current record they store nothing.
    void ResetLists(bool clearUrl = false);

    // The text of an item of the time list ("12:00 AM" ... "11:00 PM"); "" for a position outside it.
    QString HourItemText(int hour) const;

    // The depth as the box's text reads: the number read by the program's rule, rounded half to even.
    // A text without a number reads as 0. Not limited: "1e9" reads as 1e9.
    static double ReadDepth(const QString& text);
    // The depth as the arrows, the upper limit and ShowLink write it: one blank, then the digits.
    static QString DepthText(int depth);

Q_SIGNALS:
    // The user closed the window from its frame; it is hidden, not closed, and the main window's
    // toggle button must read "Show Link Details" again.
    void hiddenByUser();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The record edits go to; nullptr when there is none.
    LinkRecord* CurrentRecord();

    void OnUrlChanged(const QString& text);
    void OnUpdateChanged(int position);
    void OnTimeChanged(int position);
    void OnDepthChanged(const QString& text);
    void OnDepthArrow(int element);
    void OnOutsideHostsToggled(bool checked);
    void StoreDepth();
    void SetDepthBoxText(const QString& text);

    Catalogue& m_links;
    std::function<int()> m_currentIndex;
    const Clock& m_clock;

    QLabel* m_lblURL;
    QLineEdit* m_txtURL;
    QLabel* m_lblUpdate;
    QComboBox* m_lstUpdate;
    QLabel* m_lblAt;
    QComboBox* m_lstTime;
    QLabel* m_lblDepth;
    QToolButton* m_imgDepthDown;
    QLineEdit* m_tbxDepth;
    QToolButton* m_imgDepthUp;
    QCheckBox* m_chkOutsideHosts;
};

} // namespace tarnwick
