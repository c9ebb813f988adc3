#include "ui/Dialogs.h"

#include <QInputDialog>
#include <QMessageBox>

namespace tarnwick {

namespace {

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

std::optional<std::string> QtDialogs::InputBox(
    const std::string& title, const std::string& prompt, const std::string& initial)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(m_parent, Q(title), Q(prompt), QLineEdit::Normal, Q(initial), &ok);
    if (!ok)
        return std::nullopt;
    return answer.toStdString();
}

bool QtDialogs::OkCancel(const std::string& title, const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon, Q(title), Q(text), QMessageBox::Ok | QMessageBox::Cancel, m_parent);
    return box.exec() == QMessageBox::Ok;
}

Dialogs::Answer QtDialogs::YesNo(const std::string& title, const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon, Q(title), Q(text), QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(QMessageBox::Yes);
    const int result = box.exec();
    if (result == QMessageBox::Yes)
        return Answer::Yes;
    return result == QMessageBox::No ? Answer::No : Answer::Cancel;
}

void QtDialogs::Warning(const std::string& title, const std::string& text)
{
    QMessageBox::warning(m_parent, Q(title), Q(text));
}

} // namespace tarnwick
