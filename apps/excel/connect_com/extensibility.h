#pragma once

#include <windows.h>

#include <oaidl.h>

namespace qv::excel {

// How Excel connects and disconnects an add-in (ext_ConnectMode, ext_DisconnectMode).
enum class ConnectMode : int { AfterStartup = 0, Startup = 1, External = 2, CommandLine = 3 };
enum class DisconnectMode : int { HostShutdown = 0, UserClosed = 1 };

// The add-in interface Excel calls, a dual interface: IDispatch, then these five in this order.
inline constexpr IID kIDTExtensibility2 = {
    0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};

struct IDTExtensibility2 : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, ConnectMode mode,
                                                 IDispatch* AddInInst, SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnDisconnection(DisconnectMode mode, SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) = 0;
};

// The ribbon's interfaces (Office 2007 and later, declared here as the office's type library
// declares them): Office asks the add-in for IRibbonExtensibility after OnConnection and takes
// the tab's XML from GetCustomUI; the callbacks that XML names it calls through IDispatch, by
// name, each with an IRibbonControl (Id, Context, Tag by name); onLoad hands over the IRibbonUI,
// whose Invalidate makes Office ask every get... callback again.
inline constexpr IID kIRibbonExtensibility = {
    0x000C0396, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// The one ribbon Excel asks for, a workbook's.
inline constexpr const wchar_t* kExcelWorkbookRibbon = L"Microsoft.Excel.Workbook";

struct IRibbonExtensibility : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) = 0;
};

}  // namespace qv::excel
