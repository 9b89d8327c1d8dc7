// The four virtual cameras as both sides number them: the camera number carried in the
// filter's window messages and the pairing file's keys, and the state a pairing slot shows.
// Both enumerations have a fixed underlying type so that an out-of-range number received from
// outside can be held and rejected rather than being undefined.
#pragma once

// "Kestra Camera1" to "Kestra Camera4"; operations that index from zero use the value minus one.
enum CamID_e : int {
    VCamera1 = 1,
    VCamera2 = 2,
    VCamera3 = 3,
    VCamera4 = 4,
};

constexpr int firstCamID = VCamera1;
constexpr int lastCamID = VCamera4;
constexpr int camIDCount = lastCamID - firstCamID + 1;

constexpr bool isValidCamID(int id) {
    return id >= firstCamID && id <= lastCamID;
}

// State of one virtual camera slot in the pairing dialog and on a camera card.
enum SlotStatus : int {
    Free = 0,   // no camera bound
    Paired = 1, // a camera bound, nothing streaming from it
    InUse = 2,  // a camera bound and a video application streaming from it
};
