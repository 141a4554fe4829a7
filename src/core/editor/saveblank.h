#pragma once
// Saving a blank writes, in this order, its blank file (".ini"), its parameter
// list (".par"), and its image (".bin") with the image report (".rep").

#include "editor/paramlist.h"
#include "render/blankimage.h"
#include "status.h"
#include "store/blank.h"
#include "store/scan.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace rastrova::editor {

struct SaveBlankInput {
    const store::BlankDocument& blank;
    const ParameterList& list;
    QString pageLength; // the lines-per-page field as typed
    bool formFeed = true;
    // For type "19" blanks: the catalogue's archive length in days of a parameter.
    std::function<int(uint32_t number)> archiveDays;
};

struct SaveBlankResult {
    Status files; // the blank file and the parameter list
    Status image; // the image and its report (only tried when the files were written)
    // What the archive checks found, one message a finding ("\r" breaks lines);
    // they run once the image is written.
    QStringList archiveChecks;
    bool ok() const { return files.isOk() && image.isOk(); }
};

// The rows of the list as the image needs them.
QList<render::ImageParameter> imageParameters(const ParameterList& list);

// Builds the image of a blank (`imagePath` only goes into the report).
Status buildImage(const SaveBlankInput& input, const QString& imagePath, render::BlankImage& image);

// A saved blank with what its image needs: its files and its print file's page settings.
struct StoredBlank {
    store::BlankDocument document;
    ParameterList list;
    QString pageLength = QStringLiteral("60");
    bool formFeed = true;
    QString basePath; // the blank's files without extension
};
Status loadStoredBlank(const QString& printFileFolder, const QString& name, StoredBlank& blank);

// The blank file and the parameter list (`basePath` + ".par", after the blank
// file; nothing more is written once a file fails).
Status saveBlankFiles(const QString& basePath, const store::BlankDocument& blank, const ParameterList& list);
// Save as with the parameter list: store::saveBlankAs, the list written beside
// the blank file before the header is.
Status saveBlankAs(const QString& iniPath, const store::BlankDocument& blank, const ParameterList& list,
                   const QString& pageLength, bool formFeed, int* number = nullptr);
// The same for a blank of a scanned print file, whose header was read already.
Status loadStoredBlank(const QString& printFileFolder, const store::ScannedBlank& scanned, store::BlankKind kind,
                       StoredBlank& blank);

// The image of the blank at `basePath` (without extension) and its report,
// written as saving does, then the archive checks; the blank's own files are left
// as they are (`files` stays OK).
SaveBlankResult compileBlank(const QString& basePath, const SaveBlankInput& input);

// The whole save-blank procedure for the blank at `basePath` (without extension):
// the blank file, the parameter list, then compileBlank.
SaveBlankResult saveBlank(const QString& basePath, const SaveBlankInput& input);

} // namespace rastrova::editor
