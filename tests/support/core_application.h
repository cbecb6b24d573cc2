#pragma once

#include <QCoreApplication>

// For tests that link QtCore.
namespace torvane::test {

// The one application object of a test program, made on first use; queued signals and event loops
// need it.
inline QCoreApplication& CoreApplication()
{
    static int argc = 1;
    static char name[] = "torvane-test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    return application;
}

} // namespace torvane::test
