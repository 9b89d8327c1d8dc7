// The COM groundwork every DirectShow object here is built on: a recursive critical section
// with its scoped lock, a module-wide count of live objects (a library may unload only when it
// reaches zero, and tests use it to find leaks), and CUnknown, the reference-counted object
// that can be aggregated: its non-delegating IUnknown answers for the object itself, while the
// IUnknown the interfaces expose (DECLARE_IUNKNOWN) delegates to the owner, which is the outer
// object when aggregated and the object itself otherwise.
//
// Threads: objects are created on any thread and called from any thread. The counters are
// atomic; CUnknown keeps no other mutable state. CCritSec guards whatever its owner names.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>

// Recursive: filter methods that hold the state lock call one another and into their pins.
class CCritSec {
public:
    CCritSec() = default;
    CCritSec(const CCritSec &) = delete;
    CCritSec &operator=(const CCritSec &) = delete;

    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }

private:
    std::recursive_mutex m_mutex;
};

// Holds a CCritSec for the lifetime of the scope.
class CAutoLock {
public:
    explicit CAutoLock(CCritSec *pLock) : m_pLock(pLock) { m_pLock->Lock(); }
    ~CAutoLock() { m_pLock->Unlock(); }
    CAutoLock(const CAutoLock &) = delete;
    CAutoLock &operator=(const CAutoLock &) = delete;

private:
    CCritSec *m_pLock;
};

// Counts itself in a module-wide counter for as long as it lives.
class CBaseObject {
public:
    explicit CBaseObject(const char *name);
    CBaseObject(const CBaseObject &) = delete;
    CBaseObject &operator=(const CBaseObject &) = delete;
    virtual ~CBaseObject();

    // The name given at construction, for log lines.
    const char *ObjectName() const { return m_objectName; }

    // Objects of this module alive right now.
    static LONG ObjectsActive();

private:
    const char *m_objectName;
};

// The IUnknown of an object as itself, whatever owner it delegates to.
struct INonDelegatingUnknown {
    STDMETHOD(NonDelegatingQueryInterface)(REFIID riid, void **ppv) PURE;
    STDMETHOD_(ULONG, NonDelegatingAddRef)() PURE;
    STDMETHOD_(ULONG, NonDelegatingRelease)() PURE;

protected:
    ~INonDelegatingUnknown() = default;
};
using PNDUNKNOWN = INonDelegatingUnknown *;

class CUnknown : public INonDelegatingUnknown, public CBaseObject {
public:
    // pUnk is the outer object when aggregated, else null. The reference count starts at 0:
    // the creator takes the first reference.
    CUnknown(const char *name, LPUNKNOWN pUnk, HRESULT *phr = nullptr);

    // Answers IID_IUnknown with the non-delegating IUnknown; derived classes add their
    // interfaces and fall back to this.
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void **ppv) override;
    STDMETHODIMP_(ULONG) NonDelegatingAddRef() override;
    // Deletes the object when the count reaches 0.
    STDMETHODIMP_(ULONG) NonDelegatingRelease() override;

    // Where the interfaces' IUnknown methods go.
    LPUNKNOWN GetOwner() const { return m_pUnknown; }

protected:
    std::atomic<LONG> m_cRef{0};

private:
    // The non-delegating IUnknown as a real IUnknown, so that an aggregating owner (or the
    // object itself) can hold and call it through the ordinary interface.
    class InnerUnknown final : public IUnknown {
    public:
        explicit InnerUnknown(CUnknown *object) : m_object(object) {}
        STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
        STDMETHODIMP_(ULONG) AddRef() override;
        STDMETHODIMP_(ULONG) Release() override;

    private:
        CUnknown *m_object;
    };

    InnerUnknown m_inner{this};
    LPUNKNOWN const m_pUnknown;
};

// Stores pUnk in *ppv with a reference taken: the tail of every QueryInterface.
HRESULT GetInterface(LPUNKNOWN pUnk, void **ppv);

// The interfaces' IUnknown methods of a CUnknown-derived class: forwarded to the owner.
#define DECLARE_IUNKNOWN                                                                           \
    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override {                                \
        return GetOwner()->QueryInterface(riid, ppv);                                              \
    }                                                                                              \
    STDMETHODIMP_(ULONG) AddRef() override {                                                       \
        return GetOwner()->AddRef();                                                               \
    }                                                                                              \
    STDMETHODIMP_(ULONG) Release() override {                                                      \
        return GetOwner()->Release();                                                              \
    }
