#pragma once

#include <windows.h>

#include <ocidl.h>
#include <olectl.h>

#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "fake_dispatch.h"
#include "host/memory_application.h"

namespace qv::testing {

// A command bar control of the fake: also the source of its Click events, through a real
// connection point that keeps the sinks advised on it.
class FakeControlObject : public FakeObject,
                          public IConnectionPointContainer,
                          public IConnectionPoint {
 public:
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;

  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;

  // Raises Click(Ctrl, CancelDefault) on every advised sink, with `ctrl` the control the user
  // clicked; the CancelDefault the sinks left.
  bool FireClick(IDispatch* ctrl);
  std::size_t Sinks() const { return sinks_.size(); }
  // The model's control this object stands for.
  host::CommandBarControl* control = nullptr;

 private:
  std::map<DWORD, IDispatch*> sinks_;
  DWORD nextCookie_ = 1;
};

// What the files an Excel opens hold that makes Excel ask or act: Workbooks.Open of such a file
// behaves as Excel's documentation says, and what it did is recorded.
struct FileTraits {
  std::set<std::string> password;             // opens only with its password
  std::set<std::string> links;                // links to other workbooks, to update or not
  std::set<std::string> readOnlyRecommended;  // saved with "read-only recommended"
  std::set<std::string> macros;               // a Workbook_Open macro
  // A question that nobody can answer in an invisible Excel, which would wait for ever.
  std::vector<std::string> unanswered;
  std::vector<std::string> macrosRun;
};

// Excel's object model as the add-in reaches it, over IDispatch, in front of a MemoryApplication
// that keeps the workbooks and the command bars. Every object it hands out is its own and lives
// as long as it does, so a test can see each reference the add-in still holds; every call is
// recorded on the object that received it.
class FakeExcel {
 public:
  explicit FakeExcel(host::MemoryApplication& app, FileTraits* traits = nullptr);
  ~FakeExcel();
  FakeExcel(const FakeExcel&) = delete;
  FakeExcel& operator=(const FakeExcel&) = delete;

  IDispatch* Application() { return application_; }
  host::MemoryApplication& Memory() { return app_; }

  // Clicks a control as a user would, if it is enabled. As Office does, Click goes through the
  // connection point of every control with the clicked one's Id and Tag (custom controls all
  // have Id 1), each time with the clicked control as Ctrl.
  void Click(host::CommandBarControl& control);
  // Raises Click on the sinks of `on` alone, with `ctrl` as the control clicked.
  void RaiseClick(host::CommandBarControl& on, host::CommandBarControl& ctrl);
  // The objects on which a reference is still held besides the fake's own.
  std::vector<std::string> Held() const;
  std::size_t AdvisedSinks() const;
  // Every call any object received, as "label.Member".
  std::vector<std::string> Calls() const;
  // Every call into the fake: those, and the members' ids asked for (GetIDsOfNames).
  long CallCount() const;
  // The time all its objects took to answer the calls they received.
  std::chrono::steady_clock::duration AnsweringTime() const;
  // A cell's number format (Excel's English code; "General" when none is set) and a column's width
  // in characters (11 when none is set: what a standard column shows of a General number).
  void SetFormat(host::Sheet& sheet, const std::string& address, std::string code);
  void SetColumnWidth(host::Sheet& sheet, int column, int characters);
  // From now on, every call fails as Excel's do, with this description.
  void FailEverything(const std::string& description);
  // Excel's main window handle, as Application.Hwnd gives it.
  long hwnd = 0;
  // Whether the application was told to quit, and the last Visible it was given.
  bool quit = false;
  bool visible = true;
  // An Office before XP: a button has no Picture or Mask, only PasteFace.
  bool refusePictures = false;
  // Started by a person (UserControl True), else by a program through automation.
  bool userControl = true;
  bool displayAlerts = true;
  int automationSecurity = 1;  // msoAutomationSecurityLow, as Excel starts
  // How many of the next calls are refused as an Excel that is starting refuses them.
  int rejectCalls = 0;
  // Whether Worksheet.Evaluate answers; one that does not fails as a member Excel lacks would.
  bool evaluates = true;

 private:
  template <typename Object = FakeObject>
  Object& Find(const void* entity, const std::string& kind, const std::string& label, bool& made);
  FakeObject& ObjectOf(host::Workbook& workbook);
  FakeObject& ObjectOf(host::Sheet& sheet);
  FakeObject& RangeOf(host::Sheet& sheet, const std::string& address);
  FakeObject& ObjectOf(host::CommandBars& bars);
  FakeObject& ObjectOf(host::CommandBar& bar);
  FakeObject& ObjectOf(host::CommandBarControls& controls, const std::string& label);
  FakeControlObject& ObjectOf(host::CommandBarControl& control);
  // Forgets the objects of a command bar or control the model deleted, and of what it held.
  void Forget(host::CommandBarControls& controls);
  // Shows the face a button was given as Picture and Mask: the picture's pixels where the mask is
  // black, transparent where it is white.
  void ShowFace(host::CommandBarControl& control);
  host::Sheet& SheetOf(const excel::ComVariant& object);

  host::MemoryApplication& app_;
  std::unique_ptr<host::HiddenInstance> hidden_;
  std::deque<std::unique_ptr<FakeObject>> objects_;
  std::map<std::pair<const void*, std::string>, FakeObject*> byEntity_;
  std::map<const FakeObject*, host::Sheet*> sheets_;
  FakeObject* application_ = nullptr;
  // What Excel answers for a cell: Value (VT_CY under a currency format, VT_DATE under a date
  // format), Value2 (numbers and dates alike as VT_R8), Text (as the column shows it).
  excel::ComVariant ValueOf(host::Sheet& sheet, host::CellRef cell, bool typed) const;
  std::string TextOf(host::Sheet& sheet, host::CellRef cell) const;
  excel::ComVariant Evaluate(host::Sheet& sheet, const std::string& formula) const;
  std::string FormatOf(host::Sheet& sheet, host::CellRef cell) const;
  std::string FormatOf(host::Sheet& sheet, host::CellRef cell, const Variant& value) const;
  std::string failAll_;
  FileTraits* traits_;
  // By sheet, then by column and row.
  std::map<const host::Sheet*, std::unordered_map<std::uint64_t, std::string>> formats_;
  std::map<std::pair<const host::Sheet*, int>, int> widths_;
  std::map<const host::CommandBarControl*, std::pair<ui::Picture, ui::Picture>> pictures_;
};

// Makes CoCreateInstance of "Excel.Application" answer, in this process, with a new FakeExcel
// over `app` (its files are what Workbooks.Open finds); undone when it goes.
class FakeExcelClass {
 public:
  explicit FakeExcelClass(host::MemoryApplication& app);
  ~FakeExcelClass();
  // The instances created so far.
  std::vector<FakeExcel*> Instances();
  // What the files hold, for every instance; and how many calls each new instance refuses first.
  FileTraits traits;
  int rejectCallsAtStart = 0;

 private:
  class Factory;
  std::unique_ptr<Factory> factory_;
  DWORD cookie_ = 0;
};

}  // namespace qv::testing
