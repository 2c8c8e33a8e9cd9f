#pragma once
// The add-in object the IDE creates and connects: IDTExtensibility2 as a dual interface,
// answered through its vtable and through IDispatch by name and DISPID (no type library).
//
// For now a connection keeps the IDE's root object (AddRef'd until disconnection, or until
// the next connection replaces it) after asking it for its FullName, which proves the object
// answers late-bound calls; what the add-in does with the IDE comes on top of this.
#include "com/extensibility.h"

namespace kestrix::com {

class Connect final : public IDTExtensibility2 {
 public:
  Connect();
  Connect(const Connect&) = delete;
  Connect& operator=(const Connect&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch: the five events by name (case-insensitive) and by their DISPIDs.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* arg_error) override;

  // IDTExtensibility2
  HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application, ext_ConnectMode connect_mode,
                                         IDispatch* add_in_inst, SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode remove_mode,
                                            SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) override;

 private:
  ~Connect();
  HRESULT Connected(IDispatch* application, ext_ConnectMode connect_mode);
  void ReleaseApplication();
  HRESULT InvokeEvent(DISPID id, DISPPARAMS* params, UINT* arg_error);

  LONG references_ = 1;
  IDispatch* application_ = nullptr;
};

}  // namespace kestrix::com
