// Windows ends a session through window messages, which Qt already turns into
// an orderly quit of the event loop.
#include "platform/shutdownrequest.h"

void quitOnTerminationRequest() {}
