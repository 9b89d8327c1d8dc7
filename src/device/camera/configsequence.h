// ConfigSequence: one camera's configuration sequence. Settings change only
// while the camera does not stream live, so the sequence asks whether it
// streams, stops the stream if so, sends the video standard, the media mode
// and the rotation, and starts the stream again; each control step waits for
// the camera's event that confirms it, at most 15 s after the camera accepted
// the request.
//
// The values to send are held here, apart from what the camera reports while
// the sequence runs, so the camera gets what was asked.
//
// Plain state, no locks and no thread of its own: its owner guards it.
#pragma once

#include <optional>
#include <QDeadlineTimer>
#include <QString>

// What a configuration asks of a camera.
struct CameraSettings {
    QString resFps;  // "1080P30", "1080P60" or "4K30"
    QString palNtsc; // "PAL" or "NTSC"
    bool rotation = false;
    bool hdr = true;
};

class ConfigSequence {
public:
    // The values are the documented step numbers.
    enum class Step : quint32 {
        Idle = 0,
        QueryLive = 1,
        StopLive = 2,
        MediaMode = 3,
        VideoMode = 4,
        Rotation = 5,
        RestartLive = 6,
        Failed = 7,
    };
    // One request to send: an endpoint key, the value to append, the tag.
    struct Request {
        int endpoint;
        QString value;
        int tag;
    };
    static constexpr int confirmTimeoutMs = 15000;

    // Starts over at the live-state query with these values to send.
    void start(const CameraSettings &requested);
    // Only turns live streaming on; a running sequence does that anyway.
    void startLiveOn();

    Step step() const { return m_step; }
    bool isRunning() const { return m_step != Step::Idle; }
    const CameraSettings &requested() const { return m_requested; }

    // The request of a step that is due, once; nothing while waiting.
    std::optional<Request> takeRequest();
    // Whether a failure is due to be reported, once; the sequence is then idle.
    bool takeFailure();

    // Replies.
    void onLiveState(bool live);
    void onControlAccepted(int tag);
    void fail();
    // Whether the camera accepted a control request but never confirmed it.
    bool confirmationOverdue() const;

    // Camera events; each returns whether it confirmed the running step.
    bool onLiveOff();
    bool onVideoModeSet();
    bool onMediaModeSet();
    bool onRotationSet();
    bool onLiveOn(); // true: the sequence finished

private:
    bool advance(Step from, Step to);

    Step m_step = Step::Idle;
    bool m_pending = false; // the step's request is due on the next pass
    CameraSettings m_requested;
    std::optional<QDeadlineTimer> m_confirmBy;
};
