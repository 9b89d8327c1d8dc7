#include "console.h"

#include <cstdio>

namespace {

void writeLine(std::FILE *stream, const QString &line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

namespace console {

void out(const QString &line) {
    writeLine(stdout, line);
}

void err(const QString &line) {
    writeLine(stderr, line);
}

} // namespace console
