#pragma once

#include <iosfwd>

namespace qv::cli {

// Starts the stand-in gateway on a free loopback port with a fresh database, creates an account,
// writes a sample workbook, and runs the add-in's commands on it: a previewed send, the balance,
// a scheduled send, the job list and the delivery report. Stops the gateway and says where the
// workbook is. The exit status.
int RunDemo(const char* argv0, std::ostream& out);

}  // namespace qv::cli
