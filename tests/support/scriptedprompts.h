// ScriptedPrompts: the sign-in window's modal questions answered by a test.
// Every question is recorded; message boxes are answered from a queue (the
// index of the button, or by default the last button), the save dialog with
// a preset path, the picture check with a preset result. GUI thread only.
#pragma once

#include "login/loginprompts.h"

#include <QList>
#include <QString>
#include <QStringList>

class ScriptedPrompts : public LoginPrompts {
public:
    struct Message {
        QString title;
        QString text;
        QStringList buttons;
    };

    int message(const QString &title, const QString &text, const QStringList &buttons) override {
        messages.append({title, text, buttons});
        return answers.isEmpty() ? static_cast<int>(buttons.size()) - 1 : answers.takeFirst();
    }
    QString saveFileName(const QString &title, const QString &proposedPath,
                         const QString &filter) override {
        saveDialogs.append({title, proposedPath, QStringList{filter}});
        return savePath;
    }
    bool passPictureCheck(QWidget *) override {
        ++pictureChecks;
        return passPicture;
    }

    bool asked(const QString &title) const {
        for (const Message &m : messages)
            if (m.title == title)
                return true;
        return false;
    }

    QList<Message> messages;
    QList<int> answers;
    QList<Message> saveDialogs;
    QString savePath;
    int pictureChecks = 0;
    bool passPicture = true;
};
