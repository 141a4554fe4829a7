// The editor installed into a prefix: settings in the user's configuration
// folder, the reference list and the help pages from PREFIX/share/rastrova.

#include "helpviewer.h"
#include "store/installation.h"
#include "widgethelpers.h"

#include <QAction>
#include <QTemporaryDir>

using widgettest::named;

TEST(InstalledEditor, ReadsItsDataFromTheShareFolderAndItsSettingsFromTheConfigFolder)
{
    QTemporaryDir tmp;
    const QString prefix = tmp.filePath("prefix"), config = tmp.filePath("config"),
                  base = tmp.filePath("base");
    const QString share = prefix + "/share/rastrova";
    QDir().mkpath(prefix + "/bin");
    widgettest::copyTree(QStringLiteral(RASTROVA_DATA_DIR), share);
    widgettest::copyTree(QStringLiteral(RASTROVA_EXAMPLES_DIR "/base"), base);

    const auto paths = rastrova::store::locateProgramPaths(QString(), prefix + "/bin", config);
    ASSERT_EQ(paths.dataFolder, share);
    ASSERT_EQ(paths.programFolder, config);
    // The user's settings, beside no data at all.
    {
        QFile ini(QDir(config).filePath("RASTROVA.INI"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(rastrova::text::toCp1251Lossy("[FIRST]\r\nPUT=" + base + "\r\n"));
    }
    ASSERT_FALSE(QFileInfo::exists(QDir(config).filePath("sprav.txt")));

    widgettest::MessageLog messages;
    Tnform nForm;
    TkForm kForm;
    TAUstr aUstr;
    TVirelTypeDialog typeDialog;
    {
        TmForm form(paths, &nForm, &kForm, &typeDialog, &aUstr);
        form.FormShow();
        EXPECT_TRUE(messages.messages.empty()) << messages.messages.front().text.toStdString();
        EXPECT_FALSE(form.references().headers().isEmpty()); // sprav.txt of the share folder
        EXPECT_EQ(form.baseFolder(), base);
        EXPECT_FALSE(form.currentPrintFile().isEmpty());

        named<QAction>(&form, "ActHelp")->trigger();
        auto* help = form.findChild<rastrova::app::HelpViewer*>();
        ASSERT_NE(help, nullptr);
        EXPECT_EQ(help->helpFolder(), share + "/help");
        help->close();
    }
}
