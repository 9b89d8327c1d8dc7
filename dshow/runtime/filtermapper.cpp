#include "filtermapper.h"

#include "filterdata.h"
#include "guidtext.h"
#include "keyname.h"
#include "registrystore.h"

namespace {

HRESULT FromWin32(LONG status) {
    return HRESULT_FROM_WIN32(static_cast<uint32_t>(status));
}

// "CLSID\{category}\Instance\{instance}"; empty when szInstance is no single key name.
std::u16string InstanceKey(const CLSID *category, LPCOLESTR instance, REFCLSID filter) {
    const std::u16string name = instance ? std::u16string(instance) : GuidText(filter);
    if (!IsValidKeyName(name))
        return {};
    return u"CLSID\\" + GuidText(category ? *category : CLSID_LegacyAmFilterCategory) +
           u"\\Instance\\" + name;
}

} // namespace

HRESULT FilterMapper::Create(IUnknown *outer, REFIID riid, void **ppv) {
    if (outer)
        return CLASS_E_NOAGGREGATION;
    FilterMapper *mapper = new FilterMapper();
    mapper->AddRef();
    const HRESULT hr = mapper->QueryInterface(riid, ppv);
    mapper->Release();
    return hr;
}

STDMETHODIMP FilterMapper::QueryInterface(REFIID riid, void **ppv) {
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IFilterMapper2) {
        *ppv = static_cast<IFilterMapper2 *>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) FilterMapper::AddRef() {
    return ++m_refs;
}

STDMETHODIMP_(ULONG) FilterMapper::Release() {
    const ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

STDMETHODIMP FilterMapper::CreateCategory(REFCLSID clsidCategory, DWORD dwCategoryMerit,
                                          LPCWSTR Description) {
    RegistryStore store(RegistryStore::DefaultRoot());
    const std::u16string path = u"CLSID\\" + GuidText(clsidCategory);
    KeyPath key;
    LONG status = store.Create({}, path, &key, nullptr);
    if (status == ERROR_SUCCESS)
        status = store.SetString(key, u"FriendlyName", Description ? Description : u"");
    if (status == ERROR_SUCCESS) {
        BYTE merit[sizeof(DWORD)];
        std::memcpy(merit, &dwCategoryMerit, sizeof(merit));
        status = store.SetValue(key, u"Merit", REG_DWORD, merit);
    }
    return FromWin32(status);
}

STDMETHODIMP FilterMapper::UnregisterFilter(const CLSID *pclsidCategory, LPCOLESTR szInstance,
                                            REFCLSID Filter) {
    const std::u16string path = InstanceKey(pclsidCategory, szInstance, Filter);
    if (path.empty())
        return E_INVALIDARG;
    return FromWin32(RegistryStore(RegistryStore::DefaultRoot()).DeleteTree({}, path));
}

STDMETHODIMP FilterMapper::RegisterFilter(REFCLSID clsidFilter, LPCWSTR Name, IMoniker **,
                                          const CLSID *pclsidCategory, LPCOLESTR szInstance,
                                          const REGFILTER2 *prf2) {
    if (!prf2)
        return E_POINTER;
    FilterData data;
    if (const HRESULT hr = FilterData::FromRegFilter2(*prf2, &data); FAILED(hr))
        return hr;
    const std::u16string path = InstanceKey(pclsidCategory, szInstance, clsidFilter);
    if (path.empty())
        return E_INVALIDARG;
    RegistryStore store(RegistryStore::DefaultRoot());
    KeyPath key;
    LONG status = store.Create({}, path, &key, nullptr);
    if (status == ERROR_SUCCESS)
        status = store.SetString(key, u"FriendlyName", Name ? Name : u"");
    if (status == ERROR_SUCCESS)
        status = store.SetString(key, u"CLSID", GuidText(clsidFilter));
    if (status == ERROR_SUCCESS)
        status = store.SetValue(key, u"FilterData", REG_BINARY, data.Encode());
    return FromWin32(status);
}

STDMETHODIMP FilterMapper::EnumMatchingFilters(IEnumMoniker **ppEnum, DWORD, BOOL, DWORD, BOOL,
                                               DWORD, const GUID *, const REGPINMEDIUM *,
                                               const CLSID *, BOOL, BOOL, DWORD, const GUID *,
                                               const REGPINMEDIUM *, const CLSID *) {
    if (ppEnum)
        *ppEnum = nullptr;
    return E_NOTIMPL;
}
