#include "console_ui.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "forms/frm_display.h"
#include "values/text.h"

namespace qv::cli {
namespace {

constexpr const char* kEditProxy = "Do You Want To Edit Proxy Settings?";

}  // namespace

ConsoleUi::ConsoleUi(std::ostream& out, bool yes)
    : out_(out),
      yes_(yes),
      interactive_(::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO)),
      progressTerminal_(::isatty(STDERR_FILENO)) {}

std::optional<std::string> ConsoleUi::AskLine(const std::string& prompt, bool hidden) {
  if (!interactive_) return std::nullopt;
  std::cerr << prompt << std::flush;
  termios old{};
  const bool masked = hidden && ::tcgetattr(STDIN_FILENO, &old) == 0;
  if (masked) {
    termios quiet = old;
    quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  }
  std::string line;
  const bool got = static_cast<bool>(std::getline(std::cin, line));
  if (masked) {
    ::tcsetattr(STDIN_FILENO, TCSANOW, &old);
    std::cerr << '\n';
  }
  if (!got) return std::nullopt;
  return line;
}

bool ConsoleUi::Confirm(const std::string& question) {
  if (yes_) return true;
  const auto answer = AskLine(question + " [y/N] ", false);
  return answer && (Trim(*answer) == "y" || Trim(*answer) == "Y" ||
                    EqualsIgnoreCaseAscii(Trim(*answer), "yes"));
}

int ConsoleUi::MsgBox(const std::string& prompt, int buttons, const std::string&) {
  if (progressShown_) {
    std::cerr << "\r\x1b[K" << std::flush;
    progressShown_ = false;
  }
  boxes_.push_back(prompt);
  std::string line;
  for (char c : prompt) {
    if (c == '\n') {
      out_ << line << '\n';
      line.clear();
    } else if (c != '\r') {
      line += c;
    }
  }
  out_ << line << '\n' << std::flush;
  const int kind = buttons & 7;
  if (kind == ui::mb::OkOnly) return ui::mb::Ok;
  const bool yesNo = kind == ui::mb::YesNo;
  // A script has nothing to edit the proxy with, and would be asked again and again.
  const auto askedYes = [this](const std::string& question) {
    const auto answer = AskLine(question + " [y/N] ", false);
    return answer && Trim(*answer) == "y";
  };
  bool agreed = false;
  if (prompt.find(kEditProxy) != std::string::npos) {
    agreed = askedYes("Edit the proxy settings now?");
  } else if (buttons & ui::mb::DefaultButton2) {
    agreed = cautiousYes_ || (!yes_ && askedYes("Yes?"));
  } else {
    agreed = Confirm(yesNo ? "Yes?" : "OK?");
  }
  if (yesNo) return agreed ? ui::mb::Yes : ui::mb::No;
  return agreed ? ui::mb::Ok : ui::mb::Cancel;
}

std::optional<std::string> ConsoleUi::InputBox(const std::string&, const std::string&,
                                               const std::string&) {
  if (inputs_.empty()) return std::nullopt;
  std::string text = std::move(inputs_.front());
  inputs_.pop_front();
  return text;
}

std::optional<std::string> ConsoleUi::OpenFileDialog(const std::string&, const std::string&) {
  if (files_.empty()) return std::nullopt;
  std::string path = std::move(files_.front());
  files_.pop_front();
  return path;
}

void ConsoleUi::ShowForm(ui::Form& form, ui::Modality modality) {
  if (dynamic_cast<forms::frmDisplay*>(&form)) {
    wait_ = &form;
    started_ = std::chrono::steady_clock::now();
    drawn_ = {};
    return;
  }
  if (modality != ui::Modality::Modal) return;
  if (const auto it = drivers_.find(form.Name()); it != drivers_.end()) it->second(form);
}

void ConsoleUi::FormClosed(ui::Form& form) {
  if (&form != wait_) return;
  wait_ = nullptr;
  if (progressShown_) {
    std::cerr << "\r\x1b[K" << std::flush;
    progressShown_ = false;
  }
}

void ConsoleUi::RunPendingEvents() {
  // Nothing of the progress reaches a file or a pipe.
  if (!wait_ || !progressTerminal_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - drawn_ < std::chrono::milliseconds(100)) return;
  drawn_ = now;
  const std::string& caption = static_cast<forms::frmDisplay*>(wait_)->Label1.Caption;
  std::string line = caption;
  // "Processing Record No. N": rows done of the total, and the pace.
  const auto digits = caption.find_last_not_of("0123456789");
  if (progressTotal_ > 0 && digits != std::string::npos && digits + 1 < caption.size()) {
    const double seconds = std::chrono::duration<double>(now - started_).count();
    const long long row = std::stoll(caption.substr(digits + 1));
    char pace[64];
    std::snprintf(pace, sizeof pace, " of %lld (%.0f rows/s)", progressTotal_,
                  seconds > 0 ? row / seconds : 0.0);
    line += pace;
  }
  std::cerr << "\r\x1b[K" << line << std::flush;
  progressShown_ = true;
}

}  // namespace qv::cli
