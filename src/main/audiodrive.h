// AudioDrive: loads the audio bridge from the program's "camera_x64" folder,
// the libraries it needs first, and calls its two entries: KestraMIC_Start
// once after the first sign-in, KestraMIC_Stop when the program ends normally.
// A missing folder, library or entry is logged and leaves the program without
// audio; nothing of it reaches the user. The libraries stay loaded until the
// process ends.
//
// Created right after the single-instance check, used and destroyed on the
// GUI thread.
#pragma once

#include "main/startupparts.h"

#include <QObject>
#include <QString>
#include <QStringList>

class AudioDrive : public QObject, public AudioBridge {
    Q_OBJECT
public:
    // Loads from the program folder's "camera_x64".
    explicit AudioDrive(QObject *parent = nullptr);
    // Loads from `folder` (tests).
    AudioDrive(const QString &folder, QObject *parent);

    void start() override;
    void stop() override;

private:
    using Entry = void (*)();

    void load(const QString &folder);

    QStringList m_libraries;
    Entry m_start = nullptr;
    Entry m_stop = nullptr;
};
