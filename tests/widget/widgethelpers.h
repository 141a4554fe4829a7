#pragma once
// What the widget tests share: finding controls, copying example folders, and
// answering the modal dialogs that commands open.

#include "Ustr.h"
#include "kUnit.h"
#include "messages.h"
#include "mUnit.h"
#include "nUnit.h"
#include "tekchDialog.h"
#include "text/codepage.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <QTest>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace widgettest {

// The child of `root` with that objectName; a missing one fails the test loudly.
template <class T>
T* named(const QObject* root, const QString& name)
{
    T* found = root->findChild<T*>(name);
    if (!found)
        throw std::runtime_error("no child " + name.toStdString());
    return found;
}

inline QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Copies the files below `from` to `to`, folders included.
inline void copyTree(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString src = it.next();
        const QString dst = QDir(to).filePath(QDir(from).relativeFilePath(src));
        QDir().mkpath(QFileInfo(dst).absolutePath());
        QFile out(dst);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(fileBytes(src)) < 0)
            throw std::runtime_error("cannot write " + dst.toStdString());
    }
}

// Answers the modal dialogs that commands open, one step per dialog, in order. A
// dialog that no step expects is closed after a while and reported.
class DialogScript {
public:
    using Act = std::function<void(QWidget*)>;

    DialogScript()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        timer_.start(5);
        idle_.start();
    }

    void expect(const QString& dialog, Act act) { steps_.push_back({dialog, std::move(act)}); }

    // True when every expected dialog came and no other; reports otherwise.
    bool finished()
    {
        const bool ok = steps_.empty() && unexpected_.isEmpty();
        if (!ok)
            ADD_FAILURE() << "dialogs never shown: " << steps_.size()
                          << ", unexpected: " << unexpected_.join(u',').toStdString();
        steps_.clear();
        unexpected_.clear();
        return ok;
    }

private:
    void tick()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) {
            idle_.restart();
        } else if (!steps_.empty() && modal->objectName() == steps_.front().first) {
            const Act act = std::move(steps_.front().second);
            steps_.pop_front();
            idle_.restart();
            act(modal);
        } else if (idle_.elapsed() > 3000) {
            unexpected_ << modal->objectName();
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            idle_.restart();
        }
    }

    QTimer timer_;
    QElapsedTimer idle_;
    std::deque<std::pair<QString, Act>> steps_;
    QStringList unexpected_;
};

// Types `text` into `w` as key presses carrying the characters (QTest takes ASCII only).
inline void typeChars(QWidget* w, const QString& text)
{
    for (QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, ch.toUpper().unicode(), Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, ch.toUpper().unicode(), Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &release);
    }
}

// A program folder with the reference list and settings that name the base
// folder (and the database, when given).
inline void makeProgramFolder(const QString& home, const QString& base, const QString& database = {})
{
    QDir().mkpath(home);
    QFile::copy(QStringLiteral(RASTROVA_DATA_DIR "/sprav.txt"), QDir(home).filePath(QStringLiteral("sprav.txt")));
    QString settings = QStringLiteral("[FIRST]\r\nPUT=") + base + QStringLiteral("\r\n");
    if (!database.isEmpty())
        settings += QStringLiteral("[ROPT]\r\nBathePath=") + database + QStringLiteral("\r\n");
    QFile ini(QDir(home).filePath(QStringLiteral("RASTROVA.INI")));
    if (!ini.open(QIODevice::WriteOnly) || ini.write(rastrova::text::toCp1251Lossy(settings)) < 0)
        throw std::runtime_error("cannot write the settings");
}

// Records every message box and answers questions from a queue (OK, or No, when
// the queue is empty).
class MessageLog {
public:
    MessageLog()
    {
        rastrova::app::Messages::setAnswerer([this](const rastrova::app::Message& m) {
            messages.push_back(m);
            if (answers.empty())
                return (m.buttons & rastrova::app::MsgOk) ? rastrova::app::MsgOk : rastrova::app::MsgNo;
            const rastrova::app::MsgButton b = answers.front();
            answers.pop_front();
            return b;
        });
    }
    ~MessageLog() { rastrova::app::Messages::setAnswerer({}); }

    std::vector<rastrova::app::Message> messages;
    std::deque<rastrova::app::MsgButton> answers;
};

// The editor's windows, made as the program makes them, the main window shown.
class EditorWindows {
public:
    ~EditorWindows() { close(); }

    void open(const QString& home)
    {
        const auto paths = rastrova::store::resolveProgramPaths(home, home);
        nForm = std::make_unique<Tnform>();
        kForm = std::make_unique<TkForm>();
        aUstr = std::make_unique<TAUstr>();
        typeDialog = std::make_unique<TVirelTypeDialog>();
        form = std::make_unique<TmForm>(paths, nForm.get(), kForm.get(), typeDialog.get(), aUstr.get());
        for (QWidget* w : dialogs())
            w->setParent(form.get(), w->windowFlags());
        form->FormShow();
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            throw std::runtime_error("the main window was not shown");
    }

    void close()
    {
        if (form)
            for (QWidget* w : dialogs())
                w->setParent(nullptr);
        form.reset();
        typeDialog.reset();
        aUstr.reset();
        kForm.reset();
        nForm.reset();
    }

    std::unique_ptr<Tnform> nForm;
    std::unique_ptr<TkForm> kForm;
    std::unique_ptr<TAUstr> aUstr;
    std::unique_ptr<TVirelTypeDialog> typeDialog;
    std::unique_ptr<TmForm> form;

private:
    std::array<QWidget*, 4> dialogs() const { return {nForm.get(), kForm.get(), aUstr.get(), typeDialog.get()}; }
};

} // namespace widgettest
