#include "connect_com/install_options.h"

#include "addin/connect.h"
#include "values/errors.h"
#include "values/text.h"
#include "values/utf16_win32.h"

namespace qv::excel {

HRESULT ApplyInstallOptions(std::wstring_view commandLine, settings::Settings& store) {
  const std::string line = Trim(FromUtf16(commandLine));
  if (line.empty()) return S_OK;
  constexpr std::string_view kService = "SERVICE=";
  if (line.size() < kService.size() ||
      !EqualsIgnoreCaseAscii(std::string_view(line).substr(0, kService.size()), kService)) {
    return E_INVALIDARG;
  }
  const std::string address = Trim(line.substr(kService.size()));
  if (address.empty()) return S_OK;
  try {
    addin::FindServiceAddress(address, store);
  } catch (const AddinError&) {
    return E_INVALIDARG;
  }
  store.Save(settings::kAppName, "Service", "Address", address);
  return S_OK;
}

}  // namespace qv::excel
