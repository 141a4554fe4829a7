#pragma once
// What the main window's files share: the texts of the print-file tree, and how
// the insert-parameter panel takes a node of the parameter tree.

#include "catalogue/moduletsk.h"
#include "editor/paramcode.h"

#include <QString>
#include <Qt>
#include <optional>

namespace mainwindow {

inline const QString kHourlyGroup = QStringLiteral("Почасовые бланки");
inline const QString kArchiveGroup = QStringLiteral("Архивные бланки");
inline const QString kNoPrintFiles = QStringLiteral("нет");
inline const QString kFileNotFound = QStringLiteral("Требуемый файл не найден.");
// The levels of the print-file tree.
enum NodeLevel { PrintFileLevel = 0, GroupLevel = 1, BlankLevel = 2 };
constexpr int kPlaceholderRole = Qt::UserRole + 1;
constexpr int kHintMilliseconds = 15000;

// What the insert-parameter panel takes from a node of the parameter tree.
inline std::optional<rastrova::editor::CatalogueParameter> chosenParameter(const rastrova::catalogue::CatalogueEntry* entry)
{
    if (!entry)
        return std::nullopt;
    return rastrova::editor::CatalogueParameter{entry->algorithm.kind(), entry->algorithm.subkind(), entry->number(),
                                                entry->name(), entry->algorithm.archiveHours()};
}

} // namespace mainwindow
