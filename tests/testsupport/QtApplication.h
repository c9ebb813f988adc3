#pragma once

#include <QCoreApplication>

namespace tarnwick::test {

// The one QCoreApplication of a GoogleTest binary, created on first use.
inline QCoreApplication& Application()
{
    static int argc = 1;
    static char name[] = "tarnwick-test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app
        = QCoreApplication::instance() != nullptr ? QCoreApplication::instance() : new QCoreApplication(argc, argv);
    return *app;
}

// A base for fixtures whose members need the application (timers, sockets): base classes are built
// before members.
struct WithApplication
{
    WithApplication() { Application(); }
};

} // namespace tarnwick::test
