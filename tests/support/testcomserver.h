// The one class the test COM server library (testcomserver.cpp) serves: an object with
// IPersist only, whose GetClassID names this class. The runtime tests load the library through
// CoCreateInstance and watch DllCanUnloadNow decide when it may go.
#pragma once

#include <windows.h>

DEFINE_GUID(CLSID_KestraTestObject, 0x6F1C2A9E, 0x3B7D, 0x4E21, 0x9A, 0x5C, 0x0D, 0x8E, 0x4B, 0x2F,
            0x7A, 0x13);
