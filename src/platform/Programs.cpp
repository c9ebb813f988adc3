#include "platform/Programs.h"

#include <QProcess>
#include <QStringList>

namespace tarnwick {

long long DetachedPrograms::Start(const std::string& program, const std::vector<std::string>& arguments)
{
    QStringList list;
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    qint64 pid = 0;
    if (!QProcess::startDetached(QString::fromStdString(program), list, QString(), &pid))
        return 0;
    return pid;
}

} // namespace tarnwick
