#pragma once

#include <functional>
#include <memory>

#include "addin/connect.h"
#include "addin/platform.h"
#include "com/com_object.h"
#include "com/com_ptr.h"
#include "connect_com/extensibility.h"
#include "excel_host/excel_application.h"

namespace qv::excel {

// What the add-in runs on from a connect to its disconnect, besides Excel: the front end decides
// (Windows' own adapters in the DLL, fakes in tests). It owns every adapter it hands out.
class Environment {
 public:
  virtual ~Environment() = default;
  virtual addin::Platform Platform() = 0;
};
using MakeEnvironment = std::function<std::unique_ptr<Environment>(ExcelApplication& excel)>;

// The creatable Connect: Excel's add-in interface over the portable add-in, and the ribbon's tab
// (IRibbonExtensibility and the callbacks its XML names, answered by the same IDispatch).
// Whatever the add-in throws stays here: every method answers S_OK, and Excel goes on.
class ConnectObject final : public DispatchObject<IDTExtensibility2>, public IRibbonExtensibility {
 public:
  // A new object with one reference, the caller's.
  static ComPtr<ConnectObject> Make(MakeEnvironment makeEnvironment);
  // The add-in while connected, nullptr otherwise.
  addin::Connect* Addin() const { return addin_.get(); }

  // One object with two vtables: its IUnknown and IDispatch are always the first's.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return DispatchObject::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return DispatchObject::Release(); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    return DispatchObject::GetTypeInfoCount(count);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
    return DispatchObject::GetTypeInfo(index, lcid, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT* argError) override;

  HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, ConnectMode mode,
                                         IDispatch* AddInInst, SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnDisconnection(DisconnectMode mode, SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) override;

  HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) override;

 private:
  explicit ConnectObject(MakeEnvironment makeEnvironment);
  ~ConnectObject() override;
  // Drops the add-in, then its environment, then every object of Excel's it held.
  void Disconnect();
  // The ribbon's callbacks, by their ids in Invoke.
  HRESULT RibbonCallback(DISPID id, const DISPPARAMS& params, VARIANT* result);
  // Makes Office ask the ribbon's get... callbacks again.
  void InvalidateRibbon();
  Dispatch ribbon_;  // the IRibbonUI onLoad handed over
  // A disconnect that arrives while a handler of the add-in runs (Excel lets the user untick the
  // add-in while a send lets pending events in) waits until no handler is left: a timer of the
  // thread looks, and the object keeps itself alive meanwhile.
  void DisconnectLater();
  void CancelDisconnectLater();
  static void CALLBACK DisconnectTick(HWND, UINT, UINT_PTR timer, DWORD);
  UINT_PTR disconnectTimer_ = 0;

  MakeEnvironment makeEnvironment_;
  std::unique_ptr<ExcelApplication> excel_;
  std::unique_ptr<Environment> environment_;
  std::unique_ptr<addin::Connect> addin_;
};

// The interface ID of _Connect, the class's default interface.
const IID& ConnectInterfaceId();

}  // namespace qv::excel
