#include "ui/dlstatus/DlStatus.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarnwick {

namespace {

// Repaints of the status text are kept to about 30 a second; the last state is always painted.
constexpr int PaintIntervalMs = 33;

QString Displayable(const std::string& text)
{
    QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    shown.remove(QLatin1Char('\r'));
    return shown;
}

} // namespace

DlStatus::DlStatus(QWidget* mainWindow)
    : QDialog(nullptr)
    , m_mainWindow(mainWindow)
    , m_receiving(new QPlainTextEdit(this))
    , m_cancel(new QPushButton(QStringLiteral("&Cancel"), this))
{
    setObjectName(QStringLiteral("DlStatus"));
    setWindowTitle(QStringLiteral("Download Status"));
    setModal(false);
    m_receiving->setObjectName(QStringLiteral("tbxReceiving"));
    m_receiving->setReadOnly(true);
    m_receiving->setMinimumSize(420, 120);
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cancel->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_receiving);
    layout->addWidget(m_cancel, 0, Qt::AlignRight);

    connect(m_cancel, &QPushButton::clicked, this, &DlStatus::OnCancelClicked);
    m_paintTimer.setSingleShot(true);
    connect(&m_paintTimer, &QTimer::timeout, this, &DlStatus::Paint);
}

void DlStatus::StatusWindow(
    const std::string& caption, const std::string& status, const std::string& progress, bool button)
{
    m_receiving->setEnabled(true); // held open: the frame's close is refused
    if (!isVisible()) {
        show();
        m_sincePaint.invalidate();
    }
    if (m_mainWindow != nullptr)
        m_mainWindow->setEnabled(false);
    setWindowTitle(QString::fromStdString(caption));
    m_text = status + "\r\n" + progress;
    m_cancel->setEnabled(button);
    SchedulePaint();
}

void DlStatus::SetReceivingText(const std::string& text)
{
    m_text = text;
    SchedulePaint();
}

void DlStatus::UnloadStatusWindow()
{
    m_receiving->setEnabled(false);
    m_paintTimer.stop();
    hide();
    QCoreApplication::processEvents();
    if (m_mainWindow != nullptr)
        m_mainWindow->setEnabled(true);
}

void DlStatus::SchedulePaint()
{
    if (!m_sincePaint.isValid() || m_sincePaint.elapsed() >= PaintIntervalMs) {
        Paint();
    } else if (!m_paintTimer.isActive()) {
        m_paintTimer.start(PaintIntervalMs - static_cast<int>(m_sincePaint.elapsed()));
    }
}

void DlStatus::Paint()
{
    m_paintTimer.stop();
    m_receiving->setPlainText(Displayable(m_text));
    m_sincePaint.start();
}

void DlStatus::OnCancelClicked()
{
    if (m_cancelAction)
        m_cancelAction();
    m_cancel->setEnabled(false);
    setWindowTitle(QStringLiteral("Cancelling Download"));
}

void DlStatus::closeEvent(QCloseEvent* event)
{
    if (m_receiving->isEnabled())
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void DlStatus::reject()
{
    if (!m_receiving->isEnabled())
        QDialog::reject();
}

} // namespace tarnwick
