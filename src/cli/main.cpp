// rastrova-cli: the editor's core without windows, for scripts and batch work.
// Exit status: 0 success, 1 device or protocol failure, 2 usage error, 3 file error.

#include "store/scan.h"
#include "store/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>

namespace {

enum Exit { ExitOk = 0, ExitDevice = 1, ExitUsage = 2, ExitFile = 3 };

const char* const kUsage =
    "Использование: rastrova-cli КОМАНДА [ПАРАМЕТРЫ]\n"
    "\n"
    "Команды:\n"
    "  scan BASE      файлы печати папки BASE и их бланки в порядке дерева\n"
    "\n"
    "Общие параметры:\n"
    "  --home DIR     папка программы (RASTROVA.INI, sprav.txt)\n"
    "  --help         эта справка\n"
    "  --version      версия программы\n";

void out(const QString& line)
{
    QByteArray bytes = line.toUtf8();
    bytes += '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void err(const QString& line)
{
    QByteArray bytes = (QStringLiteral("rastrova-cli: ") + line).toUtf8();
    bytes += '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

int usageError(const QString& message)
{
    err(message);
    std::fputs("Подробнее: rastrova-cli --help\n", stderr);
    return ExitUsage;
}

struct Arguments {
    QString command;
    QStringList positional;
    QString home;
    bool help = false;
    bool version = false;
};

// Options may stand anywhere after the command.
bool parse(const QStringList& args, Arguments& a, QString& error)
{
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == u"--help" || arg == u"-h") {
            a.help = true;
        } else if (arg == u"--version") {
            a.version = true;
        } else if (arg == u"--home") {
            if (i + 1 >= args.size()) {
                error = QStringLiteral("после --home нужна папка");
                return false;
            }
            a.home = args[++i];
        } else if (arg.startsWith(QLatin1String("--home="))) {
            a.home = arg.mid(7);
        } else if (arg.startsWith(QLatin1String("--"))) {
            error = QStringLiteral("неизвестный параметр %1").arg(arg);
            return false;
        } else if (a.command.isEmpty()) {
            a.command = arg;
        } else {
            a.positional << arg;
        }
    }
    return true;
}

int scan(const Arguments& a)
{
    if (a.positional.size() != 1)
        return usageError(QStringLiteral("команде scan нужна одна папка: scan BASE"));
    const QString base = rastrova::store::withoutTrailingSeparator(a.positional[0]);
    if (!QFileInfo(base).isDir()) {
        err(QStringLiteral("папка \"%1\" не найдена").arg(base));
        return ExitFile;
    }
    const rastrova::store::ScanResult result = rastrova::store::scanBaseFolder(base);
    for (const auto& printFile : result.printFiles) {
        out(printFile.name);
        for (const auto& blank : printFile.archive)
            out(QStringLiteral("  archive ") + blank.name);
        for (const auto& blank : printFile.hourly)
            out(QStringLiteral("  hourly ") + blank.name);
    }
    for (const QString& problem : result.problems)
        err(problem);
    return ExitOk;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rastrova"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RASTROVA_VERSION));

    Arguments a;
    QString error;
    if (!parse(QCoreApplication::arguments(), a, error))
        return usageError(error);
    if (a.help) {
        std::fputs(kUsage, stdout);
        return ExitOk;
    }
    if (a.version) {
        out(QStringLiteral("rastrova-cli " RASTROVA_VERSION));
        return ExitOk;
    }
    if (a.command.isEmpty())
        return usageError(QStringLiteral("не указана команда"));
    if (a.command == u"scan")
        return scan(a);
    return usageError(QStringLiteral("неизвестная команда %1").arg(a.command));
}
