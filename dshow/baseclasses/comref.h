// An owning reference to a COM interface: releases on destruction, adds a reference on copy.
// Used by one thread at a time, like the pointer it holds.
#pragma once

#include <utility>

template <typename T> class ComRef {
public:
    ComRef() = default;
    // Takes a new reference to p.
    static ComRef Share(T *p) {
        if (p)
            p->AddRef();
        return ComRef(p);
    }
    // Takes over a reference the caller already owns.
    static ComRef Adopt(T *p) { return ComRef(p); }

    ComRef(const ComRef &other) : m_p(other.m_p) {
        if (m_p)
            m_p->AddRef();
    }
    ComRef(ComRef &&other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ComRef &operator=(ComRef other) noexcept {
        std::swap(m_p, other.m_p);
        return *this;
    }
    ~ComRef() {
        if (m_p)
            m_p->Release();
    }

    T *get() const { return m_p; }
    T *operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // Releases the current reference and returns the slot for an out-parameter.
    T **Out() {
        *this = ComRef();
        return &m_p;
    }

private:
    explicit ComRef(T *p) : m_p(p) {}

    T *m_p = nullptr;
};
