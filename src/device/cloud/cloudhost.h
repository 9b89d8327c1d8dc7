// Where the cloud service lives: the build's host (KESTRA_CLOUD_HOST at
// configure time), unless the environment variable KESTRA_CLOUD_HOST
// (host[:port]) names another, as tests and the demo do. Any thread.
#pragma once

#include <QString>

QString cloudHost();
// "http://" + host + path.
QString cloudUrl(const QString &path);
