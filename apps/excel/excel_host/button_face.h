#pragma once

#include <windows.h>

#include <utility>
#include <vector>

#include "com/com_variant.h"
#include "ui/picture.h"

namespace qv::excel {

// A button's face as Office takes it through CommandBarButton.Picture and .Mask: two pictures
// (IPictureDisp) of the same size, the face itself and its mask, white where the face is
// transparent and black where it shows.
class FacePictures {
 public:
  // A HostError when Windows cannot make them.
  explicit FacePictures(const ui::Picture& face);
  const ComVariant& Picture() const { return picture_; }
  const ComVariant& Mask() const { return mask_; }

 private:
  ComVariant picture_;
  ComVariant mask_;
};

// What the system clipboard holds when it is made, put back when it goes: every format whose
// data can be copied (texts, bitmaps, files, a program's own formats).
class ClipboardKeeper {
 public:
  ClipboardKeeper();
  ~ClipboardKeeper();
  ClipboardKeeper(const ClipboardKeeper&) = delete;
  ClipboardKeeper& operator=(const ClipboardKeeper&) = delete;

 private:
  std::vector<std::pair<UINT, HANDLE>> saved_;
  bool known_ = false;  // whether the clipboard could be read at all
};

// Puts the picture on the clipboard as a bitmap, for an Office that pastes faces only.
void PutOnClipboard(const ui::Picture& picture);

}  // namespace qv::excel
