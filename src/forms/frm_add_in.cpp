#include "forms/frm_add_in.h"

#include <array>
#include <string_view>

namespace qv::forms {
namespace {

// 16 by 16 faces drawn in characters: '.' is transparent, the letters pick a colour.
ui::Picture Draw(const std::array<std::string_view, 16>& rows) {
  ui::Picture p{16, 16, {}};
  p.Pixels.reserve(256);
  for (std::string_view row : rows) {
    for (char c : row) {
      switch (c) {
        case 'k':
          p.Pixels.push_back(0xFF202020);
          break;  // outline
        case 'b':
          p.Pixels.push_back(0xFF2F6FD0);
          break;  // blue
        case 'g':
          p.Pixels.push_back(0xFF2FA04F);
          break;  // green
        case 'y':
          p.Pixels.push_back(0xFFF0C020);
          break;  // yellow
        case 'r':
          p.Pixels.push_back(0xFFD03030);
          break;  // red
        case 'w':
          p.Pixels.push_back(0xFFFFFFFF);
          break;  // white
        default:
          p.Pixels.push_back(0x00000000);
          break;
      }
    }
  }
  return p;
}

// A phone with a speech bubble.
constexpr std::array<std::string_view, 16> kSendSMS = {
    "........kkkkkkk.", ".......kbbbbbbbk", ".......kbwwwwwbk", ".......kbbbbbbbk",
    "..kkkkk.kkbkkkk.", ".kwwwwwk..k.....", ".kwkkkwk........", ".kwkkkwk........",
    ".kwkkkwk........", ".kwwwwwk........", ".kwkwkwk........", ".kwwwwwk........",
    ".kwkwkwk........", ".kwwwwwk........", ".kkkkkkk........", "................"};
// A sheet with a tick.
constexpr std::array<std::string_view, 16> kDeliveryReport = {
    "..kkkkkkkkk.....", "..kwwwwwwwkk....", "..kwkkkkwwkwk...", "..kwwwwwwwkkkk..",
    "..kwkkkkkkwwwk..", "..kwwwwwwwwwwk..", "..kwkkkkkkkwwk..", "..kwwwwwwwwwgk..",
    "..kwkkkkkwwwggk.", "..kwwwwwwwwggwk.", "..kwkkkkgwggwwk.", "..kwwwwwgggwwwk.",
    "..kwwwwwwgwwwwk.", "..kwwwwwwwwwwwk.", "..kkkkkkkkkkkkk.", "................"};
// A coin.
constexpr std::array<std::string_view, 16> kBalance = {
    "................", ".....kkkkkk.....", "...kkyyyyyykk...", "..kyyyyyyyyyyk..",
    "..kyyyykkyyyyk..", ".kyyyykyykyyyyk.", ".kyyyykyyyyyyyk.", ".kyyyyykkyyyyyk.",
    ".kyyyyyyykyyyyk.", ".kyyyykyykyyyyk.", "..kyyyykkyyyyk..", "..kyyyyyyyyyyk..",
    "...kkyyyyyykk...", ".....kkkkkk.....", "................", "................"};
// A gear.
constexpr std::array<std::string_view, 16> kSettings = {
    "......kkkk......", "......kbbk......", "..kk.kbbbbk.kk..", "..kbkkbbbbkkbk..",
    "...kbbbbbbbbk...", "..kbbbkkkkbbbk..", "kkkbbkwwwwkbbkkk", "kbbbbkwwwwkbbbbk",
    "kbbbbkwwwwkbbbbk", "kkkbbkwwwwkbbkkk", "..kbbbkkkkbbbk..", "...kbbbbbbbbk...",
    "..kbkkbbbbkkbk..", "..kk.kbbbbk.kk..", "......kbbk......", "......kkkk......"};
// A play button.
constexpr std::array<std::string_view, 16> kDemo = {
    "................", "..kkkkkkkkkkkk..", ".kggggggggggggk.", ".kggkkgggggggggk",
    ".kggkwkkgggggggk", ".kggkwwwkkgggggk", ".kggkwwwwwkkgggk", ".kggkwwwwwwwkggk",
    ".kggkwwwwwkkgggk", ".kggkwwwkkgggggk", ".kggkwkkgggggggk", ".kggkkgggggggggk",
    ".kggggggggggggk.", "..kkkkkkkkkkkk..", "................", "................"};
// A card with a number.
constexpr std::array<std::string_view, 16> kFill = {
    "................", "kkkkkkkkkkkkkkkk", "kwwwwwwwwwwwwwwk", "kwkkkwwwwwwwwwwk",
    "kwkbkwkkkkkkkkwk", "kwkkkwwwwwwwwwwk", "kwwwwwkkkkkkwwwk", "kwwwwwwwwwwwwwwk",
    "kkkkkkkkkkkkkkkk", "........kk......", ".......krrk.....", "......krrrrk....",
    ".....krrrrrrk...", "........rr......", "........rr......", "................"};
// A clock.
constexpr std::array<std::string_view, 16> kScheduler = {
    "................", ".....kkkkkk.....", "...kkwwwwwwkk...", "..kwwwwkwwwwwk..",
    "..kwwwwkwwwwwk..", ".kwwwwwkwwwwwwk.", ".kwwwwwkwwwwwwk.", ".kwwwwwkkkkkwwk.",
    ".kwwwwwwwwwwwwk.", ".kwwwwwwwwwwwwk.", "..kwwwwwwwwwwk..", "..kwwwwwwwwwwk..",
    "...kkwwwwwwkk...", ".....kkkkkk.....", "................", "................"};

}  // namespace

frmAddIn::frmAddIn(ui::Ui& ui)
    : Form(ui, "frmAddIn"),
      picSendSMS(*this, "picSendSMS"),
      picDeliverRep(*this, "picDeliverRep"),
      picBuySMS(*this, "picBuySMS"),
      picSettings(*this, "picSettings"),
      picDemo(*this, "picDemo"),
      picFillMNO(*this, "picFillMNO"),
      ImgScheduler(*this, "ImgScheduler") {}

void frmAddIn::InitializeComponent() {
  picSendSMS.Image = Draw(kSendSMS);
  picDeliverRep.Image = Draw(kDeliveryReport);
  picBuySMS.Image = Draw(kBalance);
  picSettings.Image = Draw(kSettings);
  picDemo.Image = Draw(kDemo);
  picFillMNO.Image = Draw(kFill);
  ImgScheduler.Image = Draw(kScheduler);

  Width = 3000;
  Height = 1200;
  int left = 120;
  for (ui::PictureBox* face : {&picSendSMS, &picDeliverRep, &picBuySMS, &picSettings, &picDemo,
                               &picFillMNO, &ImgScheduler}) {
    face->Place(left, 120, 240, 240);
    left += 360;
  }
}

}  // namespace qv::forms
