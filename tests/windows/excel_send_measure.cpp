// Measures a whole-sheet send through the COM add-in over the fake Excel: 32,767 rows of a mobile
// number and two placeholder columns, sent once. Prints the calls into Excel's object model per
// row and the time, beside the same send over the in-memory host. A measurement, run by hand:
//   scripts/wine-run 64 build-windows/x64/tests/windows/qv_excel_send_measure.exe
#include <chrono>
#include <cstdio>

#include "borrowed_environment.h"
#include "connect_com/connect_com.h"
#include "fake_excel.h"
#include "send/frm_send_sms.h"
#include "support/addin_fakes.h"

namespace {

using namespace qv;
constexpr int kRows = 32767;

void Fill(host::MemoryApplication& app) {
  app.AddWorkbook("Book1");
  host::MemorySheet& sheet = *app.ActiveSheet();
  for (int r = 1; r <= kRows; ++r) {
    const std::string row = std::to_string(r);
    sheet.SetValue("A" + row, 919800000000.0 + r);
    sheet.SetValue("B" + row, "Client " + row);
    sheet.SetValue("C" + row, r * 1.25);
  }
}

// Sends every row from the dialog of `addin`; the milliseconds it took.
double Send(addin::Connect& addin, testing::AddinFakes& fakes) {
  addin.Globals().SessionUserName = "alice";
  addin.Globals().SessionPassword = "abc";
  addin.Globals().IsLoggedIn = true;
  send::frmSendSMS& d = addin.SendSMS();
  d.txtMsg.Text = "Dear #B#, you owe #C#";
  d.txtStartRow.Text = "1";
  d.txtEndRow.Text = std::to_string(kRows);
  fakes.transport.Answer("000");
  const auto start = std::chrono::steady_clock::now();
  d.cmdSend.Press();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    host::MemoryApplication model;
    Fill(model);
    testing::FakeExcel excel{model};
    testing::AddinFakes com;
    auto object = excel::ConnectObject::Make(testing::Borrow(com.Platform()));
    object->OnConnection(excel.Application(), excel::ConnectMode::Startup, nullptr, nullptr);
    // The Send SMS button, as a user opens the dialog.
    excel.Click(model.GetCommandBars().Find("Quorvalent")->Controls().Item(1));
    const long before = excel.CallCount();
    const double comMs = Send(*object->Addin(), com);
    const long calls = excel.CallCount() - before;

    host::MemoryApplication memory;
    Fill(memory);
    testing::AddinFakes mem;
    addin::Connect reference{mem.Platform()};
    reference.AddinInstance_OnConnection(memory);
    host::MemoryCommandBars::Click(memory.GetCommandBars().Find("Quorvalent")->Controls().Item(1));
    const double memoryMs = Send(reference, mem);

    const auto last = [](testing::AddinFakes& f) {
      return f.transport.Requests().empty() ? std::string() : f.transport.Last().body;
    };
    const auto said = [](testing::AddinFakes& f) {
      return f.ui.Prompts().empty() ? std::string("(no box)") : f.ui.Prompts().back();
    };
    std::printf(
        "%d rows: %ld calls into Excel (%.2f a row), %.0f ms through COM, %.0f ms in "
        "memory; %s / %s; bodies %s\n",
        kRows, calls, static_cast<double>(calls) / kRows, comMs, memoryMs, said(com).c_str(),
        said(mem).c_str(), !last(com).empty() && last(com) == last(mem) ? "equal" : "DIFFER");
    object->OnDisconnection(excel::DisconnectMode::HostShutdown, nullptr);
  }
  CoUninitialize();
}
