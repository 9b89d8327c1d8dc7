// The files of the audio bridge in the program's "camera_x64" folder, as this
// platform names them: the libraries loaded before the bridge, in loading
// order, and the bridge itself. Windows: the media and runtime libraries the
// bridge was built with and "MicBridge.dll". Linux: the FFmpeg and PulseAudio
// libraries our bridge links, and "libMicBridge.so". Any thread.
#pragma once

#include <QString>
#include <QStringList>

QStringList audioBridgeDependencies();
QString audioBridgeFileName();
