// The server's class table: one row per virtual camera in slot order, each with the filter's
// name, class identifier, creation function and setup data (what the registration routine
// writes to the video input device category). DllGetClassObject looks classes up here.
//
// Constant after load; read from any thread. The creation functions run on whichever thread
// calls IClassFactory::CreateInstance.
#pragma once

#include <streams.h>

extern CFactoryTemplate g_Templates[];
extern int g_cTemplates;

namespace Kestra {

// Each creates the filter of its slot (1 to 4). With a result pointer the filter holds its
// slot's log open while it lives (vclog.h); without one no log file is opened.
CUnknown *CreateCamera1(LPUNKNOWN pUnk, HRESULT *phr);
CUnknown *CreateCamera2(LPUNKNOWN pUnk, HRESULT *phr);
CUnknown *CreateCamera3(LPUNKNOWN pUnk, HRESULT *phr);
CUnknown *CreateCamera4(LPUNKNOWN pUnk, HRESULT *phr);

} // namespace Kestra
