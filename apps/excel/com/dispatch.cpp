#include "com/dispatch.h"

#include <cstdio>
#include <vector>

#include "com/bstr.h"
#include "host/host.h"
#include "values/utf16_win32.h"

namespace qv::excel {
namespace {

// What a failed call says: the object's own description, else the system's text of the code.
std::string Describe(HRESULT hr, EXCEPINFO& info) {
  if (hr == DISP_E_EXCEPTION && info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
  // Every text the object handed back is ours to free, used or not.
  const Bstr source = Bstr::Adopt(info.bstrSource);
  const Bstr description = Bstr::Adopt(info.bstrDescription);
  const Bstr help = Bstr::Adopt(info.bstrHelpFile);
  if (hr == DISP_E_EXCEPTION && description.Get() && SysStringLen(description.Get()) > 0)
    return ToUtf8(description.Get());
  if (hr == DISP_E_EXCEPTION && FAILED(info.scode)) hr = info.scode;
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = text ? FromUtf16(text) : "";
  if (text) LocalFree(text);
  while (!message.empty() &&
         (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
    message.pop_back();
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
  return message.empty() ? std::string("error ") + code : message + " (" + code + ")";
}

// An Excel that is starting or busy refuses calls for a while (RPC_E_CALL_REJECTED, or
// RPC_E_SERVERCALL_RETRYLATER): a refused call is made again, every 100 ms, for five seconds.
constexpr int kRetries = 50;
constexpr DWORD kRetryPause = 100;
bool Refused(HRESULT hr) { return hr == RPC_E_CALL_REJECTED || hr == RPC_E_SERVERCALL_RETRYLATER; }

template <typename Call>
HRESULT Retried(Call&& call) {
  HRESULT hr = call();
  for (int i = 0; i < kRetries && Refused(hr); ++i) {
    Sleep(kRetryPause);
    hr = call();
  }
  return hr;
}

}  // namespace

Dispatch Dispatch::From(const ComVariant& value) {
  const VARIANT& v = value.Get();
  if (v.vt != VT_DISPATCH || !v.pdispVal)
    throw host::HostError("The spreadsheet answered with no object where one was expected.");
  return Dispatch(ComPtr<IDispatch>::Share(v.pdispVal));
}

Dispatch Dispatch::FromOptional(const ComVariant& value) {
  const VARIANT& v = value.Get();
  if (v.vt == VT_EMPTY || v.vt == VT_NULL || (v.vt == VT_DISPATCH && !v.pdispVal)) return {};
  return From(value);
}

bool SameObject(IDispatch* a, IDispatch* b) {
  if (!a || !b) return a == b;
  ComPtr<IUnknown> ua, ub;
  if (FAILED(a->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(ua.Receive()))) ||
      FAILED(b->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(ub.Receive())))) {
    return false;
  }
  return ua.Get() == ub.Get();
}

ComVariant Dispatch::GetProperty(std::string_view name,
                                 std::initializer_list<ComVariant> args) const {
  return Invoke(name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args, nullptr);
}

void Dispatch::PutProperty(std::string_view name, const ComVariant& value,
                           std::initializer_list<ComVariant> args) const {
  Invoke(name, DISPATCH_PROPERTYPUT, args, &value);
}

void Dispatch::PutReference(std::string_view name, const ComVariant& object) const {
  Invoke(name, DISPATCH_PROPERTYPUTREF, {}, &object);
}

ComVariant Dispatch::Call(std::string_view name, std::initializer_list<ComVariant> args) const {
  return Invoke(name, DISPATCH_METHOD, args, nullptr);
}

DISPID Dispatch::IdOf(std::string_view name) const {
  const std::string key(name);
  if (const auto known = ids_->find(key); known != ids_->end()) return known->second;
  std::wstring wide = ToUtf16(name);
  LPOLESTR names[] = {wide.data()};
  DISPID id = DISPID_UNKNOWN;
  const HRESULT found =
      Retried([&] { return object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id); });
  if (FAILED(found)) {
    EXCEPINFO none{};
    if (Refused(found)) throw host::HostError(Describe(found, none));
    throw host::HostError("The spreadsheet has no member \"" + key + "\".");
  }
  ids_->emplace(key, id);
  return id;
}

ComVariant Dispatch::Invoke(std::string_view name, WORD flags,
                            std::initializer_list<ComVariant> args, const ComVariant* put) const {
  if (!object_) throw host::HostError("The spreadsheet object is gone.");
  const DISPID id = IdOf(name);
  // The arguments go right to left; a new value goes first, named as the property's.
  std::vector<VARIANT> rgvarg;
  rgvarg.reserve(args.size() + 1);
  if (put) rgvarg.push_back(put->Get());
  for (auto it = std::rbegin(args); it != std::rend(args); ++it) rgvarg.push_back(it->Get());
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{rgvarg.data(), put ? &named : nullptr, static_cast<UINT>(rgvarg.size()),
                    put ? 1u : 0u};
  ComVariant result;
  EXCEPINFO info{};
  UINT argError = 0;
  const HRESULT hr = Retried([&] {
    return object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                           put ? nullptr : result.Receive(), &info, &argError);
  });
  if (FAILED(hr)) throw host::HostError(Describe(hr, info));
  return result;
}

}  // namespace qv::excel
