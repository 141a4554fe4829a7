#include "editor/saveblank.h"

#include "editor/archiverow.h"

#include "render/printertext.h"
#include "store/manager.h"
#include "store/printfile.h"

namespace rastrova::editor {

QList<render::ImageParameter> imageParameters(const ParameterList& list)
{
    QList<render::ImageParameter> parameters;
    for (int n = 1; n <= list.count(); ++n)
        parameters.append({list.code(n), list.p(n), list.q(n), list.isInteger(n)});
    return parameters;
}

Status buildImage(const SaveBlankInput& input, const QString& imagePath, render::BlankImage& image)
{
    render::BlankImageInput in;
    // A cell with several lines prints its first one; the preview reports it.
    in.text = render::renderPrinterText(input.blank.grid, input.formFeed);
    in.parameters = imageParameters(input.list);
    in.pageLength = input.pageLength;
    in.virelType = input.blank.settings.virelType;
    in.setn = input.blank.settings.setn;
    in.archiveDays = input.archiveDays;
    return render::buildBlankImage(in, imagePath, image);
}

namespace {

// The blank's own files, its page settings and kind already in `blank`.
Status loadBlankFiles(const QString& folder, const QString& name, StoredBlank& blank)
{
    blank.basePath = store::blankFilePath(folder, name, store::BlankFile::Blank).chopped(4);
    if (Status st = store::readBlank(blank.basePath + QLatin1String(".ini"), blank.document); !st)
        return st;
    return blank.list.load(blank.basePath + QLatin1String(".par"));
}

} // namespace

Status loadStoredBlank(const QString& folder, const QString& name, StoredBlank& blank)
{
    store::PrintFileHeader header(folder);
    if (Status st = header.load(); !st)
        return st;
    if (const int n = header.blankNumber(name); n > 0) {
        blank.pageLength = header.pageLength(n);
        blank.formFeed = header.formFeed(n);
        blank.document.settings.kind = header.kind(n);
    }
    return loadBlankFiles(folder, name, blank);
}

Status saveBlankFiles(const QString& basePath, const store::BlankDocument& blank, const ParameterList& list)
{
    Status st = store::saveBlankFiles(basePath, blank);
    if (!st)
        return st;
    return list.save(basePath + QLatin1String(".par"));
}

Status saveBlankAs(const QString& iniPath, const store::BlankDocument& blank, const ParameterList& list,
                   const QString& pageLength, bool formFeed, int* number)
{
    return store::saveBlankAs(iniPath, blank, pageLength, formFeed, number, [&list](const QString& basePath) {
        return list.save(basePath + QLatin1String(".par"));
    });
}

Status loadStoredBlank(const QString& folder, const store::ScannedBlank& scanned, store::BlankKind kind,
                       StoredBlank& blank)
{
    if (scanned.number > 0) {
        blank.pageLength = scanned.pageLength;
        blank.formFeed = scanned.formFeed;
        blank.document.settings.kind = kind;
    }
    return loadBlankFiles(folder, scanned.name, blank);
}

SaveBlankResult compileBlank(const QString& basePath, const SaveBlankInput& input)
{
    SaveBlankResult result;
    const QString imagePath = basePath + QLatin1String(".bin");
    render::BlankImage image;
    result.image = buildImage(input, imagePath, image);
    if (result.image)
        result.image = render::writeBlankImage(image, imagePath);
    if (!result.image)
        return result;
    ArchiveLengthLookup lookup;
    if (input.archiveDays)
        lookup = [days = input.archiveDays](uint16_t number) { return uint16_t(days(number)); };
    result.archiveChecks =
        archiveCheckMessages(input.blank.grid, input.list, input.blank.settings.virelType, lookup);
    return result;
}

SaveBlankResult saveBlank(const QString& basePath, const SaveBlankInput& input)
{
    SaveBlankResult result;
    result.files = saveBlankFiles(basePath, input.blank, input.list);
    if (!result.files)
        return result;
    return compileBlank(basePath, input);
}

} // namespace rastrova::editor
