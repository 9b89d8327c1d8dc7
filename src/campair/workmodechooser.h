// WindowModeChooser: the run loop's work-mode chooser with the real window
// and the real registrations (LoginMode, FilterRegistrar). It lives for the
// whole process, and so does its window once shown. GUI thread only.
#pragma once

#include "campair/filterregistrar.h"
#include "main/startupparts.h"

#include <memory>

class LoginMode;

class WindowModeChooser : public WorkModeChooser {
public:
    explicit WindowModeChooser(FilterRegistrar &registrar);
    ~WindowModeChooser() override;

    bool runModal() override;
    bool registerSingleMode() override { return m_registrar.registerMode(0); }
    bool registerMultiMode() override { return m_registrar.registerMode(1); }

private:
    FilterRegistrar &m_registrar;
    std::unique_ptr<LoginMode> m_window; // made at the first choice, kept
};
