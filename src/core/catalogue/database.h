#pragma once
// Finding the files of a controller database on disk:
//
//   DB/TASK/0701.tsk         task files; 0701.tsk is the default task
//   DB/alg/0012.alg          algorithm files,
//   DB/alg/ModulePC/0012.alg   or in the "ModulePC" folder,
//   DB/alg/ANY/0012.alg        or in the first other sub-folder that holds them
//
// Databases are copied between systems, so on a case-sensitive file system the
// folders and files are also found in other letter cases ("task", "ALG",
// "0012.ALG"). Paths are joined with the platform's separator.
//
// One DatabaseFolder serves one load: it remembers the folder listings and the
// algorithm files it has read.

#include "catalogue/moduletsk.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace rastrova::catalogue {

class DatabaseFolder : public AlgorithmSource {
public:
    explicit DatabaseFolder(const QString& databasePath);

    // `a` + the platform's separator + `b`.
    static QString join(const QString& a, const QString& b);

    // The path by which messages name a task file of the TASK folder.
    QString taskFilePath(const QString& fileName) const;
    // The task file as it exists on disk, or an empty string.
    QString findTaskFile(const QString& fileName);
    // A task file named by the user: as it stands (its file name in any letter
    // case), or, for a relative name, in the TASK folder. Empty if not found.
    QString findNamedTaskFile(const QString& name);

    // The "alg" folder as it exists on disk, or an empty string.
    QString algorithmFolder();
    // The algorithm file: directly in "alg", else in "alg/ModulePC", else in the
    // first other sub-folder of "alg" (in name order) that holds it. Empty if not
    // found or when there is no "alg" folder.
    QString findAlgorithmFile(const QString& fileName);

    bool readAlgorithmFile(const QString& fileName, QString& path, QByteArray& bytes,
                           QString& message) override;

private:
    // The entry `name` of `folder` (a folder when `wantFolder`, else a file), in
    // this letter case or, failing that, the first in another case.
    QString findChild(const QString& folder, const QString& name, bool wantFolder);
    const QStringList& listing(const QString& folder);

    struct AlgorithmFile {
        bool ok = false;
        QString path;
        QByteArray bytes;
        QString message;
    };

    QString database_; // empty: no database configured, nothing is found
    QHash<QString, QStringList> listings_;
    QHash<QString, AlgorithmFile> algorithms_;
};

} // namespace rastrova::catalogue
