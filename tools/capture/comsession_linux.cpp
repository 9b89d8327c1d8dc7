#include "comsession.h"

namespace capture {

ComSession::ComSession() : m_hr(CoInitialize(nullptr)) {}

ComSession::~ComSession() {
    if (SUCCEEDED(m_hr))
        CoUninitialize();
}

} // namespace capture
