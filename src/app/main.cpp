// Растрова: the editor of print blanks for the printer adapter.

#include "mUnit.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("rastrova"));
    QApplication::setApplicationDisplayName(QStringLiteral("Растрова - Диалог"));
    QApplication::setApplicationVersion(QStringLiteral(RASTROVA_VERSION));

    const auto paths = rastrova::store::resolveProgramPaths(rastrova::store::homeOption(QApplication::arguments()),
                                                             QApplication::applicationDirPath());
    TmForm mForm(paths);
    mForm.ScanBase();
    if (QScreen* screen = QApplication::primaryScreen())
        mForm.move(screen->availableGeometry().center() - mForm.rect().center());
    mForm.show();
    return app.exec();
}
