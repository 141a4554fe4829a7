#include "appsetup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace rastrova::app {

void setUpApplication(QApplication& app)
{
    QApplication::setApplicationName(QStringLiteral("rastrova"));
    QApplication::setApplicationVersion(QStringLiteral(RASTROVA_VERSION));
    // No display name: the platform would append it to every window's title,
    // and the windows carry their own titles.

    auto* qt = new QTranslator(&app);
    if (qt->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(qt);
    else
        delete qt;
}

} // namespace rastrova::app
