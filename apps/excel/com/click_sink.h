#pragma once

#include <windows.h>

#include <ocidl.h>

#include <functional>

#include "com/com_object.h"
#include "com/com_ptr.h"

namespace qv::excel {

// The event interface of a command bar button; its Click is DISPID 1.
inline constexpr IID kCommandBarButtonEvents = {
    0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Receives a button's Click through its connection point and runs the handler. Nothing the
// handler throws goes back to the spreadsheet: the event always answers S_OK.
class ClickSink final : public DispatchObject<IDispatch> {
 public:
  // `ctrl` is the control the user clicked, as the host passes it (it may be another control
  // than the one the sink is advised on); nullptr when the host passed none.
  using Handler = std::function<void(IDispatch* ctrl, bool& cancelDefault)>;
  // A new sink with one reference, the caller's.
  static ComPtr<ClickSink> Make(Handler handler);
  // Drops the handler: a click that still arrives does nothing.
  void Clear() { handler_ = nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override;

 private:
  explicit ClickSink(Handler handler) : handler_(std::move(handler)) {}
  ~ClickSink() override = default;
  Handler handler_;
};

// A sink advised on an object's connection point for the button events; unadvised when it goes
// or when Unadvise is called, whichever comes first.
class ClickConnection {
 public:
  ClickConnection() = default;
  // Advises a new sink running `handler` on `source`; a HostError when the object has no such
  // connection point or refuses the sink.
  ClickConnection(IDispatch* source, ClickSink::Handler handler);
  ClickConnection(ClickConnection&& other) noexcept;
  ClickConnection& operator=(ClickConnection&& other) noexcept;
  ~ClickConnection() { Unadvise(); }
  void Unadvise();

 private:
  ComPtr<IConnectionPoint> point_;
  ComPtr<ClickSink> sink_;
  DWORD cookie_ = 0;
};

}  // namespace qv::excel
