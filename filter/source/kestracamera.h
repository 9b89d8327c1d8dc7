// One virtual camera: a source filter with the single output pin CKestraCameraStream, serving
// the slot (1..4) it was created for. Whatever its slot, it names itself "Kestra Camera1" and
// reports row 1's class identifier; the slot alone tells the four apart.
//
// Threads: created and destroyed on application threads (the class factory's caller); its
// IBaseFilter methods come on application threads under the state lock m_cStateLock of the
// base class, which also guards the pin array.
#pragma once

#include "picturesource.h"

#include <memory>

#include <streams.h>

namespace Kestra {

class CKestraCamera : public CSource {
public:
    // On failure *phr holds the error and the caller deletes the object.
    CKestraCamera(LPUNKNOWN pUnk, HRESULT *phr, int slot);

    // IAMStreamConfig and IKsPropertySet are the pin's: applications ask the filter for them.
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void **ppv) override;
    // A live source: paused, it delivers nothing and says so with VFW_S_CANT_CUE, so that the
    // graph does not wait for a sample before it runs.
    STDMETHODIMP GetState(DWORD dwMilliSecsTimeout, FILTER_STATE *State) override;

    // Where the pin takes its pictures from: the camera receiver of the slot, installed by the
    // creation function. Without one the camera shows its placeholder.
    void SetPictureSource(std::unique_ptr<PictureSource> source);
};

} // namespace Kestra
