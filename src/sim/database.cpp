// make-database DIR [--parameters N]: writes a small but complete controller
// database for tests and examples:
//
//   DIR/TASK/0701.tsk          the default task "Базовая задача ВИРЕЛ-19"
//   DIR/TASK/SEVER.tsk         the task "Котельная Северная"; its base task is 0701.tsk
//   DIR/alg/0001.alg           system parameters (serial number, time, date, ...)
//   DIR/alg/0010.alg           a pipeline: flows, heat, hourly archives of 16, 32 and
//                              64 days, daily archives
//   DIR/alg/0012.alg           sensors; DIR/alg/ModulePC/0012.alg is an older copy
//                              that the one directly in "alg" overrides
//   DIR/alg/ModulePC/0020.alg  the printer module, found only in "ModulePC"
//   DIR/alg/Dop/0030.alg       a pulse counter, found only in a further sub-folder
//
// With --parameters N the default task gets further pipeline groups until it
// holds N task parameter records (for measuring a large catalogue).
//
// The records are laid out here from the file tables on their own, byte by byte,
// so that a wrong layout in the program's reader is caught rather than mirrored.

#include "simulators.h"

#include "status.h"
#include "text/codepage.h"

#include <QDir>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace rastrova::sim {

const char* const kMakeDatabaseUsage =
    "  make-database DIR [--parameters N]\n"
    "                 пишет в DIR пример базы контроллера (TASK/*.tsk, alg/*.alg);\n"
    "                 с --parameters N базовая задача 0701.tsk получает N параметров\n";

namespace {

// A record being written: a block of zero bytes of its size with its fields put in.
class Block {
public:
    explicit Block(int size) : bytes_(size, '\0') {}

    void u16(int offset, uint16_t value)
    {
        bytes_[offset] = char(value & 0xFF);
        bytes_[offset + 1] = char(value >> 8);
    }
    void u8(int offset, uint8_t value) { bytes_[offset] = char(value); }
    // A length byte and the 1251 characters, within a field of `field` bytes.
    void text(int offset, int field, const QString& s)
    {
        QByteArray encoded;
        if (!text::toCp1251(s, encoded) || encoded.size() > field - 1 || encoded.size() > 255) {
            std::fprintf(stderr, "rastrova-sim: the text \"%s\" does not fit its field\n",
                         s.toUtf8().constData());
            std::abort();
        }
        bytes_[offset] = char(encoded.size());
        for (qsizetype i = 0; i < encoded.size(); ++i)
            bytes_[offset + 1 + i] = encoded[i];
    }
    const QByteArray& bytes() const { return bytes_; }

private:
    QByteArray bytes_;
};

// ---- What the database holds -----------------------------------------------

enum : uint8_t { Bit = 0, Byte = 1, Dec = 2, Hex = 3, Float = 4, Time = 5, Date = 6 };
enum : uint8_t { Plain = 0x00, Hourly = 0x10, Daily = 0x20, Journal = 0x30 };

struct AlgParam {
    uint16_t number; // its number within the algorithm
    QString name;
    uint8_t subkind;
    uint8_t kind = Plain;
    uint16_t hours = 0; // archive length of an hourly archive
    bool hidden = false;
};

struct Algorithm {
    QString folder; // under "alg": "", "ModulePC", "Dop"
    uint16_t number;
    QString name;
    QString shortName;
    std::vector<AlgParam> params;
};

struct TaskParam {
    uint16_t number;    // the number blanks refer to
    uint16_t algNumber; // which algorithm parameter it is
    QString name;       // empty: the algorithm's name applies
};

struct Group {
    QString label; // kept in the group record, not shown
    uint16_t algorithm;
    std::vector<TaskParam> params;
};

struct Task {
    QString file;
    QString name;
    uint16_t module;
    std::vector<Group> groups;
};

std::vector<Algorithm> algorithms()
{
    return {
        {"",
         0x0001,
         QStringLiteral("Системные параметры"),
         QStringLiteral("СИСТ"),
         {
             {1, QStringLiteral("Заводской номер"), Dec},
             {2, QStringLiteral("Текущее время"), Time},
             {3, QStringLiteral("Текущая дата"), Date},
             {4, QStringLiteral("Версия программы"), Hex},
             {5, QStringLiteral("Сетевой адрес"), Byte},
             {6, QStringLiteral("Время последнего пуска"), Time},
             {7, QStringLiteral("Дата последнего пуска"), Date},
             {8, QStringLiteral("Признак аварии"), Bit},
             {9, QStringLiteral("Режим работы"), 0x50},
             {10, QStringLiteral("Слово состояния"), 0x18},
             {11, QStringLiteral("Напряжение батареи"), Float},
             {12, QStringLiteral("Калибровочный коэффициент"), Float, Plain, 0, true},
             {13, QStringLiteral("Журнал событий"), 0x40, Journal},
         }},
        {"",
         0x0010,
         QStringLiteral("Трубопровод"),
         QStringLiteral("ТРУБ"),
         {
             {1, QStringLiteral("Расход"), Float},
             {2, QStringLiteral("Температура"), Float},
             {3, QStringLiteral("Давление"), Float},
             {4, QStringLiteral("Тепловая мощность"), Float},
             {5, QStringLiteral("Расход за час"), Float, Hourly, 768},
             {6, QStringLiteral("Тепло за час"), Float, Hourly, 1536},
             {7, QStringLiteral("Температура за час"), Float, Hourly, 384},
             {8, QStringLiteral("Тепло за сутки"), Float, Daily},
             {9, QStringLiteral("Расход за сутки"), Float, Daily},
             {10, QStringLiteral("Код ошибки"), Hex, Plain, 0, true},
             {11, QStringLiteral("Коэффициент расходомера"), Float, Plain, 0, true},
             {12, QStringLiteral("Время наработки за час"), Dec, Hourly, 1536},
             {13, QStringLiteral("Масса за час"), Float, Hourly, 1536},
             {14, QStringLiteral("Состояние"), 0x08},
             {15, QStringLiteral("Уставка расхода"), Float, Plain, 0, true},
         }},
        {"",
         0x0012,
         QStringLiteral("Датчики"),
         QStringLiteral("ДАТЧ"),
         {
             {1, QStringLiteral("Температура наружного воздуха"), Float},
             {2, QStringLiteral("Температура в помещении"), Float},
             {3, QStringLiteral("Давление холодной воды"), Float},
             {4, QStringLiteral("Температура воздуха за час"), Float, Hourly, 384},
             {5, QStringLiteral("Сигнал датчика"), Dec, Plain, 0, true},
             {6, QStringLiteral("Среднесуточная температура"), Float, Daily},
         }},
        // An older copy in ModulePC: the file directly in "alg" is the one read.
        {"ModulePC",
         0x0012,
         QStringLiteral("Датчики (старая версия)"),
         QStringLiteral("ДАТЧ"),
         {
             {1, QStringLiteral("Температура наружного воздуха"), Float},
             {2, QStringLiteral("Температура в помещении"), Float},
         }},
        {"ModulePC",
         0x0020,
         QStringLiteral("Модуль печати"),
         QStringLiteral("ПЕЧ"),
         {
             {1, QStringLiteral("Состояние принтера"), Byte},
             {2, QStringLiteral("Номер бланка"), Dec},
             {3, QStringLiteral("Время печати"), Time},
             {4, QStringLiteral("Дата печати"), Date},
             {5, QStringLiteral("Счётчик листов"), Dec, Plain, 0, true},
         }},
        {"Dop",
         0x0030,
         QStringLiteral("Счётчик импульсов"),
         QStringLiteral("ИМП"),
         {
             {1, QStringLiteral("Число импульсов"), Dec},
             {2, QStringLiteral("Объём"), Float},
             {3, QStringLiteral("Объём за час"), Float, Hourly, 768},
             {4, QStringLiteral("Объём за сутки"), Float, Daily},
             {5, QStringLiteral("Вес импульса"), Float, Plain, 0, true},
         }},
    };
}

// A pipeline group: parameter numbers base + 1 .. base + 15, leaving out the
// algorithm parameters in `skip`.
Group pipeline(const QString& label, uint16_t base, std::vector<uint16_t> skip = {},
               std::vector<std::pair<uint16_t, QString>> names = {})
{
    Group g{label, 0x0010, {}};
    for (uint16_t a = 1; a <= 15; ++a) {
        if (std::find(skip.begin(), skip.end(), a) != skip.end())
            continue;
        QString name;
        for (const auto& [n, text] : names)
            if (n == a)
                name = text;
        g.params.push_back({uint16_t(base + a), a, name});
    }
    return g;
}

std::vector<Task> tasks(int parameters)
{
    Task base{QStringLiteral("0701.tsk"),
              QStringLiteral("Базовая задача ВИРЕЛ-19"),
              0x0701,
              {
                  {QStringLiteral("Система"),
                   0x0001,
                   {
                       {0xF001, 1, {}},
                       {0xF017, 2, {}},
                       {0xF018, 3, {}},
                       {0xF002, 4, {}},
                       {0xF003, 5, {}},
                       {0xF010, 6, {}},
                       {0xF011, 7, {}},
                       {0xF020, 8, {}},
                       {0xF021, 9, {}},
                       {0xF022, 10, {}},
                       {0xF030, 11, {}},
                       {0xF031, 12, {}},
                       {0xF040, 13, {}},
                   }},
                  {QStringLiteral("Принтер"),
                   0x0020,
                   {
                       {0xF101, 1, {}},
                       {0xF102, 2, {}},
                       {0xF103, 3, QStringLiteral("Время последней печати")},
                       {0xF104, 4, QStringLiteral("Дата последней печати")},
                       {0xF105, 5, {}},
                   }},
              }};

    // The large variant: further pipelines until the task holds `parameters`
    // records; the last one may be cut short.
    int held = 0;
    for (const Group& g : base.groups)
        held += int(g.params.size());
    for (int k = 0; held < parameters; ++k) {
        Group g = pipeline(QStringLiteral("Трубопровод %1").arg(k + 1), uint16_t(0x2000 + k * 16));
        const int room = parameters - held;
        if (int(g.params.size()) > room)
            g.params.resize(size_t(room));
        held += int(g.params.size());
        base.groups.push_back(std::move(g));
    }

    Task sever{QStringLiteral("SEVER.tsk"),
               QStringLiteral("Котельная Северная"),
               0x0701,
               {
                   pipeline(QStringLiteral("Подача"), 0x1000, {},
                            {{6, QStringLiteral("Тепло котельной за час")},
                             {8, QStringLiteral("Тепло котельной за сутки")}}),
                   // The return pipeline has no mass and no running time.
                   pipeline(QStringLiteral("Обратка"), 0x1100, {12, 13}),
                   {QStringLiteral("Датчики"),
                    0x0012,
                    {
                        {0x1201, 1, {}},
                        {0x1202, 2, QStringLiteral("Температура в котельной")},
                        {0x1203, 3, {}},
                        {0x1204, 4, {}},
                        {0x1205, 5, {}},
                        {0x1206, 6, {}},
                    }},
                   {QStringLiteral("ХВС"),
                    0x0030,
                    {
                        {0x1301, 1, {}},
                        {0x1302, 2, QStringLiteral("Объём холодной воды")},
                        {0x1303, 3, {}},
                        {0x1304, 4, {}},
                        {0x1305, 5, {}},
                    }},
               }};
    return {base, sever};
}

// ---- The file layouts ------------------------------------------------------

QByteArray algorithmFile(const Algorithm& a)
{
    Block header(70);
    header.text(0, 49, a.name);
    header.text(49, 9, a.shortName);
    header.u16(64, uint16_t(a.params.size()));
    QByteArray out = header.bytes();
    for (const AlgParam& p : a.params) {
        Block r(72);
        r.u16(2, p.number);
        r.text(4, 52, p.name);
        r.u16(56, p.hours);
        r.u8(68, p.subkind);
        r.u8(69, p.kind);
        r.u8(70, p.hidden ? 0x01 : 0x00);
        out += r.bytes();
    }
    return out;
}

QByteArray taskFile(const Task& t)
{
    Block header(128);
    header.text(0, 64, t.name);
    header.u16(64, t.module);
    header.u16(124, uint16_t(t.groups.size()));
    QByteArray out = header.bytes();
    for (const Group& g : t.groups) {
        Block r(80);
        r.text(0, 62, g.label);
        r.u16(62, g.algorithm);
        r.u16(78, uint16_t(g.params.size()));
        out += r.bytes();
        for (const TaskParam& p : g.params) {
            Block q(84);
            q.text(2, 51, p.name);
            q.u16(62, p.number);
            q.u16(68, p.algNumber);
            out += q.bytes();
        }
    }
    return out;
}

QString hex4(uint16_t n)
{
    return QStringLiteral("%1").arg(n, 4, 16, QLatin1Char('0')).toUpper();
}

bool write(const QString& folder, const QString& name, const QByteArray& bytes)
{
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "rastrova-sim: не удалось создать папку %s\n", folder.toUtf8().constData());
        return false;
    }
    const Status st = writeWholeFile(QDir(folder).filePath(name), bytes);
    if (!st) {
        std::fprintf(stderr, "rastrova-sim: %s\n", st.message().toUtf8().constData());
        return false;
    }
    return true;
}

int usage(const char* what)
{
    std::fprintf(stderr, "rastrova-sim: %s\n%s", what, kMakeDatabaseUsage);
    return 2;
}

} // namespace

int makeDatabase(const QStringList& args)
{
    constexpr int kMaxParameters = 50000;
    QString dir;
    int parameters = 0;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        QString value;
        if (arg == u"--parameters") {
            if (i + 1 >= args.size())
                return usage("после --parameters нужно число");
            value = args[++i];
        } else if (arg.startsWith(QLatin1String("--parameters="))) {
            value = arg.mid(13);
        } else if (arg.startsWith(QLatin1String("--"))) {
            return usage("неизвестный параметр");
        } else if (dir.isEmpty()) {
            dir = arg;
            continue;
        } else {
            return usage("лишний аргумент");
        }
        bool ok = false;
        parameters = value.toInt(&ok);
        if (!ok || parameters < 1 || parameters > kMaxParameters)
            return usage("--parameters: число от 1 до 50000");
    }
    if (dir.isEmpty())
        return usage("не указана папка базы");

    const QDir root(dir);
    for (const Algorithm& a : algorithms()) {
        const QString folder = a.folder.isEmpty() ? root.filePath(QStringLiteral("alg"))
                                                  : root.filePath(QStringLiteral("alg/") + a.folder);
        if (!write(folder, hex4(a.number) + QStringLiteral(".alg"), algorithmFile(a)))
            return 3;
    }
    for (const Task& t : tasks(parameters)) {
        const QString folder = root.filePath(QStringLiteral("TASK"));
        if (!write(folder, t.file, taskFile(t)))
            return 3;
        int held = 0;
        for (const Group& g : t.groups)
            held += int(g.params.size());
        std::printf("%s: групп %d, параметров %d\n",
                    QDir::toNativeSeparators(QDir(folder).filePath(t.file)).toUtf8().constData(),
                    int(t.groups.size()), held);
    }
    return 0;
}

} // namespace rastrova::sim
