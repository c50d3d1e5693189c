#pragma once

#include <string>
#include <vector>

#include "ui/form.h"

namespace qv::send {

// The findings of the check before a send, and the user's answer: send each number once (only
// when numbers repeat), send as listed, or stop. Escape and the close box stop.
class frmSendCheck : public ui::Form {
 public:
  enum class Answer { Stop, AsListed, EachNumberOnce };
  frmSendCheck(ui::Ui& ui, std::vector<std::string> findings, bool duplicates);

  ui::Label lblFindings;
  ui::ListBox lstFindings;
  ui::CommandButton cmdSendOnce;
  ui::CommandButton cmdSend;
  ui::CommandButton cmdStop;

  Answer Chosen() const { return answer_; }

 protected:
  void InitializeComponent() override;
  void Form_Load() override;

 private:
  void Choose(Answer answer);
  std::vector<std::string> findings_;
  bool duplicates_;
  Answer answer_ = Answer::Stop;
};

}  // namespace qv::send
