#include "editor/saveblank.h"

#include "render/printertext.h"
#include "store/manager.h"

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

SaveBlankResult saveBlank(const QString& basePath, const SaveBlankInput& input)
{
    SaveBlankResult result;
    result.files = store::saveBlankFiles(basePath, input.blank, input.list);
    if (!result.files)
        return result;
    const QString imagePath = basePath + QLatin1String(".bin");
    render::BlankImage image;
    result.image = buildImage(input, imagePath, image);
    if (result.image)
        result.image = render::writeBlankImage(image, imagePath);
    return result;
}

} // namespace rastrova::editor
