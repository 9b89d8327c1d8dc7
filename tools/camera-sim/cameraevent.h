// One setting-change notification as the camera pushes it to the PC. The PC
// does not parse the record as JSON but splits it on commas and colons and
// cuts fixed characters off each value, so the member order, the absence of
// white space and "payload" being last are part of the format.
#pragma once

#include <QByteArray>
#include <QString>

struct CameraEvent {
    QString arg1;
    QString payload;
    QString result = QStringLiteral("SUCCESS");

    // {"eventid":"STATEMNG_SETTING","arg1":...,"arg2":"NORM_REC","result":...,"payload":...}
    QByteArray record() const;
};
