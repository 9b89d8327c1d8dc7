// A simulator's stdout is its report to whoever drives it (tests wait for
// these lines), so every line goes out whole and at once. Main thread only.
#pragma once

#include <QString>

namespace console {

// One line on stdout, flushed.
void out(const QString &line);
// One line on stderr, flushed.
void err(const QString &line);

} // namespace console
