#include "ui/fileopen/FileOpen.h"

#include "support/Files.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

namespace tarnwick {

namespace {

constexpr int PathRole = Qt::UserRole;

const QString AllFilesDescription = QStringLiteral("All Files (*.*)");
const QString AllFilesPattern = QStringLiteral("*.*");

// Takes the text before the first "|" out of filter, together with the "|". A text without "|" is
// taken whole. Returns false when the filter is empty.
bool TakePiece(std::string& filter, std::string& piece)
{
    if (filter.empty())
        return false;
    const std::size_t bar = filter.find('|');
    if (bar == std::string::npos) {
        piece = filter;
        filter.clear();
    } else {
        piece = filter.substr(0, bar);
        filter.erase(0, bar + 1);
    }
    return true;
}

// "*" and "?" wildcards over texts already case-folded.
bool GlobMatch(QStringView name, QStringView pattern)
{
    qsizetype n = 0;
    qsizetype p = 0;
    qsizetype starAt = -1; // position in the pattern after the last "*"
    qsizetype starName = 0; // where that "*" began in the name
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starAt = ++p;
            starName = n;
        } else if (starAt >= 0) {
            p = starAt;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

// The folder as the lists name it: absolute, cleaned, no "/" at the end except for the root.
QString CleanFolder(const QString& folder)
{
    return QDir::cleanPath(QDir(folder).absolutePath());
}

// The folder itself when it exists, else its nearest existing ancestor: a folder removed since the
// last use does not leave the next dialog stuck in it.
QString ExistingFolder(QString folder)
{
    while (!QFileInfo(folder).isDir() && folder != QDir::rootPath()) {
        const QString parent = QFileInfo(folder).path();
        if (parent == folder)
            break;
        folder = parent;
    }
    return QFileInfo(folder).isDir() ? folder : QDir::rootPath();
}

// True when root lies at or above path.
bool IsAtOrAbove(const QString& root, const QString& path)
{
    if (root == QDir::rootPath())
        return path.startsWith(root);
    return path == root || path.startsWith(root + QLatin1Char('/'));
}

QString& StoredFolder()
{
    static QString folder = CleanFolder(QDir::currentPath());
    return folder;
}

} // namespace

FileTypes TakeFileTypes(std::string& filter)
{
    FileTypes types;
    std::string piece;
    while (TakePiece(filter, piece)) {
        if (!piece.empty())
            types.Descriptions.append(QString::fromStdString(piece));
        if (!TakePiece(filter, piece))
            break;
        types.Patterns.append(QString::fromStdString(piece));
    }
    if (types.Descriptions.isEmpty())
        types.Descriptions.append(AllFilesDescription);
    if (types.Patterns.isEmpty())
        types.Patterns.append(AllFilesPattern);
    return types;
}

bool MatchesFilePattern(const QString& name, const QString& pattern)
{
    const QString folded = name.toCaseFolded();
    bool anyPattern = false;
    for (const QString& piece : pattern.split(QLatin1Char(';'))) {
        const QString one = piece.trimmed();
        if (one.isEmpty())
            continue;
        anyPattern = true;
        if (one == AllFilesPattern || one == QStringLiteral("*"))
            return true;
        if (GlobMatch(folded, one.toCaseFolded()))
            return true;
    }
    return !anyPattern;
}

std::string BrowseResult(const std::string& path)
{
    // Kept as chosen, not lower-cased: see the declaration.
    return FileExists(path) ? path : std::string();
}

QString FileOpen::CurrentFolder()
{
    return StoredFolder();
}

void FileOpen::SetCurrentFolder(const QString& folder)
{
    StoredFolder() = CleanFolder(folder);
}

FileOpen::FileOpen(FileDialogRequest& request, QWidget* parent)
    : QDialog(parent)
    , m_request(request)
    , m_lblFileName(new QLabel(QStringLiteral("File Name:"), this))
    , m_tbxFileName(new QLineEdit(this))
    , m_lstFiles(new QListWidget(this))
    , m_lblTypes(new QLabel(QStringLiteral("List Files Of Type:"), this))
    , m_lstFileTypes(new QComboBox(this))
    , m_lblFolders(new QLabel(QStringLiteral("Folders:"), this))
    , m_lblCurrentFolder(new QLabel(this))
    , m_lstFolders(new QListWidget(this))
    , m_lblDrives(new QLabel(QStringLiteral("Drives:"), this))
    , m_lstDrives(new QComboBox(this))
    , m_cmdOK(new QPushButton(QStringLiteral("&OK"), this))
    , m_cmdCancel(new QPushButton(QStringLiteral("&Cancel"), this))
{
    setObjectName(QStringLiteral("FileOpen"));
    setWindowTitle(QStringLiteral("File Open"));
    setModal(true);

    m_lblFileName->setObjectName(QStringLiteral("lblFileName"));
    m_tbxFileName->setObjectName(QStringLiteral("tbxFileName"));
    m_lblFileName->setBuddy(m_tbxFileName);
    m_lstFiles->setObjectName(QStringLiteral("lstFiles"));
    m_lstFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lblTypes->setObjectName(QStringLiteral("lblTypes"));
    m_lstFileTypes->setObjectName(QStringLiteral("lstFileTypes"));
    m_lblTypes->setBuddy(m_lstFileTypes);
    m_lblFolders->setObjectName(QStringLiteral("lblFolders"));
    m_lblCurrentFolder->setObjectName(QStringLiteral("lblCurrentFolder"));
    // A long path is cut at the column's edge instead of widening the dialog; the tip shows it whole.
    m_lblCurrentFolder->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_lblCurrentFolder->setTextFormat(Qt::PlainText);
    m_lstFolders->setObjectName(QStringLiteral("lstFolders"));
    m_lstFolders->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lstFolders->installEventFilter(this);
    m_lblFolders->setBuddy(m_lstFolders);
    m_lblDrives->setObjectName(QStringLiteral("lblDrives"));
    m_lstDrives->setObjectName(QStringLiteral("lstDrives"));
    m_lblDrives->setBuddy(m_lstDrives);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* left = new QVBoxLayout;
    left->addWidget(m_lblFileName);
    left->addWidget(m_tbxFileName);
    left->addWidget(m_lstFiles, 1);
    left->addWidget(m_lblTypes);
    left->addWidget(m_lstFileTypes);
    auto* middle = new QVBoxLayout;
    middle->addWidget(m_lblFolders);
    middle->addWidget(m_lblCurrentFolder);
    middle->addWidget(m_lstFolders, 1);
    middle->addWidget(m_lblDrives);
    middle->addWidget(m_lstDrives);
    auto* right = new QVBoxLayout;
    right->addWidget(m_cmdOK);
    right->addWidget(m_cmdCancel);
    right->addStretch(1);
    auto* columns = new QHBoxLayout(this);
    columns->addLayout(left, 1);
    columns->addLayout(middle, 1);
    columns->addLayout(right);
    resize(580, 340);

    // The type list and its patterns; the request's filter is used up.
    const FileTypes types = TakeFileTypes(m_request.Filter);
    m_patterns = types.Patterns;
    m_lstFileTypes->addItems(types.Descriptions);

    // The lists start where the user last changed folders.
    m_folder = ExistingFolder(StoredFolder());
    FillDrives();
    FillFolders();
    m_lblCurrentFolder->setText(m_folder);
    m_lblCurrentFolder->setToolTip(m_folder);

    connect(m_lstFileTypes, &QComboBox::currentIndexChanged, this, &FileOpen::OnTypeChanged);
    connect(m_lstDrives, &QComboBox::currentIndexChanged, this, &FileOpen::OnDriveChanged);
    connect(m_lstFolders, &QListWidget::itemActivated, this, &FileOpen::OnFolderActivated);
    // A click on the file already chosen puts its name back after the box was edited; a double-click
    // does no more than a click (only OK ends the dialog with a path).
    connect(m_lstFiles, &QListWidget::itemSelectionChanged, this, &FileOpen::OnFilesClick);
    connect(m_lstFiles, &QListWidget::itemClicked, this, &FileOpen::OnFilesClick);
    connect(m_cmdOK, &QPushButton::clicked, this, &FileOpen::OnOK);
    connect(m_cmdCancel, &QPushButton::clicked, this, &FileOpen::OnCancel);

    // The first type is chosen: its pattern fills the file list, and the box starts with the
    // pattern, or with the first listed file's name when there is one.
    m_lstFileTypes->setCurrentIndex(0);
    OnTypeChanged(0);
    m_tbxFileName->setText(m_patterns.value(0));
    if (m_lstFiles->count() > 0)
        m_lstFiles->setCurrentRow(0); // runs the click handler: the box gets the name
}

void FileOpen::OnTypeChanged(int position)
{
    // A description without a pattern of its own (a filter that does not pair up) lists every file.
    m_pattern = position >= 0 && position < m_patterns.size() ? m_patterns.at(position) : AllFilesPattern;
    FillFiles();
}

void FileOpen::OnDriveChanged(int position)
{
    const QString root = m_lstDrives->itemData(position, PathRole).toString();
    const QFileInfo info(root);
    if (root.isEmpty() || !info.isDir() || !info.isReadable() || !info.isExecutable()) {
        // A drive that cannot be read is not opened: the lists stay where they were.
        const QSignalBlocker blocker(m_lstDrives);
        m_lstDrives->setCurrentIndex(m_driveIndex);
        return;
    }
    m_driveIndex = position;
    OpenFolder(root);
}

void FileOpen::OnFolderActivated(QListWidgetItem* item)
{
    if (item != nullptr)
        OpenFolder(item->data(PathRole).toString());
}

void FileOpen::OpenFolder(const QString& folder)
{
    // A folder that cannot be read still becomes the folder of the lists; they are then empty.
    m_folder = CleanFolder(folder);
    StoredFolder() = m_folder;
    m_lblCurrentFolder->setText(m_folder);
    m_lblCurrentFolder->setToolTip(m_folder);
    SelectDriveOf(m_folder);
    FillFolders();
    FillFiles();
    OnFilesClick(); // no file is chosen in the new folder: the box is emptied
}

void FileOpen::OnFilesClick()
{
    const QList<QListWidgetItem*> chosen = m_lstFiles->selectedItems();
    m_tbxFileName->setText(chosen.isEmpty() ? QString() : chosen.first()->text());
}

void FileOpen::OnOK()
{
    // The box is taken as it stands: a pattern, a name of no existing file, or nothing at all. At
    // the root the folder already ends in "/", so none is added.
    const QString separator = m_folder.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/");
    m_request.Path = (m_folder + separator + m_tbxFileName->text()).toStdString();
    done(QDialog::Accepted);
}

void FileOpen::OnCancel()
{
    m_request.Path.clear();
    done(QDialog::Rejected);
}

void FileOpen::reject()
{
    OnCancel();
}

void FileOpen::closeEvent(QCloseEvent* event)
{
    // Closed from the frame: neither OK nor Cancel, so the caller's Path stays as it was.
    if (isVisible())
        done(QDialog::Rejected);
    event->accept();
}

bool FileOpen::eventFilter(QObject* watched, QEvent* event)
{
    // Enter in the folder list opens the chosen folder; it must not also press OK.
    if (watched == m_lstFolders && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OnFolderActivated(m_lstFolders->currentItem());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FileOpen::FillDrives()
{
    struct Drive
    {
        QString Root;
        QString Text;
        int Rank; // the root first, then volumes on block devices, then the rest
    };
    std::vector<Drive> drives;
    QSet<QString> seen;
    for (const QFileInfo& root : QDir::drives()) {
        const QString path = CleanFolder(root.absoluteFilePath());
        if (!seen.contains(path)) {
            seen.insert(path);
            drives.push_back({path, path, 0});
        }
    }
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        const QString path = CleanFolder(volume.rootPath());
        if (seen.contains(path))
            continue;
        seen.insert(path);
        const QString name = volume.name();
        const QString text = name.isEmpty() ? path : QStringLiteral("%1 [%2]").arg(path, name);
        const int rank = volume.device().startsWith("/dev/") ? 1 : 2;
        drives.push_back({path, text, rank});
    }
    std::stable_sort(drives.begin(), drives.end(),
        [](const Drive& a, const Drive& b) { return a.Rank != b.Rank ? a.Rank < b.Rank : a.Root < b.Root; });

    const QSignalBlocker blocker(m_lstDrives);
    m_lstDrives->clear();
    for (const Drive& drive : drives)
        m_lstDrives->addItem(drive.Text, drive.Root);
    SelectDriveOf(m_folder);
}

void FileOpen::SelectDriveOf(const QString& folder)
{
    // The drive that holds the folder: the deepest root at or above it.
    int best = -1;
    qsizetype bestLength = -1;
    for (int k = 0; k < m_lstDrives->count(); ++k) {
        const QString root = m_lstDrives->itemData(k, PathRole).toString();
        if (IsAtOrAbove(root, folder) && root.size() > bestLength) {
            best = k;
            bestLength = root.size();
        }
    }
    if (best >= 0) {
        const QSignalBlocker blocker(m_lstDrives);
        m_lstDrives->setCurrentIndex(best);
        m_driveIndex = best;
    }
}

void FileOpen::FillFolders()
{
    const QSignalBlocker blocker(m_lstFolders);
    m_lstFolders->clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    // The tree down to the folder: the root, then each folder on the way, indented by its level.
    QStringList chain;
    for (QString at = m_folder;;) {
        chain.prepend(at);
        const QString parent = QFileInfo(at).path();
        if (parent == at || at == QDir::rootPath())
            break;
        at = parent;
    }
    const QString indent = QStringLiteral("  ");
    int level = 0;
    QListWidgetItem* current = nullptr;
    for (const QString& path : chain) {
        const QString name = path == QDir::rootPath() ? path : QFileInfo(path).fileName();
        auto* item = new QListWidgetItem(open, indent.repeated(level) + name, m_lstFolders);
        item->setData(PathRole, path);
        item->setToolTip(path);
        current = item;
        ++level;
    }
    // Its subfolders, one level deeper.
    const QString base = m_folder.endsWith(QLatin1Char('/')) ? m_folder : m_folder + QLatin1Char('/');
    const QStringList subfolders
        = QDir(m_folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : subfolders) {
        auto* item = new QListWidgetItem(closed, indent.repeated(level) + name, m_lstFolders);
        item->setData(PathRole, base + name);
        item->setToolTip(base + name);
    }
    m_lstFolders->setCurrentItem(current);
}

void FileOpen::FillFiles()
{
    // Refilling chooses no file; the box keeps its text until a file is clicked or the folder changes.
    const QSignalBlocker blocker(m_lstFiles);
    m_lstFiles->clear();
    const QStringList names = QDir(m_folder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names) {
        if (MatchesFilePattern(name, m_pattern))
            m_lstFiles->addItem(name);
    }
}

} // namespace tarnwick
