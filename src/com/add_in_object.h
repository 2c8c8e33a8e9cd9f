#pragma once
// The add-in object the IDE creates and connects: IDTExtensibility2 as a dual interface,
// answered through its vtable and through IDispatch by name and DISPID (no type library).
//
// The events pass to the add-in's session (com/add_in_session.h), made at the first
// connection: it keeps the IDE's root object from connection to disconnection (or until the
// next connection replaces it), puts the toolbar into the IDE and shows the add-in's windows.
// A failure is reported to the user and comes back as a COM error.
#include <memory>

#include "com/idt_extensibility2.h"

namespace kestrix::com {

class AddInSession;

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
  AddInSession& Session();
  HRESULT InvokeEvent(DISPID id, DISPPARAMS* params, UINT* arg_error);

  LONG references_ = 1;
  std::unique_ptr<AddInSession> session_;
};

}  // namespace kestrix::com
