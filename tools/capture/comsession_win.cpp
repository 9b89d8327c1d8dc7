#include "comsession.h"

#include <objbase.h>

namespace capture {

ComSession::ComSession() : m_hr(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}

ComSession::~ComSession() {
    if (SUCCEEDED(m_hr))
        CoUninitialize();
}

} // namespace capture
