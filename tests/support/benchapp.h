#pragma once
// The device benchmarks need an application object, as the programs have, for
// the serial port's and the socket's notifiers. When the benchmarks also drive
// the editor's windows (RASTROVA_BENCH_WIDGETS), that object is a QApplication
// on the offscreen platform (unless the environment names another one), set up
// as the editor sets up its own; whichever benchmark runs first makes it.

#include <QCoreApplication>

#ifdef RASTROVA_BENCH_WIDGETS
#include "appsetup.h"

#include <QApplication>
#endif

namespace benchapp {

inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "rastrova-bench";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance())
        return;
#ifdef RASTROVA_BENCH_WIDGETS
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    auto* app = new QApplication(argc, argv);
    rastrova::app::setUpApplication(*app);
#else
    new QCoreApplication(argc, argv);
#endif
}

} // namespace benchapp
