// Every answer of the service the add-in reads, of any bytes, through the dialogs that ask for
// them, on the fakes the tests use: the first byte picks the dialog, the rest is the answer to
// each of its requests. A garbled answer is a box; nothing else may come of it.
#include "addin/connect.h"
#include "fuzz_input.h"
#include "host/memory_application.h"
#include "reports/frm_dr.h"
#include "support/addin_fakes.h"

namespace {

// Clicks the entry of the add-in's menu of that caption, as the user does.
void Choose(qv::host::MemoryApplication& app, const std::string& caption) {
  auto& bar = app.GetCommandBars().Item(1);
  for (int i = 1; i <= bar.Controls().Count(); ++i) {
    auto& menu = bar.Controls().Item(i);
    if (menu.Caption() != "&Quorvalent") continue;
    for (int k = 1; k <= menu.Controls().Count(); ++k) {
      if (menu.Controls().Item(k).Caption() == caption)
        qv::host::MemoryCommandBars::Click(menu.Controls().Item(k));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string answer(qv::fuzz::Text(data + 1, size - 1));
  qv::testing::AddinFakes fakes;
  qv::testing::SendAsListedAfterEveryCheck(fakes.ui);
  for (int i = 0; i < 8; ++i) fakes.transport.Answer(answer);
  qv::host::MemoryApplication app;
  app.AddWorkbook("Book1", {"Sheet1"});
  qv::addin::Connect connect(fakes.Platform());
  // The start-up asks for the modes of submission.
  connect.AddinInstance_OnConnection(app);
  connect.Globals().SessionUserName = "alice";
  connect.Globals().SessionPassword = "abc";
  connect.Globals().IsLoggedIn = true;
  switch (data[0] % 5) {
    case 0:  // the templates and sender IDs
      Choose(app, "Send SMS");
      break;
    case 1:  // the scheduled jobs
      Choose(app, "Scheduler");
      break;
    case 2:  // a delivery report into a new sheet
      Choose(app, "Delivery Report");
      connect.DR().txtSheetName.Text = "Report";
      connect.DR().cmdGet.Press();
      break;
    case 3:
      Choose(app, "Get Credits Balance");
      break;
    default:  // a login's answer
      connect.Globals().IsLoggedIn = false;
      connect.Globals().SessionUserName.clear();
      connect.Globals().SessionPassword.clear();
      Choose(app, "Login");
      break;
  }
  return 0;
}
