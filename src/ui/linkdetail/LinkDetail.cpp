#include "ui/linkdetail/LinkDetail.h"

#include "schedule/ScheduleRule.h"
#include "support/Text.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

namespace tarnwick {

namespace {

QString FromText(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Moves a list to a position. A position the list does not have (a hand-edited catalogue file)
// leaves no item chosen; its handler ignores that, so the record keeps its value until the user
// picks an item.
void SetListPosition(QComboBox* list, int position)
{
    list->setCurrentIndex(position >= 0 && position < list->count() ? position : -1);
}

} // namespace

LinkDetail::LinkDetail(Catalogue& links, std::function<int()> currentIndex, const Clock& clock, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_links(links)
    , m_currentIndex(std::move(currentIndex))
    , m_clock(clock)
    , m_lblURL(new QLabel(QStringLiteral("URL"), this))
    , m_txtURL(new QLineEdit(this))
    , m_lblUpdate(new QLabel(QStringLiteral("Update"), this))
    , m_lstUpdate(new QComboBox(this))
    , m_lblAt(new QLabel(QStringLiteral("at"), this))
    , m_lstTime(new QComboBox(this))
    , m_lblDepth(new QLabel(QStringLiteral("Depth"), this))
    , m_imgDepthDown(new QToolButton(this))
    , m_tbxDepth(new QLineEdit(this))
    , m_imgDepthUp(new QToolButton(this))
    , m_chkOutsideHosts(new QCheckBox(QStringLiteral("Download files from hosts outside link URL"), this))
{
    setObjectName(QStringLiteral("LinkDetail"));
    setWindowTitle(QStringLiteral("Link Details"));

    m_lblURL->setObjectName(QStringLiteral("lblURL"));
    m_txtURL->setObjectName(QStringLiteral("txtURL"));
    // The box must hold any address the catalogue holds; a cut address would be written back cut.
    m_txtURL->setMaxLength(std::numeric_limits<int>::max());
    m_lblURL->setBuddy(m_txtURL);

    m_lblUpdate->setObjectName(QStringLiteral("lblUpdate"));
    m_lstUpdate->setObjectName(QStringLiteral("lstUpdate"));
    for (int frequency = 0; frequency < FrequencyCount; ++frequency)
        m_lstUpdate->addItem(FromText(FrequencyText(frequency)));
    m_lblUpdate->setBuddy(m_lstUpdate);

    m_lblAt->setObjectName(QStringLiteral("lblAt"));
    m_lstTime->setObjectName(QStringLiteral("lstTime"));
    for (int hour = 0; hour < HourCount; ++hour)
        m_lstTime->addItem(FromText(HourText(hour)));
    m_lblAt->setBuddy(m_lstTime);

    m_lblDepth->setObjectName(QStringLiteral("lblDepth"));
    m_imgDepthDown->setObjectName(QStringLiteral("imgDepth0"));
    m_imgDepthDown->setArrowType(Qt::DownArrow);
    m_imgDepthDown->setAutoRaise(true);
    m_imgDepthDown->setToolTip(QStringLiteral("Lower the depth"));
    m_tbxDepth->setObjectName(QStringLiteral("tbxDepth"));
    m_tbxDepth->setFixedWidth(m_tbxDepth->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    m_imgDepthUp->setObjectName(QStringLiteral("imgDepth1"));
    m_imgDepthUp->setArrowType(Qt::UpArrow);
    m_imgDepthUp->setAutoRaise(true);
    m_imgDepthUp->setToolTip(QStringLiteral("Raise the depth"));
    m_lblDepth->setBuddy(m_tbxDepth);
    m_chkOutsideHosts->setObjectName(QStringLiteral("chkOutsideHosts"));

    auto* urlRow = new QHBoxLayout;
    urlRow->addWidget(m_lblURL);
    urlRow->addWidget(m_txtURL, 1);
    auto* scheduleRow = new QHBoxLayout;
    scheduleRow->addWidget(m_lblUpdate);
    scheduleRow->addWidget(m_lstUpdate);
    scheduleRow->addWidget(m_lblAt);
    scheduleRow->addWidget(m_lstTime);
    scheduleRow->addStretch(1);
    auto* depthRow = new QHBoxLayout;
    depthRow->addWidget(m_lblDepth);
    depthRow->addWidget(m_imgDepthDown);
    depthRow->addWidget(m_tbxDepth);
    depthRow->addWidget(m_imgDepthUp);
    depthRow->addSpacing(12);
    depthRow->addWidget(m_chkOutsideHosts);
    depthRow->addStretch(1);
    auto* rows = new QVBoxLayout(this);
    rows->addLayout(urlRow);
    rows->addLayout(scheduleRow);
    rows->addLayout(depthRow);
    rows->addStretch(1);
    resize(480, sizeHint().height());

    // Lists and check box start on their first item and clear before any handler is connected, so
    // building the window stores nothing. The signals used fire only on a real change, so a control
    // set to the value it already has runs nothing.
    m_chkOutsideHosts->setChecked(false);
    connect(m_txtURL, &QLineEdit::textChanged, this, &LinkDetail::OnUrlChanged);
    connect(m_lstUpdate, &QComboBox::currentIndexChanged, this, &LinkDetail::OnUpdateChanged);
    connect(m_lstTime, &QComboBox::currentIndexChanged, this, &LinkDetail::OnTimeChanged);
    connect(m_tbxDepth, &QLineEdit::textChanged, this, &LinkDetail::OnDepthChanged);
    connect(m_imgDepthDown, &QToolButton::clicked, this, [this] { OnDepthArrow(0); });
    connect(m_imgDepthUp, &QToolButton::clicked, this, [this] { OnDepthArrow(1); });
    connect(m_chkOutsideHosts, &QCheckBox::toggled, this, &LinkDetail::OnOutsideHostsToggled);
}

void LinkDetail::ShowLink(const LinkRecord& link)
{
    // A copy: the handlers write into the current record, which may be the very record passed in.
    const LinkRecord shown = link;
    setWindowTitle(QStringLiteral("Information about \"%1\"").arg(FromText(shown.Title)));
    const QString url = FromText(shown.URL);
    if (m_txtURL->text() != url)
        m_txtURL->setText(url);
    SetListPosition(m_lstUpdate, shown.Frequency);
    SetDepthBoxText(DepthText(shown.Depth));
    SetListPosition(m_lstTime, shown.Hour);
    m_chkOutsideHosts->setChecked(shown.OutsideHosts != 0);
}

void LinkDetail::ResetLists(bool clearUrl)
{
    if (clearUrl && !m_txtURL->text().isEmpty())
        m_txtURL->setText(QString());
    m_lstUpdate->setCurrentIndex(0);
    m_lstTime->setCurrentIndex(0);
}

QString LinkDetail::HourItemText(int hour) const
{
    return hour >= 0 && hour < m_lstTime->count() ? m_lstTime->itemText(hour) : QString();
}

double LinkDetail::ReadDepth(const QString& text)
{
    return RoundHalfEven(ReadNumber(text.toStdString()));
}

QString LinkDetail::DepthText(int depth)
{
    return QLatin1Char(' ') + QString::number(depth);
}

LinkRecord* LinkDetail::CurrentRecord()
{
    const int i = m_currentIndex ? m_currentIndex() : 0;
    return m_links.IsValidIndex(i) ? &m_links.At(i) : nullptr;
}

void LinkDetail::OnUrlChanged(const QString& text)
{
    LinkRecord* record = CurrentRecord();
    if (record == nullptr)
        return;
    // The box already shows this address: writing it back could only lose bytes of an address
    // from the catalogue file that are not valid UTF-8.
    if (FromText(record->URL) == text)
        return;
    record->URL = text.toStdString();
}

void LinkDetail::OnUpdateChanged(int position)
{
    LinkRecord* record = CurrentRecord();
    if (record == nullptr || position < 0)
        return;
    record->Frequency = position;
    record->NextDownload = NextDownloadTime(*record, m_clock);
}

void LinkDetail::OnTimeChanged(int position)
{
    LinkRecord* record = CurrentRecord();
    if (record == nullptr || position < 0)
        return;
    record->Hour = position;
    record->NextDownload = NextDownloadTime(*record, m_clock);
}

void LinkDetail::OnDepthChanged(const QString& text)
{
    // Setting the text runs this handler again, which then finds the value within range. Compared
    // as a double, so a number beyond any integer range is brought into range too.
    const double depth = ReadDepth(text);
    if (depth < LowestDepth)
        SetDepthBoxText(QStringLiteral("0"));
    else if (depth > HighestDepth)
        SetDepthBoxText(DepthText(HighestDepth));
    StoreDepth();
}

void LinkDetail::OnDepthArrow(int element)
{
    // Only the range matters here; the limit keeps the arithmetic in int whatever the box holds.
    const int depth = static_cast<int>(
        std::clamp(ReadDepth(m_tbxDepth->text()), double(LowestDepth - 1), double(HighestDepth + 1)));
    if (element == 0 && depth > LowestDepth)
        SetDepthBoxText(DepthText(depth - 1));
    else if (element == 1 && depth < HighestDepth)
        SetDepthBoxText(DepthText(depth + 1));
    StoreDepth();
}

void LinkDetail::StoreDepth()
{
    LinkRecord* record = CurrentRecord();
    if (record == nullptr)
        return;
    // The change handler has already brought the text into range; the clamp only keeps the
    // conversion defined.
    record->Depth
        = static_cast<int>(std::clamp(ReadDepth(m_tbxDepth->text()), double(LowestDepth), double(HighestDepth)));
}

void LinkDetail::SetDepthBoxText(const QString& text)
{
    if (m_tbxDepth->text() != text)
        m_tbxDepth->setText(text);
}

void LinkDetail::OnOutsideHostsToggled(bool checked)
{
    LinkRecord* record = CurrentRecord();
    if (record == nullptr)
        return;
    record->OutsideHosts = checked ? 1 : 0;
}

void LinkDetail::closeEvent(QCloseEvent* event)
{
    // The window lives for the whole run: its lists name the schedule values. A close only hides it.
    event->ignore();
    hide();
    Q_EMIT hiddenByUser();
}

} // namespace tarnwick
