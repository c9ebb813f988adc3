#pragma once

// The main window "Tarnwick": the link list and the option pages, the schedule timer, and the
// program's start-up and shut-down. It is thin: every command calls the core, and the window
// offers the core what it needs (the options, the link list, the status window, the boxes)
// through small interfaces.

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueFile.h"
#include "platform/Keystrokes.h"
#include "platform/Programs.h"
#include "platform/SettingsStore.h"
#include "platform/TcpSocket.h"
#include "retrieval/Transfer.h"
#include "schedule/LogonAutomation.h"
#include "schedule/RunControl.h"
#include "state/FileDialogRequest.h"
#include "state/Options.h"
#include "state/ProgramState.h"
#include "support/Clock.h"
#include "support/Wait.h"
#include "ui/Dialogs.h"

#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <memory>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace tarnwick {

class DlStatus;
class HelpWindow;
class LinkDetail;

// What the window is given from outside; tests pass their own.
struct MainWindowSetup
{
    std::string BaseFolder; // ends in "/"
    SettingsStore* Settings = nullptr;
    const Clock* Time = nullptr;
    Dialogs* Boxes = nullptr; // nullptr: the real boxes
    Programs* Launcher = nullptr; // nullptr: start programs for real
    DialUp* Dial = nullptr; // nullptr: the keystroke automation through Windows
    WindowControl* Windows = nullptr; // nullptr: xdotool
    Waiter* Waits = nullptr; // nullptr: real time
    TransferTimeouts Timeouts;
    // Shows the file-open dialog for a request (nullptr: the program's own dialog).
    std::function<void(FileDialogRequest&)> ShowFileDialog;
};

class MainWindow final : public QMainWindow,
                         public Options,
                         public LinkListView,
                         public RunUi,
                         public CatalogueLoadEvents
{
    Q_OBJECT

public:
    explicit MainWindow(MainWindowSetup setup);
    ~MainWindow() override;

    // The start-up sequence: show, read the options, purge the cache, load the catalogue.
    void StartUp();
    // The shut-down sequence (closing the window runs it): close the socket, save, write options.
    void ShutDown();

    ProgramState& State() { return m_state; }
    RunControl& Runs() { return *m_runControl; }
    DlStatus& StatusWindowRef() { return *m_status; }
    LinkDetail& Details() { return *m_details; }
    Transfer& Transfers() { return *m_transfer; }
    QTimer& ScheduleTimer() { return m_schedule; }

    // Options
    std::string Get(Option option) const override;
    void Set(Option option, const std::string& value) override;

    // LinkListView (lstLinks)
    void ClearItems() override;
    void AddItem(const std::string& title) override;
    void RemoveItem(int position) override;
    void SetItemText(int position, const std::string& title) override;
    int ItemCount() const override;
    int CurrentPosition() const override;
    void SetCurrentPosition(int position) override;
    bool IsSelected(int position) const override;
    void SetSelected(int position, bool selected) override;

    // RunUi
    bool LinkDetailsShown() const override;
    void ToggleLinkDetails() override;
    bool ConfirmLogon() override;
    void SetScheduleTimer(bool on) override;

    // CatalogueLoadEvents
    void ResetLinkDetails() override;
    void ShowCurrentLink() override;

    // The commands, as their buttons run them.
    void CreateNewLink();
    void DeleteCurrentLink();
    void RenameCurrentLink();
    void DownloadNow();
    void TodaysSchedule();
    void ImportLinks();
    void ClearCacheNow();
    void LaunchBrowserNow();
    void BrowseViewer();
    void BrowseAccessProgram();
    void OpenHelp();

Q_SIGNALS:
    void shutDownFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildLinksTab();
    QWidget* BuildDownloadSettingsTab();
    QWidget* BuildBrowserTab();
    QWidget* BuildDoradozaTab();
    QWidget* BuildAboutTab();
    void OnTabChanged(int index);
    void RunFileDialog(FileDialogRequest& request);
    std::string ChooseProgram();
    // True (and nothing done) when a run is in progress: catalogue and run commands wait for it.
    bool Busy() const;
    QCheckBox* CheckBoxOf(Option option) const;
    QLineEdit* TextBoxOf(Option option) const;

    MainWindowSetup m_setup;
    ProgramState m_state;
    std::unique_ptr<Dialogs> m_ownBoxes;
    std::unique_ptr<Programs> m_ownLauncher;
    std::unique_ptr<Waiter> m_ownWaits;
    Dialogs* m_boxes = nullptr;
    Programs* m_launcher = nullptr;

    QTabWidget* m_tabs = nullptr;
    int m_lastTab = 0;
    QListWidget* m_lstLinks = nullptr;
    QPushButton* m_cmdLinkDetails = nullptr;
    QLineEdit* m_tbxCacheDays = nullptr;
    QLineEdit* m_tbxValidExtensions = nullptr;
    QCheckBox* m_chkEnableSchedule = nullptr;
    QLineEdit* m_tbxWebViewer = nullptr;
    QCheckBox* m_chkAutoLaunchBrowser = nullptr;
    QLineEdit* m_tbxInternetAccessSoftware = nullptr;
    QCheckBox* m_chkAutoLogon = nullptr;
    QLineEdit* m_tbxInternetAddress = nullptr;
    QLineEdit* m_tbxLogonKeystrokes = nullptr;
    QLineEdit* m_tbxLogoffKeystrokes = nullptr;

    QTimer m_schedule; // the schedule timer
    TcpSocket m_socket;
    DlStatus* m_status = nullptr;
    LinkDetail* m_details = nullptr;
    HelpWindow* m_help = nullptr;
    std::unique_ptr<Transfer> m_transfer;
    std::unique_ptr<WindowControl> m_ownWindows;
    std::unique_ptr<LogonAutomation> m_logon;
    std::unique_ptr<RunControl> m_runControl;
    // Writes the catalogue (when it has had links) and the options; warns when either fails.
    void SaveEverything();
    // Closes the window when a close was asked for while a load or a run was in progress.
    void FinishPendingClose();

    bool m_shutDown = false;
    bool m_closeRequested = false;
    bool m_loading = false; // start-up, or a catalogue load: a close waits for its end
};

} // namespace tarnwick
