#include "platform/SettingsStore.h"
#include "platform/ShutdownSignals.h"
#include "support/Clock.h"
#include "ui/mainwindow/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// The program's folder keeps the catalogue, the alias map and the cache; when it cannot be written
// (a system-wide install) the per-user data folder takes its place, so nothing is lost.
std::string ChooseBaseFolder()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (QFileInfo(programFolder).isWritable())
        return (programFolder + QStringLiteral("/")).toStdString();
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return (data + QStringLiteral("/")).toStdString();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tarnwick"));

    tarnwick::SystemClock clock;
    tarnwick::IniSettingsStore settings;
    tarnwick::MainWindowSetup setup;
    setup.BaseFolder = ChooseBaseFolder();
    setup.Settings = &settings;
    setup.Time = &clock;

    tarnwick::MainWindow window(std::move(setup));
    tarnwick::ShutdownSignals signals([&window] { window.close(); });
    window.StartUp();
    return app.exec();
}
