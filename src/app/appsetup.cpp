#include "appsetup.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

namespace rastrova::app {

void setUpApplication(QApplication& app)
{
    QApplication::setApplicationName(QStringLiteral("rastrova"));
    QApplication::setApplicationVersion(QStringLiteral(RASTROVA_VERSION));
    // No display name: the platform would append it to every window's title,
    // and the windows carry their own titles.
    // The desktop entry and the icon theme's picture of an installed program
    // (share/applications/rastrova.desktop, share/icons/hicolor/*/apps/rastrova.*).
    QGuiApplication::setDesktopFileName(QStringLiteral("rastrova"));
    const QIcon windowIcon = QIcon::fromTheme(QStringLiteral("rastrova"));
    if (!windowIcon.isNull())
        QApplication::setWindowIcon(windowIcon);

    auto* qt = new QTranslator(&app);
    if (qt->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(qt);
    else
        delete qt;
}

} // namespace rastrova::app
