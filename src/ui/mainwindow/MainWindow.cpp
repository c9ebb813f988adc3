#include "ui/mainwindow/MainWindow.h"

#include "cache/CacheMaintenance.h"
#include "catalogue/CatalogueFile.h"
#include "schedule/ScheduleRule.h"
#include "settings/Settings.h"
#include "support/Files.h"
#include "ui/dlstatus/DlStatus.h"
#include "ui/fileopen/FileOpen.h"
#include "ui/help/HelpWindow.h"
#include "ui/linkdetail/LinkDetail.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <filesystem>

namespace tarnwick {

namespace {

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

std::string S(const QString& text)
{
    return text.toStdString();
}

QFrame* Line(const char* name, QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

template <typename Widget> Widget* Named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

constexpr int ScheduleIntervalMs = 10'000;
constexpr int HelpTab = 5;

const char* const LogonTips
    = "Simply type in the keystrokes as you ordinarily would when logging on and off the Doradoza.  See Help for tips "
      "on how to enter non-printing keystrokes such as \"Enter\" or \"Tab\".  Doradoza Tarnwick will then replay the "
      "keystrokes when logging on and off the Doradoza for automatic, scheduled downloads.";

const char* const AboutText
    = "Doradoza Tarnwick fetches the web pages you name ahead of time, so that you can read them later without "
      "waiting for the network.\n\nKeep your links on the Links tab, give each a schedule and a depth in its "
      "details, and Tarnwick fetches each link's page and what it references into its cache, rewrites the stored "
      "pages to open from there, and lists every download in its log page.";

} // namespace

MainWindow::MainWindow(MainWindowSetup setup)
    : m_setup(std::move(setup))
{
    setObjectName(QStringLiteral("Tarnwick"));
    setWindowTitle(QStringLiteral("Doradoza Tarnwick"));

    if (m_setup.Boxes == nullptr) {
        m_ownBoxes = std::make_unique<QtDialogs>(this);
        m_setup.Boxes = m_ownBoxes.get();
    }
    if (m_setup.Launcher == nullptr) {
        m_ownLauncher = std::make_unique<DetachedPrograms>();
        m_setup.Launcher = m_ownLauncher.get();
    }
    if (m_setup.Waits == nullptr) {
        m_ownWaits = std::make_unique<EventLoopWaiter>();
        m_setup.Waits = m_ownWaits.get();
    }
    if (m_setup.Windows == nullptr) {
        m_ownWindows = std::make_unique<XdotoolWindowControl>();
        m_setup.Windows = m_ownWindows.get();
    }
    if (m_setup.Dial == nullptr) {
        m_logon = std::make_unique<LogonAutomation>(
            *this, m_state.Session, *m_setup.Launcher, *m_setup.Windows, *m_setup.Waits);
        m_setup.Dial = m_logon.get();
    }
    m_boxes = m_setup.Boxes;
    m_launcher = m_setup.Launcher;

    m_tabs = Named(new QTabWidget(this), "Tabs");
    m_tabs->addTab(BuildLinksTab(), QStringLiteral("&Links"));
    m_tabs->addTab(BuildDownloadSettingsTab(), QStringLiteral("&Download Settings"));
    m_tabs->addTab(BuildBrowserTab(), QStringLiteral("&Browser"));
    m_tabs->addTab(BuildDoradozaTab(), QStringLiteral("&Doradoza"));
    m_tabs->addTab(BuildAboutTab(), QStringLiteral("&About"));
    m_tabs->addTab(new QWidget(m_tabs), QStringLiteral("&Help"));
    m_tabs->setCurrentIndex(4); // the window opens with "About" in front
    m_lastTab = 4;
    connect(m_tabs, &QTabWidget::currentChanged, this, &MainWindow::OnTabChanged);
    setCentralWidget(m_tabs);
    resize(560, 420);

    m_schedule.setObjectName(QStringLiteral("Schedule"));
    m_schedule.setInterval(ScheduleIntervalMs);
    connect(&m_schedule, &QTimer::timeout, this, [this] {
        m_runControl->ScheduleTick();
        FinishPendingClose();
    });

    // The details window exists from the start, hidden; its lists name the schedule values.
    m_details = new LinkDetail(
        m_state.Links, [this] { return CurrentPosition() + 1; }, *m_setup.Time, nullptr);
    connect(m_details, &LinkDetail::hiddenByUser, this,
        [this] { m_cmdLinkDetails->setText(QStringLiteral("Show Link Details")); });

    m_status = new DlStatus(this);
    m_transfer = std::make_unique<Transfer>(m_state.Transfer, m_socket, *m_status, m_setup.Timeouts);
    m_status->SetCancelAction([this] { m_transfer->Cancel(); });
    m_runControl = std::make_unique<RunControl>(
        RunContext{m_state, *this, *this, *m_status, *m_transfer, m_socket, *m_setup.Dial, *m_launcher, *m_setup.Time});
}

MainWindow::~MainWindow()
{
    // The status and details windows are top-level windows of their own; they go with this one.
    delete m_details;
    delete m_status;
}

QWidget* MainWindow::BuildLinksTab()
{
    auto* page = new QWidget(this);
    m_lstLinks = Named(new QListWidget(page), "lstLinks");
    m_lstLinks->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_lstLinks->viewport()->installEventFilter(this);
    connect(m_lstLinks, &QListWidget::currentRowChanged, this, [this] { ShowCurrentLink(); });

    auto* download = Named(new QPushButton(QStringLiteral("Download Selected Links Now!"), page), "cmdDownloadNow");
    auto* today
        = Named(new QPushButton(QStringLiteral("Select Links To Be Downloaded Today"), page), "cmdTodaysSchedule");
    auto* create = Named(new QPushButton(QStringLiteral("Create New Link"), page), "cmdCreateNewLink");
    auto* import = Named(new QPushButton(QStringLiteral("Import Links"), page), "cmdImportLinks");
    auto* remove = Named(new QPushButton(QStringLiteral("Delete Current Link"), page), "cmdDeleteCurrentLink");
    m_cmdLinkDetails = Named(new QPushButton(QStringLiteral("Show Link Details"), page), "cmdLinkDetails");
    connect(download, &QPushButton::clicked, this, &MainWindow::DownloadNow);
    connect(today, &QPushButton::clicked, this, &MainWindow::TodaysSchedule);
    connect(create, &QPushButton::clicked, this, &MainWindow::CreateNewLink);
    connect(import, &QPushButton::clicked, this, &MainWindow::ImportLinks);
    connect(remove, &QPushButton::clicked, this, &MainWindow::DeleteCurrentLink);
    connect(m_cmdLinkDetails, &QPushButton::clicked, this, &MainWindow::ToggleLinkDetails);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {download, today, create, import, remove, m_cmdLinkDetails})
        buttons->addWidget(button);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(m_lstLinks, 1);
    layout->addLayout(buttons);
    return page;
}

QWidget* MainWindow::BuildDownloadSettingsTab()
{
    auto* page = new QWidget(this);
    m_tbxCacheDays = Named(new QLineEdit(QStringLiteral("3"), page), "tbxCacheDays");
    m_tbxCacheDays->setMaximumWidth(60);
    m_tbxCacheDays->installEventFilter(this);
    m_tbxValidExtensions
        = Named(new QLineEdit(QStringLiteral("txt gif bmp jpg jpeg htm html "), page), "tbxValidExtensions");
    m_chkEnableSchedule = Named(
        new QCheckBox(QStringLiteral("Automatically Download Files From the Doradoza"), page), "chkEnableSchedule");
    // A change of state, by a click or by reading the options, switches the timer.
    connect(m_chkEnableSchedule, &QCheckBox::toggled, this, [this](bool on) { SetScheduleTimer(on); });
    auto* clear = Named(new QPushButton(QStringLiteral("Clear Cache Now"), page), "cmdClearCache");
    connect(clear, &QPushButton::clicked, this, &MainWindow::ClearCacheNow);

    auto* days = new QHBoxLayout;
    days->addWidget(Named(new QLabel(QStringLiteral("Delete Cache Files Automatically After "), page), "lblCache0"));
    days->addWidget(m_tbxCacheDays);
    days->addWidget(Named(new QLabel(QStringLiteral("Days, or..."), page), "lblCache1"));
    days->addWidget(clear);
    days->addStretch();
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(days);
    layout->addWidget(
        Named(new QLabel(QStringLiteral("Valid File Extensions to Download"), page), "lblFileExtensions"));
    layout->addWidget(m_tbxValidExtensions);
    layout->addWidget(m_chkEnableSchedule);
    layout->addStretch();
    return page;
}

QWidget* MainWindow::BuildBrowserTab()
{
    auto* page = new QWidget(this);
    m_tbxWebViewer = Named(new QLineEdit(page), "tbxWebViewer");
    auto* browse = Named(new QPushButton(QStringLiteral("Browse"), page), "cmdBrowseViewer");
    m_chkAutoLaunchBrowser
        = Named(new QCheckBox(QStringLiteral("Automatically Launch Web Viewer After Downloading Files"), page),
            "chkAutoLaunchBrowser");
    auto* launch = Named(new QPushButton(QStringLiteral("Launch Now With the Latest Doradoza Tarnwick Log File"), page),
        "cmdLaunchBrowser");
    connect(browse, &QPushButton::clicked, this, &MainWindow::BrowseViewer);
    connect(launch, &QPushButton::clicked, this, &MainWindow::LaunchBrowserNow);

    auto* viewer = new QHBoxLayout;
    viewer->addWidget(m_tbxWebViewer, 1);
    viewer->addWidget(browse);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Named(new QLabel(QStringLiteral("Web Viewer"), page), "lblWebViewer"));
    layout->addLayout(viewer);
    layout->addWidget(m_chkAutoLaunchBrowser);
    layout->addWidget(launch);
    layout->addStretch();
    return page;
}

QWidget* MainWindow::BuildDoradozaTab()
{
    auto* page = new QWidget(this);
    m_tbxInternetAccessSoftware = Named(new QLineEdit(page), "tbxInternetAccessSoftware");
    auto* browse = Named(new QPushButton(QStringLiteral("Browse"), page), "cmdInternetAccessSoftware");
    connect(browse, &QPushButton::clicked, this, &MainWindow::BrowseAccessProgram);
    m_chkAutoLogon = Named(
        new QCheckBox(QStringLiteral("Log on and off the Doradoza automatically for scheduled downloads"), page),
        "chkAutoLogon");
    m_tbxInternetAddress = Named(new QLineEdit(page), "tbxInternetAddress");
    m_tbxLogonKeystrokes = Named(new QLineEdit(page), "tbxLogonKeystrokes");
    m_tbxLogoffKeystrokes = Named(new QLineEdit(page), "tbxLogoffKeystrokes");
    auto* tips = Named(new QLabel(QString::fromLatin1(LogonTips), page), "lblLogonTips");
    tips->setWordWrap(true);

    auto* grid = new QGridLayout(page);
    grid->addWidget(
        Named(new QLabel(QStringLiteral("Doradoza Access Software"), page), "lblInternetAccessSoftware"), 0, 0, 1, 3);
    grid->addWidget(m_tbxInternetAccessSoftware, 1, 0, 1, 2);
    grid->addWidget(browse, 1, 2);
    grid->addWidget(m_chkAutoLogon, 2, 0, 1, 3);
    grid->addWidget(Line("lnInternetAccessSoftware", page), 3, 0, 1, 3);
    grid->addWidget(Named(new QLabel(QStringLiteral("Doradoza Address"), page), "lblInternetAddress"), 4, 0);
    grid->addWidget(m_tbxInternetAddress, 4, 1, 1, 2);
    grid->addWidget(Line("lnLogon0", page), 5, 0, 1, 3);
    grid->addWidget(Named(new QLabel(QStringLiteral("Logon Keystrokes"), page), "lblLogonKeystrokes"), 6, 0);
    grid->addWidget(m_tbxLogonKeystrokes, 6, 1, 1, 2);
    grid->addWidget(Named(new QLabel(QStringLiteral("Logoff Keystrokes"), page), "lblLogoffKeystrokes"), 7, 0);
    grid->addWidget(m_tbxLogoffKeystrokes, 7, 1, 1, 2);
    grid->addWidget(Line("lnLogon1", page), 8, 0, 1, 3);
    grid->addWidget(tips, 9, 0, 1, 3);
    grid->setRowStretch(10, 1);
    return page;
}

QWidget* MainWindow::BuildAboutTab()
{
    auto* page = new QWidget(this);
    QFont serif(QStringLiteral("Serif"), 20, QFont::Bold);
    serif.setStyleHint(QFont::Serif);
    // Two copies of the title, the second one pixel right of and below the first: text with a shadow.
    auto* logoArea = new QWidget(page);
    logoArea->setMinimumHeight(48);
    auto* shadow = Named(new QLabel(QStringLiteral("Doradoza Tarnwick, Version  1.0"), logoArea), "lblLogo1");
    auto* logo = Named(new QLabel(QStringLiteral("Doradoza Tarnwick, Version  1.0"), logoArea), "lblLogo0");
    for (QLabel* label : {shadow, logo})
        label->setFont(serif);
    shadow->setStyleSheet(QStringLiteral("color: gray"));
    logo->move(8, 8);
    shadow->move(9, 9);
    logo->adjustSize();
    shadow->adjustSize();
    logoArea->setMinimumWidth(logo->width() + 20);

    auto* about = Named(new QPlainTextEdit(QString::fromLatin1(AboutText), page), "tbxAbout");
    about->setReadOnly(true);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(logoArea);
    layout->addWidget(about, 1);
    return page;
}

// ---- Options: the controls are the options' only home.

QLineEdit* MainWindow::TextBoxOf(Option option) const
{
    switch (option) {
    case Option::CacheDays:
        return m_tbxCacheDays;
    case Option::ValidExtensions:
        return m_tbxValidExtensions;
    case Option::WebViewer:
        return m_tbxWebViewer;
    case Option::InternetAddress:
        return m_tbxInternetAddress;
    case Option::AccessProgram:
        return m_tbxInternetAccessSoftware;
    case Option::LogonKeys:
        return m_tbxLogonKeystrokes;
    case Option::LogoffKeys:
        return m_tbxLogoffKeystrokes;
    default:
        return nullptr;
    }
}

QCheckBox* MainWindow::CheckBoxOf(Option option) const
{
    switch (option) {
    case Option::AutoLaunchBrowser:
        return m_chkAutoLaunchBrowser;
    case Option::EnableSchedule:
        return m_chkEnableSchedule;
    case Option::AutoLogon:
        return m_chkAutoLogon;
    default:
        return nullptr;
    }
}

std::string MainWindow::Get(Option option) const
{
    if (QCheckBox* box = CheckBoxOf(option))
        return box->isChecked() ? "1" : "0";
    return S(TextBoxOf(option)->text());
}

void MainWindow::Set(Option option, const std::string& value)
{
    if (QCheckBox* box = CheckBoxOf(option))
        box->setChecked(value == "1");
    else
        TextBoxOf(option)->setText(Q(value));
}

// ---- The link list.

void MainWindow::ClearItems()
{
    m_lstLinks->clear();
}

void MainWindow::AddItem(const std::string& title)
{
    m_lstLinks->addItem(Q(title));
}

void MainWindow::RemoveItem(int position)
{
    delete m_lstLinks->takeItem(position);
}

void MainWindow::SetItemText(int position, const std::string& title)
{
    if (QListWidgetItem* item = m_lstLinks->item(position))
        item->setText(Q(title));
}

int MainWindow::ItemCount() const
{
    return m_lstLinks->count();
}

int MainWindow::CurrentPosition() const
{
    return m_lstLinks->currentRow();
}

void MainWindow::SetCurrentPosition(int position)
{
    // Moving the focus alone keeps the user's selection for "Download Selected Links Now!".
    m_lstLinks->setCurrentRow(position, QItemSelectionModel::NoUpdate);
}

bool MainWindow::IsSelected(int position) const
{
    const QListWidgetItem* item = m_lstLinks->item(position);
    return item != nullptr && item->isSelected();
}

void MainWindow::SetSelected(int position, bool selected)
{
    if (QListWidgetItem* item = m_lstLinks->item(position))
        item->setSelected(selected);
}

// ---- What run control and the loader ask of the window.

bool MainWindow::LinkDetailsShown() const
{
    return m_cmdLinkDetails->text() == QStringLiteral("Hide Link Details");
}

void MainWindow::ToggleLinkDetails()
{
    if (m_details->isVisible()) {
        m_details->hide();
        m_cmdLinkDetails->setText(QStringLiteral("Show Link Details"));
    } else {
        m_details->show();
        m_details->move(frameGeometry().topRight() + QPoint(8, 0));
        m_cmdLinkDetails->setText(QStringLiteral("Hide Link Details"));
        ShowCurrentLink();
    }
}

bool MainWindow::ConfirmLogon()
{
    return m_boxes->OkCancel("Doradoza Logon",
        "To proceed, Doradoza Tarnwick needs you to sign on to the Doradoza.  "
        "Once you have done so, click on OK.");
}

void MainWindow::SetScheduleTimer(bool on)
{
    if (on)
        m_schedule.start();
    else
        m_schedule.stop();
}

void MainWindow::ResetLinkDetails()
{
    m_details->ResetLists(true);
}

void MainWindow::ShowCurrentLink()
{
    if (m_details == nullptr || ItemCount() == 0)
        return;
    const int i = CurrentPosition() + 1;
    if (m_state.Links.IsValidIndex(i))
        m_details->ShowLink(m_state.Links.At(i));
}

// ---- Start-up and shut-down.

void MainWindow::StartUp()
{
    m_loading = true;
    m_state.RunStartTime = m_setup.Time->NowAsDayNumber();
    show();
    QApplication::processEvents();

    setEnabled(false);
    m_state.Links.Replace(*this);
    m_state.Folder.Base = m_setup.BaseFolder;
    ReadIni(*this, *m_setup.Settings);
    m_state.Folder.Cache = m_state.Folder.Base + "cache/";
    std::error_code ignored; // an existing folder is no failure
    std::filesystem::create_directories(m_state.Folder.Cache, ignored);
    ExpireCache(m_state, *this, *m_status, *m_setup.Time);
    m_details->ResetLists(false);
    setEnabled(true);

    const std::string catalogue = CatalogueFilePath(m_state.Folder);
    if (FileExists(catalogue)) {
        LoadCatalogue(catalogue, false, m_state.Links, *this, *m_status, *this, *m_setup.Time);
        ShowCurrentLink();
    }
    SetScheduleTimer(m_chkEnableSchedule->isChecked());
    m_loading = false;
    FinishPendingClose();
}

void MainWindow::ShutDown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_schedule.stop();
    m_socket.Close();
    SaveEverything();
    if (m_details != nullptr)
        m_details->hide();
    m_status->hide();
    if (m_help != nullptr)
        m_help->hide();
    Q_EMIT shutDownFinished();
}

void MainWindow::SaveEverything()
{
    std::string error;
    if (m_state.Links.LinkCount > 0 && !SaveCatalogue(m_state.Links, m_state.Folder, error))
        m_boxes->Warning("Doradoza Tarnwick", error);
    WriteIni(*this, *m_setup.Settings);
    if (!m_setup.Settings->Sync(error))
        m_boxes->Warning("Doradoza Tarnwick", error);
}

void MainWindow::FinishPendingClose()
{
    // Once the event loop is back in charge, so nothing of the ended work is still on the stack.
    if (m_closeRequested && !m_loading && !m_state.Session.RunInProgress)
        QTimer::singleShot(0, this, &QWidget::close);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_loading || m_state.Session.RunInProgress) {
        // A half-loaded catalogue must not replace the file, so a close waits for the load. A run
        // may wait long (its logon question, its pauses): its transfer stops now, what the user
        // has done is saved now, and the window closes once the run has wound down.
        if (!m_loading && !m_closeRequested) {
            m_transfer->Cancel();
            SaveEverything();
        }
        m_closeRequested = true; // the load or the run closes the window when it ends
        event->ignore();
        return;
    }
    ShutDown();
    event->accept();
}

// ---- Commands.

bool MainWindow::Busy() const
{
    return m_state.Session.RunInProgress || m_shutDown;
}

void MainWindow::CreateNewLink()
{
    if (Busy())
        return;
    SetScheduleTimer(false);
    const auto title = m_boxes->InputBox("New Link", "Enter the title of the new link", "");
    if (title && !title->empty()) {
        const auto url = m_boxes->InputBox("New URL", "Enter the URL of the new link", "");
        if (url && !url->empty()) {
            LinkRecord link;
            link.Title = *title;
            link.URL = *url;
            const int i = m_state.Links.Append(link, *this);
            m_state.Links.LinkCount = i;
            m_lstLinks->setCurrentRow(i - 1);
            ShowCurrentLink();
        }
    }
    SetScheduleTimer(m_chkEnableSchedule->isChecked());
}

void MainWindow::DeleteCurrentLink()
{
    if (Busy() || ItemCount() == 0)
        return;
    SetScheduleTimer(false);
    const int i = CurrentPosition() + 1;
    if (m_state.Links.IsValidIndex(i)) {
        m_state.Links.Remove(i, *this);
        m_lstLinks->setCurrentRow(ItemCount() - 1);
        ShowCurrentLink();
    }
    m_lstLinks->setFocus();
    SetScheduleTimer(m_chkEnableSchedule->isChecked());
}

void MainWindow::RenameCurrentLink()
{
    if (Busy() || ItemCount() == 0)
        return;
    const auto title = m_boxes->InputBox("Link Title", "Enter the new title of the link", "");
    const int i = CurrentPosition() + 1;
    if (title && !title->empty() && m_state.Links.IsValidIndex(i))
        m_state.Links.Rename(i, *title, *this);
}

void MainWindow::DownloadNow()
{
    if (Busy())
        return;
    m_runControl->DownloadNow(*this);
    FinishPendingClose();
}

void MainWindow::TodaysSchedule()
{
    if (Busy())
        return;
    m_runControl->TodaysSchedule(*this);
}

void MainWindow::ClearCacheNow()
{
    if (Busy())
        return;
    SetScheduleTimer(false);
    ClearCache(m_state);
    SetScheduleTimer(m_chkEnableSchedule->isChecked());
}

void MainWindow::LaunchBrowserNow()
{
    m_runControl->LaunchBrowserClick();
}

void MainWindow::RunFileDialog(FileDialogRequest& request)
{
    if (m_setup.ShowFileDialog) {
        m_setup.ShowFileDialog(request);
        return;
    }
    FileOpen dialog(request, this);
    dialog.exec();
}

std::string MainWindow::ChooseProgram()
{
    FileDialogRequest request{"*.exe", "Program Files (*.exe)|*.exe|All Files(*.*)|*.*"};
    RunFileDialog(request);
    return BrowseResult(request.Path);
}

void MainWindow::BrowseViewer()
{
    SetScheduleTimer(false);
    m_tbxWebViewer->setText(Q(ChooseProgram()));
    SetScheduleTimer(m_chkEnableSchedule->isChecked());
}

void MainWindow::BrowseAccessProgram()
{
    // This dialog leaves the timer running; it only sets it at the end.
    m_tbxInternetAccessSoftware->setText(Q(ChooseProgram()));
    SetScheduleTimer(m_chkEnableSchedule->isChecked());
}

void MainWindow::ImportLinks()
{
    if (Busy())
        return;
    SetScheduleTimer(false);
    FileDialogRequest request{"*.htm", "Hypertext (*.htm)|*.htm|All Files(*.*)|*.*"};
    RunFileDialog(request);
    if (FileExists(request.Path)) {
        bool append = true;
        if (m_state.Links.Count() > 0) {
            append = m_boxes->YesNo("Import Links", "Overwrite the current list with links from " + request.Path + "?")
                == Dialogs::Answer::No;
        }
        m_loading = true;
        LoadCatalogue(request.Path, append, m_state.Links, *this, *m_status, *this, *m_setup.Time);
        m_loading = false;
    }
    FinishPendingClose();
    SetScheduleTimer(m_chkEnableSchedule->isChecked());
}

void MainWindow::OpenHelp()
{
    if (m_help == nullptr)
        m_help = new HelpWindow(this);
    const std::string inBase = m_state.Folder.Base + "tarnwick.hlp";
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/tarnwick.hlp");
    // The help file ships next to the program; the base folder may be the per-user data folder.
    if (!m_help->ShowContents(Q(inBase)))
        m_help->ShowContents(beside);
}

void MainWindow::OnTabChanged(int index)
{
    if (index == HelpTab) {
        const QSignalBlocker block(m_tabs);
        m_tabs->setCurrentIndex(m_lastTab);
        OpenHelp();
        return;
    }
    m_lastTab = index;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tbxCacheDays) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            const QString text = key->text();
            // Only digits reach the box; Delete and the cursor keys still edit it.
            if (!text.isEmpty() && key->key() != Qt::Key_Delete
                && !(text.size() == 1 && CacheDaysAcceptsChar(text.at(0).unicode())))
                return true;
        } else if (event->type() == QEvent::KeyRelease) {
            const std::string after = CacheDaysAfterKeyRelease(S(m_tbxCacheDays->text()));
            if (after != S(m_tbxCacheDays->text()))
                m_tbxCacheDays->setText(Q(after));
        }
    } else if (watched == m_lstLinks->viewport()
        && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease
            || event->type() == QEvent::MouseButtonDblClick)) {
        // The right button renames the current link and never moves the focus or the selection.
        if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
            if (event->type() == QEvent::MouseButtonRelease)
                RenameCurrentLink();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace tarnwick
