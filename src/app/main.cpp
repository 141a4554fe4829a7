// Растрова: the editor of print blanks for the printer adapter.

#include "LnkCl.h"
#include "PrmsTree.h"
#include "Ustr.h"
#include "appsetup.h"
#include "editorwindows.h"
#include "driverlink/bfsDM.h"
#include "kUnit.h"
#include "mUnit.h"
#include "messages.h"
#include "nUnit.h"
#include "store/installation.h"
#include "tekchDialog.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstring>

namespace {
class QuitOnFirstPaint : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            QTimer::singleShot(0, qApp, &QApplication::quit);
        return QObject::eventFilter(watched, event);
    }
};
} // namespace

int main(int argc, char** argv)
{
    // Answered before any window system is needed, so it works over ssh as well.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("rastrova " RASTROVA_VERSION);
            return 0;
        }
    }

    QApplication app(argc, argv);
    rastrova::app::setUpApplication(app);
    const QStringList args = QApplication::arguments();
    // Settings in the program folder, or in the user's configuration folder when
    // the program is installed; see store/installation.h.
    const auto paths = rastrova::store::locateProgramPaths(rastrova::store::homeOption(args),
                                                           QApplication::applicationDirPath());
    // The first start of an installed editor opens on a copy of the examples.
    const rastrova::store::FirstStart firstStart = rastrova::store::prepareFirstStart(paths);

    // The windows, in the order the program has always made them; only the main
    // window is shown.
    rastrova::app::EditorWindowSet windows(paths);
    TmForm& mForm = windows.mForm;

    mForm.FormShow();
    if (QScreen* screen = QApplication::primaryScreen())
        mForm.move(screen->availableGeometry().center() - mForm.rect().center());
    mForm.show();
    if (!firstStart.status)
        rastrova::app::Messages::error(&mForm, firstStart.status.message());

    // For timing the start-up: quit once the main window has been painted.
    if (args.contains(QStringLiteral("--quit-when-shown")))
        mForm.installEventFilter(new QuitOnFirstPaint(&mForm));
    const int result = app.exec();
    return result;
}
