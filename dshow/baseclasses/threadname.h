// Names the calling thread for debuggers and process listings, where the platform can.
// Called by a thread on itself, once, as it starts.
#pragma once

// name: at most 15 characters (the Linux limit).
void NameCurrentThread(const char *name);
