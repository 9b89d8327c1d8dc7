// Ends the application's event loop with exit code 0 when the desktop session
// or the user asks the process to terminate, so that the run loop tears down
// in order instead of dying mid-write. Call once on the GUI thread after the
// application object exists.
#pragma once

void quitOnTerminationRequest();
