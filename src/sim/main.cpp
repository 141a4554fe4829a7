// rastrova-sim: real peers to test against, and a dry run for users without
// hardware. Each simulator lives in its own source file; this file only picks
// the sub-command.

#include "simulators.h"

#include <QCoreApplication>
#include <QString>
#include <cstdio>

namespace {

struct Command {
    const char* name;
    int (*run)(const QStringList& args);
    const char* const* usage;
};

const Command kCommands[] = {
    {"adapter", rastrova::sim::adapter, &rastrova::sim::kAdapterUsage},
    {"controller", rastrova::sim::controller, &rastrova::sim::kControllerUsage},
    {"driver", rastrova::sim::driver, &rastrova::sim::kDriverUsage},
    {"make-database", rastrova::sim::makeDatabase, &rastrova::sim::kMakeDatabaseUsage},
};

void printUsage(std::FILE* to)
{
    std::fputs("Использование: rastrova-sim КОМАНДА [ПАРАМЕТРЫ]\n\nКоманды:\n", to);
    for (const Command& c : kCommands)
        std::fputs(*c.usage, to);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rastrova-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RASTROVA_VERSION));

    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (args.isEmpty()) {
        printUsage(stderr);
        return 2;
    }
    const QString name = args.takeFirst();
    if (name == u"--help" || name == u"-h") {
        printUsage(stdout);
        return 0;
    }
    if (name == u"--version") {
        std::puts("rastrova-sim " RASTROVA_VERSION);
        return 0;
    }
    for (const Command& c : kCommands)
        if (name == QLatin1String(c.name))
            return c.run(args);
    std::fprintf(stderr, "rastrova-sim: неизвестная команда %s\n", name.toUtf8().constData());
    printUsage(stderr);
    return 2;
}
