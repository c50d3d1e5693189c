#include "connect_com/connect_com.h"

#include <array>
#include <map>
#include <string_view>
#include <utility>

#include "com/registration.h"
#include "values/text.h"
#include "values/utf16_win32.h"

namespace qv::excel {
namespace {

// The members of the add-in interface by name, for late-bound callers.
constexpr std::array<std::pair<std::string_view, DISPID>, 5> kMembers{{
    {"OnConnection", 1},
    {"OnDisconnection", 2},
    {"OnAddInsUpdate", 3},
    {"OnStartupComplete", 4},
    {"OnBeginShutdown", 5},
}};

int IntArg(const DISPPARAMS& params, UINT i) {
  VARIANT converted;
  VariantInit(&converted);
  if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&Argument(params, i)), 0, VT_I4)))
    return 0;
  return converted.lVal;
}

}  // namespace

const IID& ConnectInterfaceId() {
  static const IID id = [] {
    IID parsed{};
    IIDFromString(kInterfaceId, &parsed);
    return parsed;
  }();
  return id;
}

ConnectObject::ConnectObject(MakeEnvironment makeEnvironment)
    : makeEnvironment_(std::move(makeEnvironment)) {}

ConnectObject::~ConnectObject() { Disconnect(); }

ComPtr<ConnectObject> ConnectObject::Make(MakeEnvironment makeEnvironment) {
  return ComPtr<ConnectObject>::Adopt(new ConnectObject(std::move(makeEnvironment)));
}

HRESULT ConnectObject::QueryInterface(REFIID iid, void** out) {
  // _Connect declares nothing of its own, so the add-in interface serves for it and IDispatch.
  return Answer(iid, out, {IID_IUnknown, IID_IDispatch, kIDTExtensibility2, ConnectInterfaceId()});
}

HRESULT ConnectObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  const std::string name = FromUtf16(names[0]);
  for (const auto& [member, id] : kMembers) {
    if (EqualsIgnoreCaseAscii(member, name)) {
      ids[0] = id;
      return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;  // the members take no named arguments
    }
  }
  return DISP_E_UNKNOWNNAME;
}

HRESULT ConnectObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO*, UINT* argError) {
  if (!params) return E_INVALIDARG;
  if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
  if (result) VariantInit(result);
  if (id < 1 || id > 5) return DISP_E_MEMBERNOTFOUND;
  const UINT expected = id == 1 ? 4 : id == 2 ? 2 : 1;
  if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  if (params->cArgs != expected) return DISP_E_BADPARAMCOUNT;
  if (argError) *argError = 0;
  // The custom arrays carry nothing the add-in reads.
  switch (id) {
    case 1:
      return OnConnection(ObjectArgument(*params, 0), static_cast<ConnectMode>(IntArg(*params, 1)),
                          ObjectArgument(*params, 2), nullptr);
    case 2:
      return OnDisconnection(static_cast<DisconnectMode>(IntArg(*params, 0)), nullptr);
    case 3:
      return OnAddInsUpdate(nullptr);
    case 4:
      return OnStartupComplete(nullptr);
    default:
      return OnBeginShutdown(nullptr);
  }
}

HRESULT ConnectObject::OnConnection(IDispatch* Application, ConnectMode, IDispatch*, SAFEARRAY**) {
  // Connecting again without a disconnect between starts from a clean state.
  CancelDisconnectLater();
  Disconnect();
  if (!Application) return S_OK;
  try {
    excel_ = std::make_unique<ExcelApplication>(Dispatch(ComPtr<IDispatch>::Share(Application)));
    // An Excel a program started to do its own work (our fill's second Excel among them) shows
    // no toolbar and no menu, and nothing of the add-in runs in it.
    if (excel_->StartedByAnotherProgram()) {
      excel_.reset();
      return S_OK;
    }
    environment_ = makeEnvironment_(*excel_);
    addin_ = std::make_unique<addin::Connect>(environment_->Platform());
    addin_->AddinInstance_OnConnection(*excel_);
  } catch (...) {
    // The add-in reports its own failures in its boxes; what escapes them must not reach Excel,
    // which would drop the add-in or worse. The toolbar is then what the add-in got to build.
  }
  return S_OK;
}

HRESULT ConnectObject::OnDisconnection(DisconnectMode, SAFEARRAY**) {
  if (environment_ && !environment_->Platform().ui.Idle()) {
    DisconnectLater();
    return S_OK;
  }
  try {
    if (addin_) addin_->AddinInstance_OnDisconnection();
  } catch (...) {
    // As in OnConnection: nothing goes back to Excel, and everything is released below anyway.
  }
  Disconnect();
  return S_OK;
}

HRESULT ConnectObject::OnAddInsUpdate(SAFEARRAY**) { return S_OK; }

HRESULT ConnectObject::OnStartupComplete(SAFEARRAY**) {
  try {
    if (addin_) addin_->AddinInstance_OnStartupComplete();
  } catch (...) {
    // As in OnConnection.
  }
  return S_OK;
}

HRESULT ConnectObject::OnBeginShutdown(SAFEARRAY**) { return S_OK; }

namespace {
// The objects whose disconnect waits, by their timer.
std::map<UINT_PTR, ConnectObject*>& Waiting() {
  static std::map<UINT_PTR, ConnectObject*> waiting;
  return waiting;
}
}  // namespace

void ConnectObject::DisconnectLater() {
  if (disconnectTimer_) return;
  disconnectTimer_ = SetTimer(nullptr, 0, 50, &ConnectObject::DisconnectTick);
  if (!disconnectTimer_) return;  // no timer to be had: the add-in stays until Excel closes
  AddRef();
  Waiting()[disconnectTimer_] = this;
}

void ConnectObject::CancelDisconnectLater() {
  if (!disconnectTimer_) return;
  KillTimer(nullptr, disconnectTimer_);
  Waiting().erase(disconnectTimer_);
  disconnectTimer_ = 0;
  Release();
}

void CALLBACK ConnectObject::DisconnectTick(HWND, UINT, UINT_PTR timer, DWORD) {
  const auto found = Waiting().find(timer);
  if (found == Waiting().end()) return;
  ConnectObject* self = found->second;
  if (self->environment_ && !self->environment_->Platform().ui.Idle()) return;
  // The reference the wait held is dropped only after the disconnect is done.
  const ComPtr<ConnectObject> keep = ComPtr<ConnectObject>::Share(self);
  self->CancelDisconnectLater();
  self->OnDisconnection(DisconnectMode::UserClosed, nullptr);
}

void ConnectObject::Disconnect() {
  // The add-in's dialogs refer to Excel's objects and to the environment: they go first; the
  // environment asks Excel for the window its forms belong to, so it goes before Excel's objects.
  addin_.reset();
  environment_.reset();
  excel_.reset();
}

}  // namespace qv::excel
