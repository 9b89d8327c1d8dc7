// The filter mapper CoCreateInstance(CLSID_FilterMapper2) returns: it records filters under
// CLSID\{category}\Instance\{instance} in the registry store (FriendlyName, CLSID and FilterData
// values) so that device enumeration (devenum.h) finds them. Created on any thread by
// CoCreateInstance; reference counted, free-threaded and stateless apart from the count: the
// store's own lock serialises its writes.
#pragma once

#include <dshow.h>

#include <atomic>
#include <string>

class FilterMapper final : public IFilterMapper2 {
public:
    // Aggregation is not supported (CLASS_E_NOAGGREGATION with an outer object).
    static HRESULT Create(IUnknown *outer, REFIID riid, void **ppv);

    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // Writes CLSID\{category} with FriendlyName = Description and a Merit REG_DWORD.
    STDMETHODIMP CreateCategory(REFCLSID clsidCategory, DWORD dwCategoryMerit,
                                LPCWSTR Description) override;
    // Removes the instance key; HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) when it is absent.
    STDMETHODIMP UnregisterFilter(const CLSID *pclsidCategory, LPCOLESTR szInstance,
                                  REFCLSID Filter) override;
    // The category defaults to CLSID_LegacyAmFilterCategory and the instance name to the
    // filter's class identifier; registering again rewrites the same key. ppMoniker is ignored.
    STDMETHODIMP RegisterFilter(REFCLSID clsidFilter, LPCWSTR Name, IMoniker **ppMoniker,
                                const CLSID *pclsidCategory, LPCOLESTR szInstance,
                                const REGFILTER2 *prf2) override;
    STDMETHODIMP EnumMatchingFilters(IEnumMoniker **ppEnum, DWORD dwFlags, BOOL bExactMatch,
                                     DWORD dwMerit, BOOL bInputNeeded, DWORD cInputTypes,
                                     const GUID *pInputTypes, const REGPINMEDIUM *pMedIn,
                                     const CLSID *pPinCategoryIn, BOOL bRender, BOOL bOutputNeeded,
                                     DWORD cOutputTypes, const GUID *pOutputTypes,
                                     const REGPINMEDIUM *pMedOut,
                                     const CLSID *pPinCategoryOut) override;

private:
    FilterMapper() = default;
    ~FilterMapper() = default;

    std::atomic<ULONG> m_refs{0};
};
