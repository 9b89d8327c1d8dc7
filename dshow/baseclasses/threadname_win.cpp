#include "threadname.h"

// Thread descriptions need Windows 10 (SetThreadDescription); the filter also runs on older
// systems, and a nameless streaming thread costs nothing there.
void NameCurrentThread(const char * /*name*/) {}
