// Every answer of the service the add-in reads, of any bytes, through the dialogs that ask for
// them, on the fakes the tests use: the first byte picks the dialog, the rest is the answer to
// each of its requests. A garbled answer is a box; nothing else may come of it.
#include "addin/connect.h"
#include "fuzz_input.h"
#include "host/memory_application.h"
#include "reports/frm_dr.h"
#include "support/addin_fakes.h"
#include "support/addin_menu.h"

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
      qv::testing::ChooseFromAddinMenu(app, "Send SMS");
      break;
    case 1:  // the scheduled jobs
      qv::testing::ChooseFromAddinMenu(app, "Scheduler");
      break;
    case 2:  // a delivery report into a new sheet
      qv::testing::ChooseFromAddinMenu(app, "Delivery Report");
      connect.DR().txtSheetName.Text = "Report";
      connect.DR().cmdGet.Press();
      break;
    case 3:
      qv::testing::ChooseFromAddinMenu(app, "Get Credits Balance");
      break;
    default:  // a login's answer
      connect.Globals().IsLoggedIn = false;
      connect.Globals().SessionUserName.clear();
      connect.Globals().SessionPassword.clear();
      qv::testing::ChooseFromAddinMenu(app, "Login");
      break;
  }
  return 0;
}
