#include "platform/audiobridgefiles.h"

// The build links these into camera_x64 beside the bridge (FFmpeg 5.1, libpulse 16).
QStringList audioBridgeDependencies() {
    return {QStringLiteral("libavutil.so.57"), QStringLiteral("libswresample.so.4"),
            QStringLiteral("libavcodec.so.59"), QStringLiteral("libavformat.so.59"),
            QStringLiteral("libpulse.so.0")};
}

QString audioBridgeFileName() {
    return QStringLiteral("libMicBridge.so");
}
