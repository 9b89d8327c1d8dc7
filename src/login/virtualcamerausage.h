// What the update flow needs to know of the pairing side before it quits the
// program for an installer: whether a video application is using one of the
// virtual cameras. The tray's pairing controller answers; until it exists,
// nothing is in use. GUI thread only.
#pragma once

class VirtualCameraUsage {
public:
    virtual ~VirtualCameraUsage() = default;
    virtual bool anyInUse() const = 0;
};

class NoVirtualCameraInUse : public VirtualCameraUsage {
public:
    bool anyInUse() const override { return false; }
};
