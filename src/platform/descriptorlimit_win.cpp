#include "platform/descriptorlimit.h"

void raiseDescriptorLimit() {
    // Windows sockets and handles have no per-process soft limit to raise.
}
