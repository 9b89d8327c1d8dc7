// The three floods. Each runs to its count or its time limit, whichever comes first, and
// returns one line of figures. Blocking POSIX sockets on the calling thread.
#pragma once

#include "floodoptions.h"

#include <QString>

QString floodEvents(const FloodOptions &options);
QString floodIdle(const FloodOptions &options);
QString floodMdns(const FloodOptions &options);
