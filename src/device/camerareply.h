// Readers of the cameras' CGI replies. The firmware answers with short texts in
// which each value follows its name, '=' and '"' and ends at the next '"', e.g.
//   var capacity="87";
// They are read by substring tests and by splitting on the value separator
// ("=\""), never parsed as a whole, so any reply text is safe to hand in.
// Pure functions; callable from any thread.
#pragma once

#include <optional>
#include <QNetworkReply>
#include <QString>

namespace CameraReply {

// The body of a finished camera reply, or nothing after logging why there is
// none (a transport failure or an empty reply) under the camera's log prefix.
std::optional<QString> bodyOf(QNetworkReply *reply, const QString &ip, const QString &label);

// The enumerator name of a transport error, for log lines ("TimeoutError").
const char *errorName(QNetworkReply::NetworkError error);

// A set, key or register request succeeded.
bool isSuccess(const QString &body);

// getworkmodeparam: the piece after the first value separator, still holding
// the closing quote and the rest of the line; empty when there is no "value".
std::optional<QString> workModeValue(const QString &body);

// getcamstate: whether the camera streams live; empty when no piece names "living".
std::optional<bool> isLiving(const QString &body);

struct Battery {
    int capacity = 0;
    int charge = 0;
    int ac = 0;
};
// getbatterycapacity: capacity, charge and ac; empty when there is no "capacity".
// A missing or non-numeric value reads as 0.
std::optional<Battery> battery(const QString &body);

// getcommparam NORMRECMODE: the camera is in its wireless streaming mode.
bool isWirelessMode(const QString &body);

// The resolution and frame rate named by a MEDIAMODE value:
// "1080P30", else "1080P60", else "4K30".
QString resFpsOf(const QString &mediaMode);

} // namespace CameraReply
