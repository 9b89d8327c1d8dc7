// The request tags and parameter report kinds that the HTTP engine, its parts
// and its callers share. Plain values; no thread rules.
#pragma once

#include <QMetaType>

// Download progress in percent; -1 while the total size is unknown.
using schar = signed char;

// The tag of a request; selects the handler of its reply.
enum RequestType_e {
    RequestSendCode = 0,
    RequestCodeLogin = 1,
    RequestGetQRcode = 2,
    RequestQRcodeStatus = 3,
    RequestLogout = 4,
    RequestUserInfo = 5,
    RequestRefreshToken = 6,
    RequestVersionInfo = 7,
    RequestDownload = 8,
    RequestConfigLiveQuery = 200,
    RequestConfigLiveOff = 201,
    RequestConfigMediaMode = 202,
    RequestConfigRotation = 203,
    RequestConfigLiveOn = 204,
    RequestConfigVideoMode = 205,
    RequestClientRegister = 206,
    RequestLiveQuery = 207,
    RequestMediaModeQuery = 208,
    RequestVideoModeQuery = 209,
    RequestRotationQuery = 210,
    RequestDiscarded = 211,
};

// Kind of a camera parameter report.
enum VideoParamType_e {
    VideoParamHDR = 0,
    VideoParamPalNtsc = 1,
    VideoParamResFps = 2,
    VideoParamRotation = 3,
    VideoParamLive = 4,
};

Q_DECLARE_METATYPE(VideoParamType_e)
