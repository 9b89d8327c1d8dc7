#include "campair/workmodechooser.h"

#include "campair/loginmode.h"

WindowModeChooser::WindowModeChooser(FilterRegistrar &registrar) : m_registrar(registrar) {}

WindowModeChooser::~WindowModeChooser() = default;

bool WindowModeChooser::runModal() {
    if (!m_window)
        m_window = std::make_unique<LoginMode>(
            [this](int workMode) { return m_registrar.registerMode(workMode); });
    return m_window->exec() == 1;
}
