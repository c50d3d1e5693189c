#include "addin/shell_win32.h"

#include <windows.h>

#include <shellapi.h>

#include "values/utf16_win32.h"

namespace qv::addin {

void Win32Shell::Open(const std::string& url) {
  // Whether a browser started is not reported, as on every platform.
  ShellExecuteW(nullptr, L"open", ToUtf16(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace qv::addin
