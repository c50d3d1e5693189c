#include "excel_host/button_face.h"

#include <olectl.h>

#include "host/host.h"

namespace qv::excel {
namespace {

// A bitmap of the pixels as they are (0xAARRGGBB from the top row: CreateBitmap's 32-bit layout).
HBITMAP BitmapOf(const ui::Picture& picture) {
  HBITMAP bitmap = CreateBitmap(picture.Width, picture.Height, 1, 32, picture.Pixels.data());
  if (!bitmap) throw host::HostError("The button's picture could not be made.");
  return bitmap;
}

ui::Picture MaskOf(const ui::Picture& face) {
  ui::Picture mask{face.Width, face.Height, {}};
  mask.Pixels.reserve(face.Pixels.size());
  for (std::uint32_t pixel : face.Pixels)
    mask.Pixels.push_back((pixel >> 24) == 0 ? 0xFFFFFFFFu : 0xFF000000u);
  return mask;
}

// The picture as an IPictureDisp that owns its bitmap.
ComVariant PictureDisp(const ui::Picture& picture) {
  PICTDESC description{};
  description.cbSizeofstruct = sizeof description;
  description.picType = PICTYPE_BITMAP;
  description.bmp.hbitmap = BitmapOf(picture);
  IDispatch* made = nullptr;
  if (FAILED(OleCreatePictureIndirect(&description, IID_IPictureDisp, TRUE,
                                      reinterpret_cast<void**>(&made)))) {
    DeleteObject(description.bmp.hbitmap);
    throw host::HostError("The button's picture could not be made.");
  }
  ComVariant out = ComVariant::FromObject(made);
  made->Release();
  return out;
}

// The clipboard belongs to a window while it is open; a window of our own that only receives
// messages serves, since Excel's may be another process's.
class OpenedClipboard {
 public:
  OpenedClipboard()
      : window_(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                nullptr)) {
    // Another program may hold it for a moment.
    for (int attempt = 0; attempt < 20 && !open_; ++attempt) {
      open_ = OpenClipboard(window_) != FALSE;
      if (!open_) Sleep(10);
    }
  }
  ~OpenedClipboard() {
    if (open_) CloseClipboard();
    if (window_) DestroyWindow(window_);
  }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;
  bool Open() const { return open_; }

 private:
  HWND window_;
  bool open_ = false;
};

// Formats whose data is a GDI object or a handle inside memory, copied by their own means or not
// at all; Windows makes CF_BITMAP again from CF_DIB, which is kept.
bool IsHandleFormat(UINT format) {
  return format == CF_BITMAP || format == CF_PALETTE || format == CF_METAFILEPICT ||
         format == CF_ENHMETAFILE || format == CF_DSPBITMAP || format == CF_DSPMETAFILEPICT ||
         format == CF_DSPENHMETAFILE || format == CF_OWNERDISPLAY;
}

HANDLE CopyOf(UINT format, HANDLE data) {
  if (format == CF_ENHMETAFILE) return CopyEnhMetaFileW(static_cast<HENHMETAFILE>(data), nullptr);
  if (IsHandleFormat(format)) return nullptr;
  const SIZE_T size = GlobalSize(data);
  const void* from = size ? GlobalLock(data) : nullptr;
  if (!from) return nullptr;
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
  if (void* to = copy ? GlobalLock(copy) : nullptr) {
    memcpy(to, from, size);
    GlobalUnlock(copy);
  }
  GlobalUnlock(data);
  return copy;
}

void Free(UINT format, HANDLE data) {
  if (format == CF_ENHMETAFILE)
    DeleteEnhMetaFile(static_cast<HENHMETAFILE>(data));
  else
    GlobalFree(data);
}

}  // namespace

FacePictures::FacePictures(const ui::Picture& face)
    : picture_(PictureDisp(face)), mask_(PictureDisp(MaskOf(face))) {}

ClipboardKeeper::ClipboardKeeper() {
  OpenedClipboard clipboard;
  if (!clipboard.Open()) return;
  known_ = true;
  for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
    if (HANDLE data = GetClipboardData(format)) {
      if (HANDLE copy = CopyOf(format, data)) saved_.emplace_back(format, copy);
    }
  }
}

ClipboardKeeper::~ClipboardKeeper() {
  if (!known_) return;
  OpenedClipboard clipboard;
  if (!clipboard.Open()) {
    for (const auto& [format, data] : saved_) Free(format, data);
    return;
  }
  EmptyClipboard();
  // Once set, the clipboard owns the data.
  for (const auto& [format, data] : saved_) {
    if (!SetClipboardData(format, data)) Free(format, data);
  }
}

void PutOnClipboard(const ui::Picture& picture) {
  HBITMAP bitmap = BitmapOf(picture);
  OpenedClipboard clipboard;
  if (!clipboard.Open()) {
    DeleteObject(bitmap);
    throw host::HostError("The clipboard is in use by another program.");
  }
  EmptyClipboard();
  if (!SetClipboardData(CF_BITMAP, bitmap)) {
    DeleteObject(bitmap);
    throw host::HostError("The button's picture could not be put on the clipboard.");
  }
}

}  // namespace qv::excel
