#pragma once
// Every message box and question of the editor goes through here, so that tests
// can answer them without a modal window and check their texts exactly.
// Texts may break lines with "\r", as the program's messages do.

#include <QString>
#include <functional>

class QWidget;

namespace rastrova::app {

enum class MsgIcon { Information, Warning, Error, Question };

enum MsgButton { MsgOk = 1, MsgYes = 2, MsgNo = 4, MsgCancel = 8 };
using MsgButtons = int;

// The caption most messages carry.
inline const QString kAppCaption = QStringLiteral("Растрова - Диалог");
// The caption of the Yes/No questions about saving and deleting.
inline const QString kQuestionCaption = QStringLiteral("Предупреждение о сохранение данных");

struct Message {
    QString caption;
    QString text;
    MsgIcon icon;
    MsgButtons buttons;
};

class Messages {
public:
    using Answerer = std::function<MsgButton(const Message&)>;

    // Shows a modal box (or asks the answerer) and returns the button pressed.
    static MsgButton show(QWidget* parent, const QString& caption, const QString& text,
                          MsgIcon icon = MsgIcon::Information, MsgButtons buttons = MsgOk);
    static void error(QWidget* parent, const QString& text) { show(parent, kAppCaption, text, MsgIcon::Error); }
    static void warning(QWidget* parent, const QString& text) { show(parent, kAppCaption, text, MsgIcon::Warning); }
    // A Yes/No question with the saving caption; true for Yes.
    static bool ask(QWidget* parent, const QString& text)
    {
        return show(parent, kQuestionCaption, text, MsgIcon::Question, MsgYes | MsgNo) == MsgYes;
    }

    // Replaces the boxes (tests); an empty answerer brings them back.
    static void setAnswerer(Answerer answerer);
};

} // namespace rastrova::app
