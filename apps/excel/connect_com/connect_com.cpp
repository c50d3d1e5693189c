#include "connect_com/connect_com.h"

#include <array>
#include <map>
#include <string_view>
#include <utility>

#include "com/bstr.h"
#include "com/registration.h"
#include "excel_host/button_face.h"
#include "values/text.h"
#include "values/utf16_win32.h"

namespace qv::excel {
namespace {

// The ids of the ribbon's callbacks, after those of the add-in interface.
constexpr DISPID kRibbonLoad = 101;
constexpr DISPID kRibbonClick = 102;
constexpr DISPID kRibbonGetEnabled = 103;
constexpr DISPID kRibbonGetImage = 104;

// The members by name, for late-bound callers: the add-in interface's, then the callbacks the
// ribbon's XML names.
constexpr std::array<std::pair<std::string_view, DISPID>, 9> kMembers{{
    {"OnConnection", 1},
    {"OnDisconnection", 2},
    {"OnAddInsUpdate", 3},
    {"OnStartupComplete", 4},
    {"OnBeginShutdown", 5},
    {addin::kRibbonOnLoad, kRibbonLoad},
    {addin::kRibbonOnAction, kRibbonClick},
    {addin::kRibbonGetEnabled, kRibbonGetEnabled},
    {addin::kRibbonGetImage, kRibbonGetImage},
}};

// Hands a get... callback's answer over: in the result, or in the slot an office passed by
// reference as the call's last argument.
HRESULT GiveAnswer(ComVariant answer, const DISPPARAMS& params, VARIANT* result) {
  if (params.cArgs < 2) {
    if (result) *result = answer.Detach();
    return S_OK;
  }
  VARIANT& slot = params.rgvarg[0];
  const VARIANT& given = answer.Get();
  if (slot.vt == (VT_BYREF | VT_VARIANT) && slot.pvarVal) {
    VariantClear(slot.pvarVal);
    *slot.pvarVal = answer.Detach();
  } else if (slot.vt == (VT_BYREF | VT_BOOL) && slot.pboolVal && given.vt == VT_BOOL) {
    *slot.pboolVal = given.boolVal;
  } else if (slot.vt == (VT_BYREF | VT_DISPATCH) && slot.ppdispVal && given.vt == VT_DISPATCH) {
    *slot.ppdispVal = answer.Detach().pdispVal;  // the caller's reference now
  } else {
    return DISP_E_TYPEMISMATCH;
  }
  return S_OK;
}

// The id of the ribbon's control a callback is given, or "" when it names none.
std::string ControlId(IDispatch* control) {
  if (!control) return {};
  try {
    return Dispatch(ComPtr<IDispatch>::Share(control)).GetProperty("Id").ToText();
  } catch (const host::HostError&) {
    return {};
  }
}

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
    IIDFromString(ToUtf16(kInterfaceId).c_str(), &parsed);
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
  if (out && iid == kIRibbonExtensibility) {
    *out = static_cast<IRibbonExtensibility*>(this);
    AddRef();
    return S_OK;
  }
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
  if (id >= kRibbonLoad && id <= kRibbonGetImage) {
    if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    // A get... callback may have its answer's slot as a second argument (the vtable's retval).
    const UINT most = id == kRibbonGetEnabled || id == kRibbonGetImage ? 2 : 1;
    if (params->cArgs < 1 || params->cArgs > most) return DISP_E_BADPARAMCOUNT;
    if (argError) *argError = 0;
    return RibbonCallback(id, *params, result);
  }
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
  // Connecting again without a disconnect between starts from a clean state; the tab, which the
  // office loaded once, stays.
  CancelDisconnectLater();
  const Dispatch ribbon = ribbon_;
  Disconnect();
  ribbon_ = ribbon;
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
    addin_->OnMenuChanged([this] { InvalidateRibbon(); });
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

HRESULT ConnectObject::GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) {
  if (!RibbonXml) return E_POINTER;
  *RibbonXml = nullptr;
  // Only a workbook's ribbon has the tab; any other is left as the office has it.
  if (!RibbonID || wcscmp(RibbonID, kExcelWorkbookRibbon) != 0) return S_OK;
  try {
    *RibbonXml = Bstr(addin::Connect::RibbonXml()).Detach();
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT ConnectObject::RibbonCallback(DISPID id, const DISPPARAMS& params, VARIANT* result) {
  IDispatch* given = ObjectArgument(params, 0);
  try {
    switch (id) {
      case kRibbonLoad:
        ribbon_ = given ? Dispatch(ComPtr<IDispatch>::Share(given)) : Dispatch();
        return S_OK;
      case kRibbonClick:
        // A click that comes after the disconnect finds no add-in, and runs nothing.
        if (addin_) addin_->ClickRibbon(ControlId(given));
        return S_OK;
      case kRibbonGetEnabled:
        return GiveAnswer(ComVariant::FromBool(addin_ && addin_->RibbonEnabled(ControlId(given))),
                          params, result);
      default: {
        const ui::Picture* face = addin_ ? addin_->RibbonFace(ControlId(given)) : nullptr;
        if (!face) return E_INVALIDARG;
        return GiveAnswer(FacePictures(*face).Picture(), params, result);
      }
    }
  } catch (...) {
    // As in OnConnection: the office goes on; a picture that cannot be made shows none.
    return id == kRibbonGetImage ? E_FAIL : S_OK;
  }
}

void ConnectObject::InvalidateRibbon() {
  if (!ribbon_) return;
  try {
    ribbon_.Call("Invalidate");
  } catch (const host::HostError&) {
    // An office that cannot redraw the tab now asks again when it next shows it.
  }
}

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
  ribbon_ = Dispatch();
  excel_.reset();
}

}  // namespace qv::excel
