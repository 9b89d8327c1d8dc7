// NoAudioBridge: stands in for the audio-source bridge until it exists; it
// only notes that the program runs without one. GUI thread.
#pragma once

#include "log/logline.h"
#include "main/startupparts.h"

class NoAudioBridge : public AudioBridge {
public:
    void start() override { LOG_NOTE << "audio bridge: not part of this build"; }
    void stop() override {}
};
