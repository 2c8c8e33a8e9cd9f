#pragma once
// The receiver of a toolbar button's click events: a plain IDispatch the IDE's event source
// calls with Click (DISPID 1). It hands the click to the button's handler and writes the
// handler's `handled` and `cancel_default` back into the caller's ByRef flags.
#include <oaidl.h>
#include <windows.h>

#include "host/command_bars.h"

namespace kestrix::com {

// The dispatch interface of a command bar control's events.
extern const IID kDiidCommandBarEvents;
constexpr DISPID kDispidClick = 1;

class ClickSink final : public IDispatch {
 public:
  ClickSink(host::CommandBarButton& button, host::CommandBarButton::ClickHandler handler);
  ClickSink(const ClickSink&) = delete;
  ClickSink& operator=(const ClickSink&) = delete;

  void SetHandler(host::CommandBarButton::ClickHandler handler);
  // Clicks that still arrive (the IDE may hold the sink a while) reach nothing any more.
  void Detach() noexcept;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* arg_error) override;

 private:
  ~ClickSink();
  HRESULT Click(DISPPARAMS* params, UINT* arg_error);

  LONG references_ = 1;
  host::CommandBarButton* button_;
  host::CommandBarButton::ClickHandler handler_;
};

}  // namespace kestrix::com
