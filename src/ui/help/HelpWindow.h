#pragma once

#include <QDialog>

class QTextBrowser;

namespace tarnwick {

// The help viewer: shows the program's help file (HTML) at its contents page.
class HelpWindow final : public QDialog
{
    Q_OBJECT

public:
    explicit HelpWindow(QWidget* owner);
    // Opens path at its contents (its top); false when the file cannot be read.
    bool ShowContents(const QString& path);

private:
    QTextBrowser* m_browser;
};

} // namespace tarnwick
