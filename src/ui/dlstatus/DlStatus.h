#pragma once

#include "state/StatusDisplay.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <string>

class QPlainTextEdit;
class QPushButton;

namespace tarnwick {

// The download status window: the one progress display of every long operation. While it is shown
// the main window is disabled, so the user can do nothing but cancel.
class DlStatus final : public QDialog, public StatusDisplay
{
    Q_OBJECT

public:
    explicit DlStatus(QWidget* mainWindow);

    // What the Cancel button does to the transfer (closing it, marking the run cancelled).
    void SetCancelAction(std::function<void()> action) { m_cancelAction = std::move(action); }

    void StatusWindow(
        const std::string& caption, const std::string& status, const std::string& progress, bool button) override;
    void UnloadStatusWindow() override;
    void SetReceivingText(const std::string& text) override;

    // The status text exactly as last set (line ends CR LF), whether or not it is painted yet.
    const std::string& ReceivingText() const { return m_text; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override; // Escape: refused like the frame's close while the window is held open

private:
    void OnCancelClicked();
    void Paint();
    void SchedulePaint();

    QWidget* m_mainWindow;
    QPlainTextEdit* m_receiving;
    QPushButton* m_cancel;
    std::function<void()> m_cancelAction;
    std::string m_text;
    QElapsedTimer m_sincePaint;
    QTimer m_paintTimer;
};

} // namespace tarnwick
