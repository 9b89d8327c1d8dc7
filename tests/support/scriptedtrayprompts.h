// ScriptedTrayPrompts: the tray windows' questions answered by a test. Every
// question and notice is recorded; questions are answered from a queue
// (true = confirm), by default with `defaultAnswer`. GUI thread only.
#pragma once

#include "menu/trayprompts.h"

#include <QList>
#include <QString>

class ScriptedTrayPrompts : public TrayPrompts {
public:
    struct Prompt {
        QString title;
        QString text;
        QString confirmText; // the single button of a notice
        QString cancelText;  // empty for a notice
    };

    bool confirm(const QString &title, const QString &text, const QString &confirmText,
                 const QString &cancelText) override {
        prompts.append({title, text, confirmText, cancelText});
        return answers.isEmpty() ? defaultAnswer : answers.takeFirst();
    }
    void notify(const QString &title, const QString &text, const QString &buttonText) override {
        prompts.append({title, text, buttonText, QString()});
    }

    bool asked(const QString &title) const {
        for (const Prompt &p : prompts)
            if (p.title == title)
                return true;
        return false;
    }

    QList<Prompt> prompts;
    QList<bool> answers;
    bool defaultAnswer = false;
};
