#pragma once
// The IDE's add-in connection interface, declared here from its published shape so that the
// add-in needs no vendor header and no type library. The vtable order below is the
// interface's: IDispatch's seven methods, then the five events.
#include <oaidl.h>
#include <windows.h>

namespace kestrix::com {

// {B65AD801-ABAF-11D0-BB8B-00A0C90F2744}
inline constexpr IID kIidExtensibility2 = {
    0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};

// The class the IDE creates through the ProgID "Kestrix.Connect".
// {02D0E11A-B407-42A6-BF73-9DA4DB63FBDF}
inline constexpr CLSID kClsidConnect = {
    0x02D0E11A, 0xB407, 0x42A6, {0xBF, 0x73, 0x9D, 0xA4, 0xDB, 0x63, 0xFB, 0xDF}};
inline constexpr wchar_t kProgId[] = L"Kestrix.Connect";

enum ext_ConnectMode : int {
  ext_cm_AfterStartup = 0,
  ext_cm_Startup = 1,
  ext_cm_External = 2,
  ext_cm_CommandLine = 3,
};

enum ext_DisconnectMode : int {
  ext_dm_HostShutdown = 0,
  ext_dm_UserClosed = 1,
};

// The DISPIDs the IDE's type library gives the five events, in vtable order.
inline constexpr DISPID kDispidOnConnection = 1;
inline constexpr DISPID kDispidOnDisconnection = 2;
inline constexpr DISPID kDispidOnAddInsUpdate = 3;
inline constexpr DISPID kDispidOnStartupComplete = 4;
inline constexpr DISPID kDispidOnBeginShutdown = 5;

struct IDTExtensibility2 : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application,
                                                 ext_ConnectMode connect_mode,
                                                 IDispatch* add_in_inst, SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode remove_mode,
                                                    SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) = 0;
};

}  // namespace kestrix::com
