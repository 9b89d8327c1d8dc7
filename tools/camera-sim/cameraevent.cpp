#include "cameraevent.h"

QByteArray CameraEvent::record() const {
    return QByteArrayLiteral(R"({"eventid":"STATEMNG_SETTING","arg1":")") + arg1.toUtf8() +
           QByteArrayLiteral(R"(","arg2":"NORM_REC","result":")") + result.toUtf8() +
           QByteArrayLiteral(R"(","payload":")") + payload.toUtf8() + QByteArrayLiteral(R"("})");
}
