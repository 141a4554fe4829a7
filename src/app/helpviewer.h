#pragma once
// The help window: the pages "<topic>.html" of the help folder in a browser
// with back, forward and contents buttons. It is not modal, so the engineer can
// keep it open beside the main window; links between pages open inside it.

#include <QDialog>
#include <QString>

class QPushButton;
class QTextBrowser;

namespace rastrova::app {

class HelpViewer : public QDialog {
    Q_OBJECT
public:
    // The topic of the contents and index page.
    static constexpr int kContentsTopic = 9;

    explicit HelpViewer(QString helpFolder, QWidget* parent = nullptr);

    // The page of `topic` in `helpFolder`: helpFolder + "/<topic>.html".
    static QString pagePath(const QString& helpFolder, int topic);

    // Shows the page of `topic`; a missing page shows a line saying so, with its path.
    void showTopic(int topic);

    const QString& helpFolder() const { return helpFolder_; }
    QTextBrowser* browser() const { return browser_; }

private:
    QString helpFolder_;
    QTextBrowser* browser_;
    QPushButton* back_;
    QPushButton* forward_;
    QPushButton* contents_;
};

} // namespace rastrova::app
