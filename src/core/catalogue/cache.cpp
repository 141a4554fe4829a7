#include "catalogue/cache.h"
#include "store/blank.h"

namespace rastrova::catalogue {

std::function<int(uint32_t)> CatalogueCache::archiveDays(const store::BlankSettings& settings)
{
    if (!store::isControllerType19(settings.virelType) || databasePath_.isEmpty())
        return {};
    std::shared_ptr<ModuleTSK>& module = modules_[settings.taskFile];
    if (!module) {
        module = std::make_shared<ModuleTSK>();
        module->setDatabasePath(databasePath_);
        module->setMessageSink(messages_);
        module->LoadTask(settings.taskFile);
    }
    std::shared_ptr<const ModuleTSK> held = module;
    return [held](uint32_t number) { return int(held->archiveLengthOfParameter(uint16_t(number))); };
}

bool treeNeedsLoading(bool loaded, const QString& loadedTask, const QString& wanted, bool atMostOneNode)
{
    return !loaded || loadedTask != wanted || atMostOneNode;
}

} // namespace rastrova::catalogue
