#pragma once
#include <QString>

namespace kestrin {

// Everything modal goes through here: the program shows real dialogs, tests answer from a script.
class Prompts
{
public:
    virtual ~Prompts() = default;
    // Plain message box with the application title and an OK button.
    virtual void message(const QString &text) = 0;
    // The same under another title.
    virtual void titledMessage(const QString &title, const QString &text) = 0;
    // Confirmation with Yes and No; true for Yes.
    virtual bool confirm(const QString &text) = 0;
    // Warning whose only button is Yes.
    virtual void warning(const QString &text) = 0;
    // Warning with Yes and No; true for Yes.
    virtual bool warnYesNo(const QString &text) = 0;
    // Confirmation with Yes and No that tells apart a box closed without an answer (its close button);
    // Escape answers No.
    enum class Answer { Yes, No, Dismissed };
    virtual Answer ask(const QString &text) = 0;
    // Folder chooser opening at start; empty when cancelled.
    virtual QString chooseFolder(const QString &title, const QString &start) = 0;
};

} // namespace kestrin
