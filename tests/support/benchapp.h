#pragma once
// The device benchmarks need an application object, as the programs have, for
// the serial port's and the socket's notifiers.

#include <QCoreApplication>

namespace benchapp {

inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "rastrova-bench";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

} // namespace benchapp
