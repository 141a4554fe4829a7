#pragma once
// The compiling commands of rastrova-cli: preview, image, build.

#include <QString>
#include <functional>

namespace rastrova::cli {

struct CompileOptions {
    QString databasePath; // for type "19" blanks: where the task files are
    bool utf8 = false;    // preview: UTF-8 instead of code page 866
};

// Each returns the exit status; output goes to stdout, messages to stderr.
int preview(const QString& printFileFolder, const QString& blank, const CompileOptions& options);
int image(const QString& printFileFolder, const QString& blank, const CompileOptions& options);
int build(const QString& printFileFolder, const CompileOptions& options);

} // namespace rastrova::cli
