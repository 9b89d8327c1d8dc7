// Part of the DirectShow interface for Linux: everything is in dshow.h.
#pragma once
#include <dshow.h>
