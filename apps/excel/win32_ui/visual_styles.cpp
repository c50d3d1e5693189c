#include "win32_ui/visual_styles.h"

namespace qv::excel {
namespace {

// The manifest's resource: ISOLATIONAWARE_MANIFEST_RESOURCE_ID, a DLL's own.
constexpr WORD kManifestResource = 2;

HANDLE& Context() {
  static HANDLE context = INVALID_HANDLE_VALUE;
  return context;
}

}  // namespace

HINSTANCE AddinModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&AddinModule), &module);
  return module;
}

VisualStyles::VisualStyles() {
  HANDLE& context = Context();
  if (context == INVALID_HANDLE_VALUE) {
    ACTCTXW description{};
    description.cbSize = sizeof description;
    description.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    description.hModule = AddinModule();
    description.lpResourceName = MAKEINTRESOURCEW(kManifestResource);
    context = CreateActCtxW(&description);
  }
  // Without the manifest the windows still work, in the old style.
  if (context != INVALID_HANDLE_VALUE) active_ = ActivateActCtx(context, &cookie_) != FALSE;
}

VisualStyles::~VisualStyles() {
  if (active_) DeactivateActCtx(0, cookie_);
}

void VisualStyles::Release() {
  HANDLE& context = Context();
  if (context != INVALID_HANDLE_VALUE) ReleaseActCtx(context);
  context = INVALID_HANDLE_VALUE;
}

}  // namespace qv::excel
