#include "platform/audiobridgefiles.h"

QStringList audioBridgeDependencies() {
    return {QStringLiteral("vcruntime140_1"),
            QStringLiteral("vcruntime140"),
            QStringLiteral("msvcp140"),
            QStringLiteral("libiconv-2"),
            QStringLiteral("libwinpthread-1"),
            QStringLiteral("zlib1"),
            QStringLiteral("SDL2"),
            QStringLiteral("avutil-57"),
            QStringLiteral("swscale-6"),
            QStringLiteral("swresample-4"),
            QStringLiteral("avcodec-59"),
            QStringLiteral("avformat-59"),
            QStringLiteral("avfilter-8"),
            QStringLiteral("avdevice-59")};
}

QString audioBridgeFileName() {
    return QStringLiteral("MicBridge.dll");
}
