#include "device/camera/configsequence.h"

#include "device/networktypes.h"
#include "device/requestissuer.h"

namespace {

using Step = ConfigSequence::Step;

// The step whose control reply carries this tag; a reply that arrives after
// its camera event already moved the sequence on must not start the wait.
Step stepAwaitingReply(int tag) {
    switch (tag) {
    case RequestConfigLiveOff:
        return Step::StopLive;
    case RequestConfigMediaMode:
        return Step::MediaMode;
    case RequestConfigVideoMode:
        return Step::VideoMode;
    case RequestConfigRotation:
        return Step::Rotation;
    case RequestConfigLiveOn:
        return Step::RestartLive;
    default:
        return Step::Idle;
    }
}

QString mediaModeValue(const CameraSettings &settings) {
    if (settings.resFps == QLatin1String("1080P30"))
        return settings.hdr ? QStringLiteral("1080P30_HDR_SS") : QStringLiteral("1080P30_SS");
    if (settings.resFps == QLatin1String("4K30") && settings.hdr)
        return QStringLiteral("4K30_HDR");
    return settings.resFps;
}

} // namespace

void ConfigSequence::start(const CameraSettings &requested) {
    m_requested = requested;
    m_step = Step::QueryLive;
    m_pending = true;
    m_confirmBy.reset();
}

void ConfigSequence::startLiveOn() {
    if (m_step != Step::Idle)
        return;
    m_step = Step::RestartLive;
    m_pending = true;
}

std::optional<ConfigSequence::Request> ConfigSequence::takeRequest() {
    if (!m_pending)
        return std::nullopt;
    switch (m_step) {
    case Step::QueryLive:
        m_pending = false;
        return Request{RequestIssuer::EndpointCamState, {}, RequestConfigLiveQuery};
    case Step::StopLive:
        m_pending = false;
        return Request{RequestIssuer::EndpointKeyOk, {}, RequestConfigLiveOff};
    case Step::MediaMode:
        m_pending = false;
        return Request{RequestIssuer::EndpointSetMediaMode, mediaModeValue(m_requested),
                       RequestConfigMediaMode};
    case Step::VideoMode:
        m_pending = false;
        return Request{RequestIssuer::EndpointSetVideoMode, m_requested.palNtsc,
                       RequestConfigVideoMode};
    case Step::Rotation:
        m_pending = false;
        return Request{RequestIssuer::EndpointSetRotation,
                       m_requested.rotation ? QStringLiteral("ON") : QStringLiteral("OFF"),
                       RequestConfigRotation};
    case Step::RestartLive:
        m_pending = false;
        return Request{RequestIssuer::EndpointKeyOk, {}, RequestConfigLiveOn};
    case Step::Idle:
    case Step::Failed:
        break;
    }
    return std::nullopt;
}

bool ConfigSequence::takeFailure() {
    if (m_step != Step::Failed || !m_pending)
        return false;
    m_step = Step::Idle;
    m_pending = false;
    return true;
}

void ConfigSequence::onLiveState(bool live) {
    advance(Step::QueryLive, live ? Step::StopLive : Step::VideoMode);
}

void ConfigSequence::onControlAccepted(int tag) {
    if (m_step == stepAwaitingReply(tag))
        m_confirmBy = QDeadlineTimer(confirmTimeoutMs);
}

void ConfigSequence::fail() {
    m_step = Step::Failed;
    m_pending = true;
    m_confirmBy.reset();
}

bool ConfigSequence::confirmationOverdue() const {
    return m_confirmBy && m_confirmBy->hasExpired();
}

bool ConfigSequence::onLiveOff() {
    return advance(Step::StopLive, Step::VideoMode);
}

bool ConfigSequence::onVideoModeSet() {
    return advance(Step::VideoMode, Step::MediaMode);
}

bool ConfigSequence::onMediaModeSet() {
    return advance(Step::MediaMode, Step::Rotation);
}

bool ConfigSequence::onRotationSet() {
    return advance(Step::Rotation, Step::RestartLive);
}

bool ConfigSequence::onLiveOn() {
    if (m_step != Step::RestartLive)
        return false;
    m_step = Step::Idle;
    m_pending = false;
    m_confirmBy.reset();
    return true;
}

bool ConfigSequence::advance(Step from, Step to) {
    if (m_step != from)
        return false;
    m_step = to;
    m_pending = true;
    m_confirmBy.reset();
    return true;
}
