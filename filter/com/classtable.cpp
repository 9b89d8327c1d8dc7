#include "classtable.h"

#include "config/vclog.h"
#include "receiver/streamreceiver.h"
#include "source/kestracamera.h"
#include "source/kestracameraids.h"

#include <iterator>
#include <new>

namespace Kestra {

namespace {

const AMOVIESETUP_MEDIATYPE kVideoPinType = {&MEDIATYPE_Video, &MEDIASUBTYPE_YUY2};

// The pin record's name is not const in the SDK's structure; nothing writes through it.
const AMOVIESETUP_PIN kVideoPin = {const_cast<LPWSTR>(OLESTR("Video")),
                                   FALSE, // rendered
                                   TRUE,  // output
                                   FALSE, // zero instances allowed
                                   FALSE, // many instances allowed
                                   &CLSID_NULL,
                                   nullptr,
                                   1,
                                   &kVideoPinType};

// Never picked by intelligent connect: only an explicit choice of the user or application
// opens a virtual camera.
constexpr AMOVIESETUP_FILTER SetupFor(const KestraCameraId &camera) {
    return {camera.clsid, camera.name, MERIT_DO_NOT_USE, 1, &kVideoPin};
}

const AMOVIESETUP_FILTER kSetup[kCameraCount] = {
    SetupFor(kKestraCameras[0]),
    SetupFor(kKestraCameras[1]),
    SetupFor(kKestraCameras[2]),
    SetupFor(kKestraCameras[3]),
};

// A camera made by a creation function. With a result pointer (as the class factory calls)
// it holds its slot's log for its whole life: the hold is built before the camera and released
// after it, so the lines of its construction and of its receiver's last moments are kept.
class LoggedCamera final : private SlotLogHold, public CKestraCamera {
public:
    LoggedCamera(LPUNKNOWN pUnk, HRESULT *phr, int slot)
        : SlotLogHold(phr ? slot : 0), CKestraCamera(pUnk, phr, slot) {}
};

CUnknown *CreateCameraForSlot(LPUNKNOWN pUnk, HRESULT *phr, int slot) {
    CKestraCamera *camera = new (std::nothrow) LoggedCamera(pUnk, phr, slot);
    if (camera)
        camera->SetPictureSource(
            std::unique_ptr<PictureSource>(new (std::nothrow) StreamReceiver(slot)));
    if (phr) {
        // A failure the constructor reported stands: the factory then deletes the object.
        if (!camera)
            *phr = E_OUTOFMEMORY;
        else if (SUCCEEDED(*phr))
            *phr = S_OK;
    }
    return camera;
}

} // namespace

CUnknown *CreateCamera1(LPUNKNOWN pUnk, HRESULT *phr) {
    return CreateCameraForSlot(pUnk, phr, 1);
}

CUnknown *CreateCamera2(LPUNKNOWN pUnk, HRESULT *phr) {
    return CreateCameraForSlot(pUnk, phr, 2);
}

CUnknown *CreateCamera3(LPUNKNOWN pUnk, HRESULT *phr) {
    return CreateCameraForSlot(pUnk, phr, 3);
}

CUnknown *CreateCamera4(LPUNKNOWN pUnk, HRESULT *phr) {
    return CreateCameraForSlot(pUnk, phr, 4);
}

} // namespace Kestra

CFactoryTemplate g_Templates[] = {
    {Kestra::kKestraCameras[0].name, Kestra::kKestraCameras[0].clsid, Kestra::CreateCamera1,
     nullptr, &Kestra::kSetup[0]},
    {Kestra::kKestraCameras[1].name, Kestra::kKestraCameras[1].clsid, Kestra::CreateCamera2,
     nullptr, &Kestra::kSetup[1]},
    {Kestra::kKestraCameras[2].name, Kestra::kKestraCameras[2].clsid, Kestra::CreateCamera3,
     nullptr, &Kestra::kSetup[2]},
    {Kestra::kKestraCameras[3].name, Kestra::kKestraCameras[3].clsid, Kestra::CreateCamera4,
     nullptr, &Kestra::kSetup[3]},
};
int g_cTemplates = static_cast<int>(std::size(g_Templates));

static_assert(std::size(g_Templates) == Kestra::kCameraCount);
