// The convention every diagnostic of KestraLive follows:
//   LOG_NOTE  << "text" << value;   ->  "[ ../src/dir/file.cpp : 42 ]: text value"
//   LOG_ERROR << "text";            ->  "[ ../src/dir/file.cpp : 42 ]:[Error] text"
// Strings are streamed raw (no quotes); the build maps the source root to ".."
// so the path reads relative to the build folder.
#pragma once

#include <QDebug>

#define LOG_NOTE qDebug().noquote() << "[" << __FILE__ << ":" << __LINE__ << "]:"
#define LOG_ERROR qDebug().noquote() << "[" << __FILE__ << ":" << __LINE__ << "]:[Error]"

// How log lines show a flag.
inline const char *boolText(bool value) {
    return value ? "true" : "false";
}
