// Our DirectShow base classes in one include, as filters expect them: COM objects, media
// types, filters and pins, allocators and samples, source filters and class factories. Each
// header names its threads and locks.
#pragma once

#include <windows.h>

#include <dshow.h>

#include "allocator.h"
#include "amfilter.h"
#include "classfactory.h"
#include "combase.h"
#include "iopins.h"
#include "mtype.h"
#include "source.h"
