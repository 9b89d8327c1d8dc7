// The number of files and sockets the program may hold. The LAN scan keeps a socket per address
// of each /24 it probes and cameras keep connections to the event port, so the usual soft limit
// (1024 on Debian) can run out; the hard limit is the ceiling the system allows.
#pragma once

// Raises the soft limit to the hard one and logs both; called once at start, after LOG::init.
void raiseDescriptorLimit();
