#include "ui/help/HelpWindow.h"

#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace tarnwick {

HelpWindow::HelpWindow(QWidget* owner)
    : QDialog(owner)
    , m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Doradoza Tarnwick Help"));
    setModal(false);
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setOpenExternalLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(640, 560);
}

bool HelpWindow::ShowContents(const QString& path)
{
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable())
        return false;
    // The file is HTML whatever its extension says.
    m_browser->setSource(QUrl::fromLocalFile(file.absoluteFilePath()), QTextDocument::HtmlResource);
    m_browser->scrollToAnchor(QStringLiteral("contents"));
    show();
    raise();
    activateWindow();
    return true;
}

} // namespace tarnwick
