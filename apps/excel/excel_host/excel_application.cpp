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
    application_.PutProperty("Visible", ComVariant::FromBool(false));
  }
  // Workbooks.Open(Filename, UpdateLinks, ReadOnly)
  Dispatch opened = application_.Object("Workbooks")
                        .Object("Open", {ComVariant::FromText(path), ComVariant::Missing(),
                                         ComVariant::FromBool(true)});
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
