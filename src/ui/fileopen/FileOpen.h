#pragma once

#include "state/FileDialogRequest.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace tarnwick {

// The type list of the dialog: the descriptions shown and the file pattern of each, in order.
struct FileTypes
{
    QStringList Descriptions;
    QStringList Patterns;
};

// Takes a filter ("description|pattern|description|pattern") apart piece by piece and leaves it
// empty. A last piece without a "|" after it counts as if it had one. When the filter yields no
// description the single type "All Files (*.*)" is offered, and when it yields no pattern the
// pattern "*.*". Pieces that do not pair up are kept as they come (no caller passes such a filter).
FileTypes TakeFileTypes(std::string& filter);

// True when a file name matches a file-list pattern: "*" stands for any run of characters, "?" for
// one, letters match in either case, several patterns may be separated by ";". "*.*" and "*" match
// every name, also one without a dot, as the callers' "All Files" types mean; an empty pattern
// matches every name too.
bool MatchesFilePattern(const QString& name, const QString& pattern);

// What a Browse button puts into its box from the dialog's path: the path when it names an existing
// file, otherwise "" (also after Cancel). The case is kept: Linux file names tell letter cases
// apart, so a lower-cased path would name another file or none.
std::string BrowseResult(const std::string& path);

// The file-open dialog: a file-name box with a file list, a folder list with a drive list, and a
// list of file types. Created anew for each use and shown modally; the caller reads the chosen path
// from the request afterwards ("" after Cancel).
class FileOpen final : public QDialog
{
    Q_OBJECT

public:
    // Takes the types out of request.Filter and fills the lists at CurrentFolder().
    explicit FileOpen(FileDialogRequest& request, QWidget* parent = nullptr);

    // The folder the lists open at: where the user last changed folders in this dialog during this
    // run of the program, at first the program's starting folder. It is kept here rather than as
    // the process's current folder, so that opening a folder in the dialog changes nothing for the
    // rest of the program (relative paths, programs it starts).
    static QString CurrentFolder();
    static void SetCurrentFolder(const QString& folder);

    // The folder of the lists (no "/" at the end except for the root) and the file list's pattern.
    QString Folder() const { return m_folder; }
    QString Pattern() const { return m_pattern; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override; // Escape: the same as Cancel
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnTypeChanged(int position);
    void OnDriveChanged(int position);
    void OnFolderActivated(QListWidgetItem* item);
    void OpenFolder(const QString& folder);
    void OnFilesClick();
    void OnOK();
    void OnCancel();

    void FillDrives();
    void SelectDriveOf(const QString& folder);
    void FillFolders();
    void FillFiles();

    FileDialogRequest& m_request;
    QStringList m_patterns;
    QString m_folder;
    QString m_pattern;
    int m_driveIndex = -1;

    QLabel* m_lblFileName;
    QLineEdit* m_tbxFileName;
    QListWidget* m_lstFiles;
    QLabel* m_lblTypes;
    QComboBox* m_lstFileTypes;
    QLabel* m_lblFolders;
    QLabel* m_lblCurrentFolder;
    QListWidget* m_lstFolders;
    QLabel* m_lblDrives;
    QComboBox* m_lstDrives;
    QPushButton* m_cmdOK;
    QPushButton* m_cmdCancel;
};

} // namespace tarnwick
