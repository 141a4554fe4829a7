// rastrova-cli: the editor's core without windows, for scripts and batch work.
// Exit status: 0 success, 1 device or protocol failure, 2 usage error, 3 file error.

#include "catalogue/moduletsk.h"
#include "catalogue/texttree.h"
#include "compile.h"
#include "device.h"
#include "devprog/comlink.h"
#include "store/installation.h"
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
    "  preview PRINTFILE_DIR BLANK [--utf8]\n"
    "                 текст бланка, как его напечатает принтер (кодовая страница 866\n"
    "                 или UTF-8)\n"
    "  image PRINTFILE_DIR BLANK [--db DBPATH]\n"
    "                 двоичный образ бланка BLANK.bin и отчёт BLANK.rep\n"
    "  build PRINTFILE_DIR [--db DBPATH]\n"
    "                 образы всех бланков и образ файла печати info.bin\n"
    "  catalogue [--db DBPATH] [--task TSKFILE] [--all]\n"
    "                 дерево параметров контроллера из файлов задачи базы DBPATH\n"
    "                 (по умолчанию путь к базе из RASTROVA.INI); без --task\n"
    "                 задача TASK/0701.tsk; --all показывает и скрытые параметры\n"
    "  program adapter --device PATH [--link rs232|irps|irps-echo|rs485] IMAGE\n"
    "                 программирует адаптер принтера образом IMAGE (info.bin):\n"
    "                 очистка, запись блоками по 64 байта, чтение и сверка\n"
    "  verify adapter --device PATH [--link ...] IMAGE [--dump FILE]\n"
    "                 читает адаптер и сверяет с IMAGE, ничего не стирая и не записывая;\n"
    "                 --dump сохраняет прочитанное\n"
    "  program network --device PATH --baud N [--link rs232|irps|rs485] [--password HEX]\n"
    "                 [--key yes|no] [--run yes|no] IMAGE\n"
    "                 программирует модуль управления принтером через контроллер:\n"
    "                 пароль, СТОП, буфер репрограммации, блоки по 128 байт; --key\n"
    "                 и --run отвечают на вопросы об электронном ключе и о переводе\n"
    "                 в РАБОТА (по умолчанию no); N: 300, 600, 1200, 2400, 4800, 9600, 19200\n"
    "  program can [--host H] [--port P] [--address A] IMAGE\n"
    "                 передаёт образ адаптеру на шине CAN через программу-драйвер\n"
    "                 (по умолчанию 127.0.0.1, порт 3000, адрес адаптера 1)\n"
    "  print-test hourly|archive --device PATH [--link ...]\n"
    "                 тест почасовой или архивной печати: текст, который печатает\n"
    "                 адаптер, до конца теста или Ctrl+C\n"
    "\n"
    "Без --link вид связи берётся из настроек (RASTROVA.INI, раздел Parametrs).\n"
    "\n"
    "Общие параметры:\n"
    "  --home DIR     папка программы (RASTROVA.INI, sprav.txt); без неё: папка\n"
    "                 исполняемого файла, а у установленной программы ~/.config/rastrova\n"
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
    QString db;
    QString task;
    QString device;
    QString link;
    QString dump;
    QString baud;
    QString password;
    QString key;
    QString run;
    QString host;
    QString port;
    QString address;
    bool all = false;
    bool utf8 = false;
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
        } else if (arg == u"--db" || arg == u"--task") {
            if (i + 1 >= args.size()) {
                error = arg == u"--db" ? QStringLiteral("после --db нужна папка базы")
                                       : QStringLiteral("после --task нужен файл задачи");
                return false;
            }
            (arg == u"--db" ? a.db : a.task) = args[++i];
        } else if (arg.startsWith(QLatin1String("--db="))) {
            a.db = arg.mid(5);
        } else if (arg.startsWith(QLatin1String("--task="))) {
            a.task = arg.mid(7);
        } else if (QString* value = arg == u"--device"     ? &a.device
                                    : arg == u"--link"     ? &a.link
                                    : arg == u"--dump"     ? &a.dump
                                    : arg == u"--baud"     ? &a.baud
                                    : arg == u"--password" ? &a.password
                                    : arg == u"--key"      ? &a.key
                                    : arg == u"--run"      ? &a.run
                                    : arg == u"--host"     ? &a.host
                                    : arg == u"--port"     ? &a.port
                                    : arg == u"--address"  ? &a.address
                                                           : nullptr) {
            if (i + 1 >= args.size()) {
                error = QStringLiteral("после %1 нужно значение").arg(arg);
                return false;
            }
            *value = args[++i];
        } else if (arg == u"--all") {
            a.all = true;
        } else if (arg == u"--utf8") {
            a.utf8 = true;
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

// The catalogue's messages go to stderr, one line each.
class StderrMessages : public rastrova::catalogue::MessageSink {
public:
    void message(const QString&, const QString& text) override
    {
        QString line = text;
        line.replace(u'\r', u'\n');
        err(line);
        ++count;
    }
    int count = 0;
};

int catalogue(const Arguments& a)
{
    if (!a.positional.isEmpty())
        return usageError(QStringLiteral("команде catalogue не нужны аргументы: "
                                         "catalogue [--db DBPATH] [--task TSKFILE] [--all]"));
    QString db = a.db;
    if (db.isEmpty()) {
        using namespace rastrova::store;
        const ProgramPaths paths = locateProgramPaths(a.home, QCoreApplication::applicationDirPath());
        db = readSettings(paths.settingsSource, paths.programFolder, paths.programFolder).databasePath;
        if (db.isEmpty())
            return usageError(QStringLiteral("путь к базе не задан: укажите --db или BathePath в %1")
                                  .arg(QDir::toNativeSeparators(paths.settingsSource)));
    }
    if (!QFileInfo(db).isDir()) {
        err(QStringLiteral("папка базы \"%1\" не найдена").arg(db));
        return ExitFile;
    }

    rastrova::catalogue::ModuleTSK catalogue;
    StderrMessages messages;
    catalogue.setDatabasePath(db);
    catalogue.setMessageSink(&messages);
    if (!a.all)
        catalogue.setDisplayFilter(rastrova::catalogue::mainWindowFilter());
    rastrova::catalogue::TextTree tree;
    catalogue.LoadTask(a.task, &tree);

    QByteArray text;
    for (const QString& line : tree.lines()) {
        text += line.toUtf8();
        text += '\n';
    }
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return messages.count > 0 ? ExitFile : ExitOk;
}

int device(const Arguments& a)
{
    const bool test = a.command == u"print-test";
    const QString what = a.positional.value(0);
    const bool network = a.command == u"program" && what == u"network";
    if (a.command == u"program" && what == u"can") {
        if (a.positional.size() != 2)
            return usageError(QStringLiteral("команде program can нужен файл образа"));
        bool portOk = true, addressOk = true;
        const int port = a.port.isEmpty() ? 3000 : a.port.toInt(&portOk);
        const int address = a.address.isEmpty() ? 1 : a.address.toInt(&addressOk);
        if (!portOk || port <= 0 || port > 65535)
            return usageError(QStringLiteral("--port: номер порта от 1 до 65535"));
        if (!addressOk || address < 0 || address > 255)
            return usageError(QStringLiteral("--address: адрес адаптера от 0 до 255"));
        return rastrova::cli::programCan(a.positional[1], a.host, port, address);
    }
    if (test ? (what != u"hourly" && what != u"archive") : (what != u"adapter" && !network))
        return usageError(test ? QStringLiteral("print-test hourly|archive --device PATH")
                          : a.command == u"program" ? QStringLiteral("program adapter|network|can ... IMAGE")
                                                    : QStringLiteral("verify adapter --device PATH IMAGE"));
    if (a.positional.size() != (test ? 1 : 2))
        return usageError(test ? QStringLiteral("команде print-test не нужен файл образа")
                               : QStringLiteral("команде %1 adapter нужен файл образа").arg(a.command));
    if (a.device.isEmpty())
        return usageError(QStringLiteral("укажите устройство: --device PATH"));
    rastrova::cli::DeviceOptions options;
    options.device = a.device;
    options.dumpFile = a.dump;
    if (!a.link.isEmpty()) {
        options.linkKind = rastrova::cli::linkKindOfName(a.link);
        if (options.linkKind < 0)
            return usageError(QStringLiteral("неизвестный вид связи %1: rs232, irps, irps-echo или rs485").arg(a.link));
    }
    const auto paths = rastrova::store::locateProgramPaths(a.home, QCoreApplication::applicationDirPath());
    options.settingsFile = paths.settingsSource;
    if (network) {
        options.baudIndex = rastrova::devprog::indexOfBaud(a.baud.toInt());
        if (options.baudIndex < 0 || options.baudIndex > 6)
            return usageError(QStringLiteral("укажите скорость --baud: 300, 600, 1200, 2400, 4800, 9600 или 19200"));
        for (const QString* answer : {&a.key, &a.run})
            if (!answer->isEmpty() && *answer != u"yes" && *answer != u"no")
                return usageError(QStringLiteral("--key и --run принимают yes или no"));
        options.key = a.key == u"yes";
        options.run = a.run == u"yes";
        options.password = a.password;
        return rastrova::cli::programNetwork(a.positional[1], options);
    }
    if (test)
        return rastrova::cli::printTest(what, options);
    if (a.command == u"program")
        return rastrova::cli::programAdapter(a.positional[1], options);
    return rastrova::cli::verifyAdapter(a.positional[1], options);
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
    if (a.command == u"catalogue")
        return catalogue(a);
    if (a.command == u"preview" || a.command == u"image" || a.command == u"build") {
        const qsizetype wanted = a.command == u"build" ? 1 : 2;
        if (a.positional.size() != wanted)
            return usageError(a.command == u"build" ? QStringLiteral("команде build нужна папка файла печати")
                                                    : QStringLiteral("команде %1 нужны папка файла печати и имя бланка")
                                                          .arg(a.command));
        rastrova::cli::CompileOptions options;
        options.utf8 = a.utf8;
        options.databasePath = a.db;
        if (options.databasePath.isEmpty()) {
            using namespace rastrova::store;
            const ProgramPaths paths = locateProgramPaths(a.home, QCoreApplication::applicationDirPath());
            options.databasePath = readSettings(paths.settingsSource, paths.programFolder, paths.programFolder).databasePath;
        }
        if (a.command == u"preview")
            return rastrova::cli::preview(a.positional[0], a.positional[1], options);
        if (a.command == u"image")
            return rastrova::cli::image(a.positional[0], a.positional[1], options);
        return rastrova::cli::build(a.positional[0], options);
    }
    if (a.command == u"program" || a.command == u"verify" || a.command == u"print-test")
        return device(a);
    return usageError(QStringLiteral("неизвестная команда %1").arg(a.command));
}
