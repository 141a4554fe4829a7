#pragma once
// The catalogues that type "19" blanks need when their images are built outside
// the editor: one per task file of a database, loaded on first use.

#include "catalogue/moduletsk.h"
#include "store/blank.h"

#include <QHash>
#include <QString>
#include <functional>
#include <memory>

namespace rastrova::catalogue {

class CatalogueCache {
public:
    explicit CatalogueCache(QString databasePath, MessageSink* messages = nullptr)
        : databasePath_(std::move(databasePath)), messages_(messages)
    {
    }

    // The archive length in days of a parameter number, for the blank's catalogue;
    // nothing for a type "10" blank or without a database.
    std::function<int(uint32_t number)> archiveDays(const store::BlankSettings& settings);

private:
    QString databasePath_;
    MessageSink* messages_;
    QHash<QString, std::shared_ptr<ModuleTSK>> modules_;
};

// Whether the parameter tree of a type "19" blank with task file `wanted` must be
// loaded: when none was loaded yet, when the loaded one is of another task file,
// or when the tree holds no more than one node (what a failed load leaves: its
// message), so that a load that failed is tried again.
bool treeNeedsLoading(bool loaded, const QString& loadedTask, const QString& wanted, bool atMostOneNode);

} // namespace rastrova::catalogue
