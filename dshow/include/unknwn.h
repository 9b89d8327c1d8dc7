// Part of the Win32/COM subset for Linux: everything is in windows.h.
#pragma once
#include <windows.h>
