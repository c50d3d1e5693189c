// Measures the add-in's commands through the COM add-in over the fake Excel against the same
// commands over the in-memory host: sends of 32,767 rows of a mobile number, a text and a currency
// (row by row, filtered, grouped), the fill of 10,000 rows from a 10,000-row workbook that a second
// Excel opens, and a delivery report of 10,000 records. For each it prints the calls into Excel's
// object model (GetIDsOfNames included) and the fastest of three runs on each side. A
// measurement, run by hand:
//   scripts/wine-run 64 build-windows/x64/bench/windows/qv_excel_send_measure.exe
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

#include "borrowed_environment.h"
#include "connect_com/connect_com.h"
#include "fake_excel.h"
#include "fill/frm_client_mno_map.h"
#include "host/number_format.h"
#include "reports/frm_dr.h"
#include "send/frm_send_sms.h"
#include "support/addin_fakes.h"
#include "values/convert.h"

namespace {

using namespace qv;
constexpr int kRows = 32767;
constexpr int kFillRows = 10000;
constexpr int kRecords = 10000;
constexpr const char* kCurrency = "$#,##0.00";
constexpr const char* kSource = "C:\\data\\Clients.xlsx";

// One side of the comparison: the add-in in front of a spreadsheet, with the fakes it runs on.
struct Side {
  virtual ~Side() = default;
  virtual addin::Connect& Addin() = 0;
  virtual void Click(const std::string& caption) = 0;
  virtual long Calls() const { return 0; }
  // The milliseconds the spreadsheet took to answer the calls it was made.
  virtual double AnsweringMs() const { return 0; }
  host::MemoryApplication model;
  host::MemoryApplication files;  // what a second spreadsheet opens
  testing::AddinFakes fakes;
};

host::CommandBarControl& Button(host::MemoryApplication& app, const std::string& caption) {
  host::CommandBarControls& controls = app.GetCommandBars().Find("Quorvalent")->Controls();
  for (int i = 1; i <= controls.Count(); ++i) {
    if (controls.Item(i).Caption() == caption) return controls.Item(i);
  }
  throw std::runtime_error("no button " + caption);
}

struct MemorySide : Side {
  MemorySide() : reference(fakes.Platform()) {}
  void Start() { reference.AddinInstance_OnConnection(model); }
  addin::Connect& Addin() override { return reference; }
  void Click(const std::string& caption) override {
    host::MemoryCommandBars::Click(Button(model, caption));
  }
  addin::Connect reference;
};

struct ComSide : Side {
  void Start() {
    object = excel::ConnectObject::Make(testing::Borrow(fakes.Platform()));
    object->OnConnection(excel.Application(), excel::ConnectMode::Startup, nullptr, nullptr);
  }
  ~ComSide() override {
    if (object) object->OnDisconnection(excel::DisconnectMode::HostShutdown, nullptr);
  }
  addin::Connect& Addin() override { return *object->Addin(); }
  void Click(const std::string& caption) override { excel.Click(Button(model, caption)); }
  long Calls() const override {
    long calls = excel.CallCount();
    for (testing::FakeExcel* second : registered.Instances()) calls += second->CallCount();
    return calls;
  }
  double AnsweringMs() const override {
    auto time = excel.AnsweringTime();
    for (testing::FakeExcel* second : registered.Instances()) time += second->AnsweringTime();
    return std::chrono::duration<double, std::milli>(time).count();
  }
  testing::FakeExcel excel{model};
  mutable testing::FakeExcelClass registered{files};
  excel::ComPtr<excel::ConnectObject> object;
};

// The sheet of the sends: a mobile number, a text, a currency (formatted so in Excel, shown so
// in memory).
void FillSendSheet(Side& side, testing::FakeExcel* excel) {
  host::MemorySheet& sheet = *side.model.AddWorkbook("Book1").ActiveSheet();
  for (int r = 1; r <= kRows; ++r) {
    const std::string row = std::to_string(r);
    sheet.SetValueAt("A" + row, 919800000000.0 + r);
    sheet.SetValueAt("B" + row, "Client " + row);
    const double owed = r * 1.25;
    if (excel) {
      sheet.SetValueAt("C" + row, owed);
      excel->SetFormat(sheet, "C" + row, kCurrency);
    } else {
      sheet.SetValueAndText(host::CellRef{3, r}, owed, host::FormatNumber(owed, kCurrency));
    }
  }
}

void FillFillSheets(Side& side) {
  host::MemorySheet& target = *side.model.AddWorkbook("Book1").ActiveSheet();
  auto source =
      std::make_shared<host::MemoryWorkbook>("Clients.xlsx", std::vector<std::string>{"Clients"});
  for (int r = 1; r <= kFillRows; ++r) {
    source->SheetAt(1).SetValue(host::CellRef{1, r}, "C-" + std::to_string(r));
    source->SheetAt(1).SetValue(host::CellRef{2, r}, 919800000000.0 + r);
    target.SetValue(host::CellRef{1, r}, "C-" + std::to_string(kFillRows + 1 - r));
  }
  side.files.AddFile(kSource, source);
  side.model.AddFile(kSource, source);
}

void LogIn(addin::Connect& addin) {
  addin.Globals().SessionUserName = "alice";
  addin.Globals().SessionPassword = "abc";
  addin.Globals().IsLoggedIn = true;
}

using Command = std::function<void(Side&, int run)>;

void RowWise(Side& side, int) {
  side.Click("Send SMS");
  send::frmSendSMS& d = side.Addin().SendSMS();
  d.txtMsg.Text = "Dear #B#, you owe #C#";
  d.txtStartRow.Text = "1";
  d.txtEndRow.Text = std::to_string(kRows);
  side.fakes.transport.Answer("000");
  d.cmdSend.Press();
  d.Unload();
}

void Filtered(Side& side, int) {
  side.Click("Send SMS");
  send::frmSendSMS& d = side.Addin().SendSMS();
  side.fakes.ui.AnswerInput("#B# like 'Client 1%'");
  d.cmdFilter.Press();
  d.txtMsg.Text = "Dear #B#, you owe #C#";
  d.txtStartRow.Text = "1";
  d.txtEndRow.Text = std::to_string(kRows);
  side.fakes.transport.Answer("000");
  side.fakes.ui.Answer(ui::mb::Ok);
  d.cmdSend.Press();
  d.Unload();
}

void Grouped(Side& side, int) {
  side.Click("Send SMS");
  send::frmSendSMS& d = side.Addin().SendSMS();
  d.chkAdvance.SetValue(true);
  d.cmbColumnWise.SetListIndex(1);
  d.txt_header.Text = "Dear #B#,";
  d.txtMsg.Text = "you owe #C#";
  d.txtStartRow.Text = "1";
  d.txtEndRow.Text = std::to_string(kRows);
  side.fakes.transport.Answer("000");
  d.cmdSend.Press();
  d.Unload();
}

void Fill(Side& side, int) {
  side.Click("Fill Mobile Numbers");
  fill::frmClient_MNO_Map& d = side.Addin().ClientMnoMap();
  side.fakes.ui.AnswerFile(kSource);
  d.cmdBrowse.Press();
  d.cmbMNO.SetListIndex(1);
  d.cmbFill_MNO.SetListIndex(2);
  d.cmdOk.Press();
}

void Report(Side& side, int run) {
  std::string payload = "Mobile-Message-Status-Sent";
  for (int r = 1; r <= kRecords; ++r) {
    payload += "," + std::to_string(919800000000LL + r) + "-Dear Client " + std::to_string(r) +
               "-Delivered-12/6/2026 8:05:" + std::to_string(r % 60);
  }
  side.Click("Delivery Report");
  reports::frmDR& d = side.Addin().DR();
  d.txtSheetName.Text = "Report " + std::to_string(run);
  side.fakes.transport.Answer("<QUORVALENT>" + payload + "</QUORVALENT>");
  d.cmdGet.Press();
}

// The milliseconds of `command` on `side`.
double Time(Side& side, const Command& command, int run) {
  const auto start = std::chrono::steady_clock::now();
  command(side, run);
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

std::string LastBody(Side& side) {
  return side.fakes.transport.Requests().empty() ? std::string() : side.fakes.transport.Last().body;
}

std::string LastBox(Side& side) {
  return side.fakes.ui.Prompts().empty() ? std::string("(no box)") : side.fakes.ui.Prompts().back();
}

// The cells of the sheet the command wrote into, as texts: Excel reads a number in a text it is
// given where the in-memory host keeps the text.
std::map<std::string, std::string> Written(Side& side) {
  host::MemoryWorkbook& book = *side.model.ActiveWorkbook();
  std::map<std::string, std::string> cells;
  for (const auto& [address, value] : book.SheetAt(book.SheetCount()).UsedCells())
    cells[address] = ValueAsText(value);
  return cells;
}

void Measure(const char* name, const std::function<void(Side&, testing::FakeExcel*)>& fill,
             const Command& command) {
  constexpr int kRuns = 3;
  MemorySide memory;
  fill(memory, nullptr);
  memory.Start();
  LogIn(memory.Addin());
  ComSide com;
  fill(com, &com.excel);
  com.Start();
  LogIn(com.Addin());
  double memoryMs = 1e9, comMs = 1e9, excelMs = 0;
  long calls = 0;
  for (int run = 1; run <= kRuns; ++run) {
    memoryMs = std::min(memoryMs, Time(memory, command, run));
    const long before = com.Calls();
    const double answering = com.AnsweringMs();
    const double ms = Time(com, command, run);
    if (ms < comMs) {
      comMs = ms;
      excelMs = com.AnsweringMs() - answering;
    }
    calls = com.Calls() - before;
  }
  const bool same = LastBody(com) == LastBody(memory) && LastBox(com) == LastBox(memory) &&
                    Written(com) == Written(memory);
  std::printf(
      "%-9s %5ld calls into Excel; %6.1f ms through COM (%5.1f ms of them in the fake Excel), "
      "%6.1f ms in memory: %.2f times, %.2f without the fake's own; %s; %s\n",
      name, calls, comMs, excelMs, memoryMs, comMs / memoryMs, (comMs - excelMs) / memoryMs,
      LastBox(com).c_str(), same ? "the same bodies, boxes and cells" : "DIFFERENT from memory");
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  Measure("row-wise", FillSendSheet, RowWise);
  Measure("filtered", FillSendSheet, Filtered);
  Measure("grouped", FillSendSheet, Grouped);
  Measure(
      "fill", [](Side& side, testing::FakeExcel*) { FillFillSheets(side); }, Fill);
  Measure(
      "report", [](Side& side, testing::FakeExcel*) { side.model.AddWorkbook("Book1"); }, Report);
  CoUninitialize();
}
