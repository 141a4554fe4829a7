// The help pages in data/help and the help window that shows them.

#include "helpviewer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <gtest/gtest.h>

using rastrova::app::HelpViewer;

namespace {

const QList<int> kTopics = {9, 21, 23, 30, 31, 40, 41, 42, 43, 50, 60, 61};

QString helpFolder()
{
    return QStringLiteral(RASTROVA_DATA_DIR) + QStringLiteral("/help");
}

QString readPage(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    return utf8.hasError() ? QString() : text;
}

QString pageTitle(const QString& html)
{
    static const QRegularExpression re(QStringLiteral("<title>([^<]*)</title>"));
    const auto m = re.match(html);
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

QStringList hrefs(const QString& html)
{
    static const QRegularExpression re(QStringLiteral("href\\s*=\\s*\"([^\"]*)\""),
                                       QRegularExpression::CaseInsensitiveOption);
    QStringList out;
    for (auto it = re.globalMatch(html); it.hasNext();)
        out << it.next().captured(1);
    return out;
}

QStringList allPages()
{
    return QDir(helpFolder()).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
}

// The viewport point of the first link to `href` in the browser's document.
bool linkPoint(QTextBrowser* browser, const QString& href, QPoint& point)
{
    for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || !fragment.charFormat().isAnchor()
                || fragment.charFormat().anchorHref() != href || fragment.length() < 2)
                continue;
            QTextCursor cursor(browser->document());
            cursor.setPosition(fragment.position() + 1);
            browser->setTextCursor(cursor);
            browser->ensureCursorVisible();
            point = browser->cursorRect(cursor).center();
            return true;
        }
    }
    return false;
}

} // namespace

TEST(HelpPages, EveryTopicHasAPage)
{
    for (int topic : kTopics) {
        const QString path = HelpViewer::pagePath(helpFolder(), topic);
        EXPECT_TRUE(QFileInfo(path).isFile()) << path.toStdString();
    }
}

TEST(HelpPages, PagePathIsTopicDotHtmlInTheFolder)
{
    EXPECT_EQ(HelpViewer::pagePath(QStringLiteral("/opt/rastrova/help"), 21),
              QStringLiteral("/opt/rastrova/help/21.html"));
    EXPECT_EQ(HelpViewer::pagePath(QStringLiteral("help"), 9), QStringLiteral("help/9.html"));
}

TEST(HelpPages, PagesAreUtf8WithTitleAndNoExternalResources)
{
    const QStringList pages = allPages();
    ASSERT_GE(pages.size(), kTopics.size());
    for (const QString& name : pages) {
        const QString html = readPage(QDir(helpFolder()).filePath(name));
        ASSERT_FALSE(html.isEmpty()) << name.toStdString() << " is empty or not UTF-8";
        EXPECT_TRUE(html.contains(QStringLiteral("charset=\"utf-8\""), Qt::CaseInsensitive)) << name.toStdString();
        EXPECT_FALSE(pageTitle(html).isEmpty()) << name.toStdString();
        EXPECT_FALSE(html.contains(QStringLiteral("src="), Qt::CaseInsensitive)) << name.toStdString();
        EXPECT_FALSE(html.contains(QStringLiteral("<link"), Qt::CaseInsensitive)) << name.toStdString();
    }
}

TEST(HelpPages, EveryLinkPointsToAnExistingPage)
{
    const QDir dir(helpFolder());
    for (const QString& name : allPages()) {
        const QString html = readPage(dir.filePath(name));
        for (const QString& href : hrefs(html)) {
            const QUrl url(href);
            EXPECT_TRUE(url.isRelative() && url.host().isEmpty()) << name.toStdString() << ": " << href.toStdString();
            const QString file = url.path();
            EXPECT_FALSE(file.isEmpty()) << name.toStdString() << ": " << href.toStdString();
            EXPECT_FALSE(file.contains(u'/')) << name.toStdString() << ": " << href.toStdString();
            EXPECT_TRUE(QFileInfo(dir.filePath(file)).isFile()) << name.toStdString() << ": " << href.toStdString();
            if (url.hasFragment()) {
                const QString target = readPage(dir.filePath(file));
                const QString anchor = url.fragment();
                EXPECT_TRUE(target.contains(QStringLiteral("name=\"%1\"").arg(anchor))
                            || target.contains(QStringLiteral("id=\"%1\"").arg(anchor)))
                    << name.toStdString() << ": " << href.toStdString();
            }
        }
    }
}

TEST(HelpPages, ContentsLinksEveryOtherTopic)
{
    const QString html = readPage(HelpViewer::pagePath(helpFolder(), HelpViewer::kContentsTopic));
    QSet<QString> linked;
    for (const QString& href : hrefs(html))
        linked.insert(QUrl(href).path());
    for (int topic : kTopics) {
        if (topic == HelpViewer::kContentsTopic)
            continue;
        EXPECT_TRUE(linked.contains(QStringLiteral("%1.html").arg(topic))) << topic;
    }
}

TEST(HelpPages, EveryPageLinksBackToTheContents)
{
    for (int topic : kTopics) {
        if (topic == HelpViewer::kContentsTopic)
            continue;
        const QString html = readPage(HelpViewer::pagePath(helpFolder(), topic));
        EXPECT_TRUE(hrefs(html).contains(QStringLiteral("9.html"))) << topic;
    }
}

TEST(HelpViewerWindow, IsNonModalWithItsTitle)
{
    HelpViewer viewer(helpFolder());
    EXPECT_EQ(viewer.windowTitle(), QStringLiteral("Справка - Растрова"));
    EXPECT_FALSE(viewer.isModal());
    EXPECT_NE(viewer.findChild<QTextBrowser*>(QStringLiteral("HelpBrowser")), nullptr);
}

TEST(HelpViewerWindow, ShowTopicShowsTheContentsPage)
{
    HelpViewer viewer(helpFolder());
    viewer.showTopic(9);
    auto* browser = viewer.findChild<QTextBrowser*>(QStringLiteral("HelpBrowser"));
    ASSERT_NE(browser, nullptr);
    const QString title = pageTitle(readPage(HelpViewer::pagePath(helpFolder(), 9)));
    ASSERT_FALSE(title.isEmpty());
    EXPECT_TRUE(browser->toPlainText().contains(title)) << browser->toPlainText().left(200).toStdString();
    EXPECT_EQ(browser->documentTitle(), title);
    EXPECT_EQ(browser->source().fileName(), QStringLiteral("9.html"));
}

TEST(HelpViewerWindow, EveryTopicLoadsItsOwnPage)
{
    HelpViewer viewer(helpFolder());
    auto* browser = viewer.findChild<QTextBrowser*>(QStringLiteral("HelpBrowser"));
    ASSERT_NE(browser, nullptr);
    for (int topic : kTopics) {
        viewer.showTopic(topic);
        const QString title = pageTitle(readPage(HelpViewer::pagePath(helpFolder(), topic)));
        EXPECT_EQ(browser->documentTitle(), title) << topic;
        EXPECT_FALSE(browser->toPlainText().contains(QStringLiteral("не найдена"))) << topic;
    }
}

TEST(HelpViewerWindow, MissingTopicShowsTheNotFoundLine)
{
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    HelpViewer viewer(empty.path());
    viewer.showTopic(77);
    auto* browser = viewer.findChild<QTextBrowser*>(QStringLiteral("HelpBrowser"));
    ASSERT_NE(browser, nullptr);
    const QString text = browser->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("Страница справки не найдена"))) << text.toStdString();
    const QString path = QDir::toNativeSeparators(QFileInfo(HelpViewer::pagePath(empty.path(), 77)).absoluteFilePath());
    EXPECT_TRUE(text.contains(path)) << text.toStdString();
}

TEST(HelpViewerWindow, LinksAndButtonsNavigateInsideTheBrowser)
{
    HelpViewer viewer(helpFolder());
    viewer.resize(700, 500);
    viewer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    viewer.showTopic(9);
    auto* browser = viewer.findChild<QTextBrowser*>(QStringLiteral("HelpBrowser"));
    auto* back = viewer.findChild<QPushButton*>(QStringLiteral("HelpBack"));
    auto* forward = viewer.findChild<QPushButton*>(QStringLiteral("HelpForward"));
    auto* contents = viewer.findChild<QPushButton*>(QStringLiteral("HelpContents"));
    ASSERT_TRUE(browser && back && forward && contents);

    QPoint point;
    ASSERT_TRUE(linkPoint(browser, QStringLiteral("30.html"), point));
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, point);
    EXPECT_EQ(browser->source().fileName(), QStringLiteral("30.html"));
    EXPECT_EQ(browser->documentTitle(), pageTitle(readPage(HelpViewer::pagePath(helpFolder(), 30))));
    EXPECT_TRUE(back->isEnabled());
    EXPECT_FALSE(forward->isEnabled());

    QTest::mouseClick(back, Qt::LeftButton);
    EXPECT_EQ(browser->source().fileName(), QStringLiteral("9.html"));
    EXPECT_TRUE(forward->isEnabled());
    QTest::mouseClick(forward, Qt::LeftButton);
    EXPECT_EQ(browser->source().fileName(), QStringLiteral("30.html"));

    QTest::mouseClick(contents, Qt::LeftButton);
    EXPECT_EQ(browser->source().fileName(), QStringLiteral("9.html"));
}
