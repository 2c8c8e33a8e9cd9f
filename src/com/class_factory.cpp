// The class factory for Connect and the DLL's two lifetime exports.
#include <windows.h>

#include <new>

#include "com/add_in_object.h"
#include "com/module.h"

namespace kestrix::com {
namespace {

class ConnectFactory final : public IClassFactory {
 public:
  ConnectFactory() { ObjectCreated(); }
  ConnectFactory(const ConnectFactory&) = delete;
  ConnectFactory& operator=(const ConnectFactory&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) {
      return E_NOINTERFACE;
    }
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    return Guarded("CreateInstance", [&]() -> HRESULT {
      if (object == nullptr) return E_POINTER;
      *object = nullptr;
      if (outer != nullptr) return CLASS_E_NOAGGREGATION;
      Connect* connect = new Connect();
      HRESULT hr = connect->QueryInterface(iid, object);
      connect->Release();  // the object lives on the caller's reference only
      Log("CreateInstance -> " + HresultText(hr));
      return hr;
    });
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      LockModule();
    } else {
      UnlockModule();
    }
    return S_OK;
  }

 private:
  ~ConnectFactory() { ObjectDestroyed(); }
  LONG references_ = 1;
};

}  // namespace
}  // namespace kestrix::com

using namespace kestrix::com;

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  return Guarded("DllGetClassObject", [&]() -> HRESULT {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (LogEnabled()) Log("DllGetClassObject " + DescribeIid(clsid) + " " + DescribeIid(iid));
    if (!IsEqualCLSID(clsid, kClsidConnect)) return CLASS_E_CLASSNOTAVAILABLE;
    ConnectFactory* factory = new ConnectFactory();
    HRESULT hr = factory->QueryInterface(iid, object);
    factory->Release();
    return hr;
  });
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return ModuleInUse() ? S_FALSE : S_OK;
}
