#include "compile.h"

#include "catalogue/cache.h"
#include "editor/saveblank.h"
#include "render/printertext.h"
#include "render/printfileimage.h"
#include "store/printfile.h"
#include "store/scan.h"
#include "store/settings.h"
#include "text/codepage.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace rastrova::cli {

namespace {

enum Exit { ExitOk = 0, ExitUsage = 2, ExitFile = 3 };

void write(FILE* stream, const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

int fail(const QString& message)
{
    write(stderr, (QStringLiteral("rastrova-cli: ") + message + u'\n').toUtf8());
    return ExitFile;
}

// A message of the windows on one line: their line breaks become blanks.
QString oneLine(QString text)
{
    return text.replace(u'\r', u' ').replace(u'\n', u' ');
}

// The catalogue's messages go to stderr.
class StderrSink : public catalogue::MessageSink {
public:
    void message(const QString&, const QString& text) override
    {
        write(stderr, (QStringLiteral("rastrova-cli: ") + oneLine(text) + u'\n').toUtf8());
        ++told;
    }
    // Each message says a file of the catalogue could not be read.
    int told = 0;
};

Status load(const QString& folder, const QString& name, editor::StoredBlank& blank)
{
    if (!QFileInfo(folder).isDir())
        return Status::notFound(QStringLiteral("папка файла печати \"%1\" не найдена").arg(folder));
    return editor::loadStoredBlank(folder, name, blank);
}

// Builds the blank's image as saving it in the editor does; what the archive
// checks found goes to stderr, one finding a line.
Status writeImage(const editor::StoredBlank& blank, catalogue::CatalogueCache& catalogues)
{
    const editor::SaveBlankInput input{blank.document, blank.list, blank.pageLength, blank.formFeed,
                                       catalogues.archiveDays(blank.document.settings)};
    const editor::SaveBlankResult result = editor::compileBlank(blank.basePath, input);
    for (const QString& finding : result.archiveChecks)
        write(stderr, (QStringLiteral("rastrova-cli: ") + oneLine(finding) + u'\n').toUtf8());
    return result.image;
}

} // namespace

int preview(const QString& folder, const QString& name, const CompileOptions& options)
{
    editor::StoredBlank blank;
    if (Status st = load(folder, name, blank); !st)
        return fail(st.message());
    const render::PrinterText text = render::renderPrinterText(blank.document.grid, blank.formFeed);
    for (const QByteArray& line : text.lines)
        write(stdout, (options.utf8 ? text::fromCp866(line).toUtf8() : line) + '\n');
    if (!text.status) // printed all the same; the user learns which cell
        fail(text.status.message());
    return ExitOk;
}

int image(const QString& folder, const QString& name, const CompileOptions& options)
{
    editor::StoredBlank blank;
    if (Status st = load(folder, name, blank); !st)
        return fail(st.message());
    StderrSink sink;
    catalogue::CatalogueCache catalogues(options.databasePath, &sink);
    if (Status st = writeImage(blank, catalogues); !st)
        return fail(st.message());
    // The image is written as the editor would, but without its catalogue.
    return sink.told > 0 ? ExitFile : ExitOk;
}

int build(const QString& folder, const CompileOptions& options)
{
    StderrSink sink;
    catalogue::CatalogueCache catalogues(options.databasePath, &sink);
    const QFileInfo info(folder);
    if (!info.isDir())
        return fail(QStringLiteral("папка файла печати \"%1\" не найдена").arg(folder));
    if (!QFileInfo(store::PrintFileHeader(folder).path()).isFile())
        return fail(QStringLiteral("\"%1\" не является файлом печати (нет info.ini)").arg(folder));
    if (Status st = checkFolderTakesWrites(folder); !st)
        return fail(st.message());
    // The blanks in the order of the tree, from this print file alone.
    store::ScannedPrintFile printFile;
    QStringList skipped;
    if (Status st = store::scanPrintFile(folder, printFile, skipped); !st)
        return fail(st.message());
    for (const QString& problem : skipped)
        fail(oneLine(problem));

    QStringList hourly, archive;
    render::imageOrder(printFile, hourly, archive);
    int status = ExitOk;
    auto compile = [&](const QList<store::ScannedBlank>& blanks, store::BlankKind blankKind, const char* kind) {
        for (const store::ScannedBlank& b : blanks) {
            editor::StoredBlank blank;
            Status st = editor::loadStoredBlank(folder, b, blankKind, blank);
            if (st)
                st = writeImage(blank, catalogues);
            if (!st) {
                status = fail(QStringLiteral("%1: %2").arg(b.name, st.message()));
                continue;
            }
            write(stdout, (QLatin1String(kind) + u' ' + b.name + u'\n').toUtf8());
        }
    };
    compile(printFile.hourly, store::BlankKind::Hourly, "hourly");
    compile(printFile.archive, store::BlankKind::Archive, "archive");
    if (status != ExitOk)
        return status;
    QString imagePath;
    if (Status st = render::writePrintFileImage(folder, hourly, archive, &imagePath); !st)
        return fail(st.message());
    write(stdout, QStringLiteral("info.bin %1\n").arg(QFileInfo(imagePath).size()).toUtf8());
    // Written all the same, but without what the messages said could not be had.
    return sink.told > 0 || !skipped.isEmpty() ? ExitFile : ExitOk;
}

} // namespace rastrova::cli
