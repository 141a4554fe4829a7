#include "helpviewer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace rastrova::app {

namespace {

QString missingPageHtml(const QString& path)
{
    return QStringLiteral("<html><head><meta charset=\"utf-8\"><title>Справка - Растрова</title></head>"
                          "<body><p>Страница справки не найдена: %1</p></body></html>")
        .arg(QDir::toNativeSeparators(path).toHtmlEscaped());
}

// A browser that answers a missing page with a line saying so, so that the
// history and the buttons keep working as for any other page.
class HelpBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;

    QVariant loadResource(int type, const QUrl& name) override
    {
        if (type == QTextDocument::HtmlResource) {
            const QUrl url = name.isRelative() && source().isValid() ? source().resolved(name) : name;
            if (url.isLocalFile() || url.scheme().isEmpty()) {
                const QString path = url.isLocalFile() ? url.toLocalFile() : url.path();
                if (!QFileInfo(path).isFile())
                    return missingPageHtml(path);
            }
        }
        return QTextBrowser::loadResource(type, name);
    }
};

} // namespace

HelpViewer::HelpViewer(QString helpFolder, QWidget* parent)
    : QDialog(parent), helpFolder_(std::move(helpFolder))
{
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("Справка - Растрова"));
    setModal(false);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setSizeGripEnabled(true);

    back_ = new QPushButton(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("Назад"), this);
    back_->setObjectName(QStringLiteral("HelpBack"));
    back_->setToolTip(QStringLiteral("Предыдущая страница (Alt+Влево)"));
    forward_ = new QPushButton(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("Вперёд"), this);
    forward_->setObjectName(QStringLiteral("HelpForward"));
    forward_->setToolTip(QStringLiteral("Следующая страница (Alt+Вправо)"));
    contents_ = new QPushButton(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("Содержание"), this);
    contents_->setObjectName(QStringLiteral("HelpContents"));
    contents_->setToolTip(QStringLiteral("Содержание и указатель"));
    auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
    close->setObjectName(QStringLiteral("HelpClose"));
    for (QPushButton* b : {back_, forward_, contents_, close}) {
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::TabFocus);
    }

    browser_ = new HelpBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(true);
    browser_->setSearchPaths({helpFolder_});
    // One style sheet for every page.
    if (QFile css(QDir(helpFolder_).filePath(QStringLiteral("style.css"))); css.open(QIODevice::ReadOnly))
        browser_->document()->setDefaultStyleSheet(QString::fromUtf8(css.readAll()));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back_);
    buttons->addWidget(forward_);
    buttons->addWidget(contents_);
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_, 1);

    connect(back_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(contents_, &QPushButton::clicked, this, [this] { showTopic(kContentsTopic); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QPushButton::setEnabled);
    back_->setEnabled(false);
    forward_->setEnabled(false);

    resize(780, 600);
}

QString HelpViewer::pagePath(const QString& helpFolder, int topic)
{
    return QDir(helpFolder).filePath(QString::number(topic) + QStringLiteral(".html"));
}

void HelpViewer::showTopic(int topic)
{
    const QUrl url = QUrl::fromLocalFile(QFileInfo(pagePath(helpFolder_, topic)).absoluteFilePath());
    if (browser_->source() == url)
        browser_->reload(); // the same page again: show its top
    else
        browser_->setSource(url, QTextDocument::HtmlResource);
    browser_->moveCursor(QTextCursor::Start);
    browser_->ensureCursorVisible();
}

} // namespace rastrova::app
