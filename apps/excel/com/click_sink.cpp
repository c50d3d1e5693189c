#include "com/click_sink.h"

#include <utility>

#include "com/com_variant.h"
#include "host/host.h"

namespace qv::excel {
namespace {
constexpr DISPID kClick = 1;
}  // namespace

ComPtr<ClickSink> ClickSink::Make(Handler handler) {
  return ComPtr<ClickSink>::Adopt(new ClickSink(std::move(handler)));
}

HRESULT ClickSink::QueryInterface(REFIID iid, void** out) {
  // The host may ask for the event interface itself, not only for IDispatch.
  return Answer(iid, out, {IID_IUnknown, IID_IDispatch, kCommandBarButtonEvents});
}

HRESULT ClickSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT ClickSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO*, UINT*) {
  if (result) VariantInit(result);
  if (id != kClick || !handler_) return S_OK;
  // Click(Ctrl, CancelDefault): arguments arrive right to left, so CancelDefault is the first.
  VARIANT_BOOL* cancelOut = nullptr;
  if (params && params->cArgs == 2 && params->rgvarg[0].vt == (VT_BOOL | VT_BYREF))
    cancelOut = params->rgvarg[0].pboolVal;
  bool cancel = cancelOut && *cancelOut != VARIANT_FALSE;
  IDispatch* ctrl = params && params->cArgs == 2 ? ObjectArgument(*params, 0) : nullptr;
  // The handler may drop this sink (the add-in disconnecting from inside a click): keep it alive.
  const ComPtr<ClickSink> self = ComPtr<ClickSink>::Share(this);
  const Handler handler = handler_;
  try {
    handler(ctrl, cancel);
  } catch (...) {
    // The handlers show their own failures; whatever is left must not unwind into the host.
  }
  if (cancelOut) *cancelOut = cancel ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

ClickConnection::ClickConnection(IDispatch* source, ClickSink::Handler handler) {
  ComPtr<IConnectionPointContainer> container;
  HRESULT hr = source->QueryInterface(IID_IConnectionPointContainer,
                                      reinterpret_cast<void**>(container.Receive()));
  if (SUCCEEDED(hr)) hr = container->FindConnectionPoint(kCommandBarButtonEvents, point_.Receive());
  if (FAILED(hr)) throw host::HostError("The spreadsheet gives no click events for this button.");
  sink_ = ClickSink::Make(std::move(handler));
  if (FAILED(point_->Advise(sink_.Get(), &cookie_))) {
    point_.Reset();
    sink_.Reset();
    throw host::HostError("The spreadsheet refused the click events of this button.");
  }
}

ClickConnection::ClickConnection(ClickConnection&& other) noexcept
    : point_(std::move(other.point_)),
      sink_(std::move(other.sink_)),
      cookie_(std::exchange(other.cookie_, 0)) {}

ClickConnection& ClickConnection::operator=(ClickConnection&& other) noexcept {
  if (this != &other) {
    Unadvise();
    point_ = std::move(other.point_);
    sink_ = std::move(other.sink_);
    cookie_ = std::exchange(other.cookie_, 0);
  }
  return *this;
}

void ClickConnection::Unadvise() {
  if (sink_) sink_->Clear();
  // A host that already dropped the button answers with a failure; nothing is left to undo then.
  if (point_) point_->Unadvise(cookie_);
  point_.Reset();
  sink_.Reset();
  cookie_ = 0;
}

}  // namespace qv::excel
