#include "excel_host/excel_application.h"

#include <optional>

namespace qv::excel {

host::Workbook* ExcelApplication::ActiveWorkbook() {
  Dispatch active = Dispatch::FromOptional(application_.GetProperty("ActiveWorkbook"));
  if (!active) return nullptr;
  return &WrapOnce(workbooks_, std::move(active));
}

host::Sheet* ExcelApplication::ActiveSheet() {
  host::Workbook* workbook = ActiveWorkbook();
  return workbook ? workbook->ActiveSheet() : nullptr;
}

host::CommandBars& ExcelApplication::GetCommandBars() {
  if (!bars_) bars_ = std::make_unique<ExcelCommandBars>(application_.Object("CommandBars"));
  return *bars_;
}

std::unique_ptr<host::HiddenInstance> ExcelApplication::CreateHiddenInstance() {
  return std::make_unique<ExcelHiddenInstance>();
}

bool ExcelApplication::StartedByAnotherProgram() const {
  try {
    return !application_.GetProperty("Visible").ToBool() &&
           !application_.GetProperty("UserControl").ToBool();
  } catch (const host::HostError&) {
    return false;
  }
}

HWND ExcelApplication::MainWindow() const {
  return reinterpret_cast<HWND>(static_cast<INT_PTR>(application_.GetProperty("Hwnd").ToLong()));
}

ExcelHiddenInstance::~ExcelHiddenInstance() {
  try {
    CloseAll();
  } catch (const std::exception&) {
    // Nothing was changed in the read-only workbooks; a second Excel that will not quit is all
    // that can be left, and a destructor has no one to tell.
  }
}

host::Workbook& ExcelHiddenInstance::OpenReadOnly(const std::string& path) {
  if (!application_) {
    CLSID cls{};
    ComPtr<IDispatch> started;
    if (FAILED(CLSIDFromProgID(L"Excel.Application", &cls)) ||
        FAILED(CoCreateInstance(cls, nullptr, CLSCTX_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(started.Receive())))) {
      throw host::HostError("A second Excel could not be started to read the workbook.");
    }
    application_ = Dispatch(std::move(started));
    // Nobody sees this Excel: it must ask nothing (a question would wait for ever) and run none
    // of the file's macros (msoAutomationSecurityForceDisable).
    try {
      application_.PutProperty("Visible", ComVariant::FromBool(false));
      application_.PutProperty("DisplayAlerts", ComVariant::FromBool(false));
      application_.PutProperty("AutomationSecurity", ComVariant::FromInt(3));
    } catch (const host::HostError&) {
      CloseAll();
      throw;
    }
  }
  // Workbooks.Open(Filename, UpdateLinks, ReadOnly, Format, Password, WriteResPassword,
  // IgnoreReadOnlyRecommended, Origin, Delimiter, Editable, Notify, Converter, AddToMru): links
  // not updated, no read-only recommendation, no notification when the file is in use, and an
  // empty password, so that a file that needs one fails with Excel's own message instead of
  // asking.
  const ComVariant none = ComVariant::Missing();
  Dispatch opened =
      application_.Object("Workbooks")
          .Object("Open",
                  {ComVariant::FromText(path), ComVariant::FromInt(0), ComVariant::FromBool(true),
                   none, ComVariant::FromText(""), ComVariant::FromText(""),
                   ComVariant::FromBool(true), none, none, ComVariant::FromBool(false),
                   ComVariant::FromBool(false), none, ComVariant::FromBool(false)});
  return WrapOnce(open_, std::move(opened));
}

void ExcelHiddenInstance::CloseAll() {
  std::vector<std::unique_ptr<ExcelWorkbook>> closing = std::move(open_);
  open_.clear();
  Dispatch application = std::move(application_);
  application_ = Dispatch();
  // Every workbook is closed and the instance told to quit even when one of them fails; the first
  // failure is reported after.
  std::optional<host::HostError> failure;
  const auto attempt = [&failure](auto&& step) {
    try {
      step();
    } catch (const host::HostError& e) {
      if (!failure) failure = e;
    }
  };
  for (const auto& workbook : closing)
    attempt([&] { workbook->Object().Call("Close", {ComVariant::FromBool(false)}); });
  if (application) attempt([&] { application.Call("Quit"); });
  if (failure) throw *failure;
}

}  // namespace qv::excel
