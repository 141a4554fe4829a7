// Растрова: the editor of print blanks for the printer adapter.

#include "LnkCl.h"
#include "appsetup.h"
#include "driverlink/bfsDM.h"
#include "PrmsTree.h"
#include "Ustr.h"
#include "kUnit.h"
#include "mUnit.h"
#include "nUnit.h"
#include "tekchDialog.h"

#include <QApplication>
#include <QScreen>
#include <QEvent>
#include <QTimer>

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
    QApplication app(argc, argv);
    rastrova::app::setUpApplication(app);
    const QStringList args = QApplication::arguments();
    const auto paths = rastrova::store::resolveProgramPaths(rastrova::store::homeOption(args),
                                                             QApplication::applicationDirPath());

    // The windows, in the order the program has always made them; only the main
    // window is shown.
    Tnform nForm;
    TkForm kForm;
    TAUstr aUstr;
    TVirelTypeDialog typeDialog;
    TmForm mForm(paths, &nForm, &kForm, &typeDialog, &aUstr);
    nForm.setParent(&mForm, nForm.windowFlags());
    kForm.setParent(&mForm, kForm.windowFlags());
    aUstr.setParent(&mForm, aUstr.windowFlags());
    typeDialog.setParent(&mForm, typeDialog.windowFlags());
    TTreeForm treeForm;
    TLnkClFrm lnkClFrm;
    aUstr.setDriverLink(lnkClFrm.link());

    mForm.FormShow();
    if (QScreen* screen = QApplication::primaryScreen())
        mForm.move(screen->availableGeometry().center() - mForm.rect().center());
    mForm.show();

    // For timing the start-up: quit once the main window has been painted.
    if (args.contains(QStringLiteral("--quit-when-shown")))
        mForm.installEventFilter(new QuitOnFirstPaint(&mForm));
    const int result = app.exec();
    lnkClFrm.link()->DisconnectFromDriver();
    aUstr.setDriverLink(nullptr);
    nForm.setParent(nullptr);
    kForm.setParent(nullptr);
    aUstr.setParent(nullptr);
    typeDialog.setParent(nullptr);
    return result;
}
