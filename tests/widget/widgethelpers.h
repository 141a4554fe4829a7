#pragma once
// What the widget tests share: finding controls, copying example folders, and
// answering the modal dialogs that commands open.

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

#include <deque>
#include <functional>
#include <stdexcept>

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

} // namespace widgettest
