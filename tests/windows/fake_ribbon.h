#pragma once

#include <windows.h>

#include <olectl.h>

#include <deque>
#include <regex>
#include <string>
#include <vector>

#include "com/bstr.h"
#include "connect_com/extensibility.h"
#include "fake_dispatch.h"

namespace qv::testing {

// The office's side of the ribbon, as Excel 2007 and later drive an add-in's tab: after
// OnConnection it asks the add-in for IRibbonExtensibility and takes the workbook ribbon's XML
// from GetCustomUI, calls onLoad with its IRibbonUI, and calls every other callback the XML names
// by name through IDispatch, with an IRibbonControl that tells its Id.
class FakeRibbon {
 public:
  struct Button {
    std::string id, label, onAction, getEnabled, getImage;
  };

  explicit FakeRibbon(IUnknown* addin) {
    ui_.label = "IRibbonUI";
    ui_.Define("Invalidate", [this](const Received&) {
      ++invalidations;
      return excel::ComVariant();
    });
    ui_.Define("InvalidateControl", [this](const Received&) {
      ++invalidations;
      return excel::ComVariant();
    });
    void* extensibility = nullptr;
    if (FAILED(addin->QueryInterface(excel::kIRibbonExtensibility, &extensibility))) return;
    addin_ = static_cast<excel::IRibbonExtensibility*>(extensibility);
    BSTR xml = nullptr;
    if (FAILED(addin_->GetCustomUI(excel::Bstr("Microsoft.Excel.Workbook").Get(), &xml))) return;
    xml_ = excel::ToUtf8(xml);
    SysFreeString(xml);
    ReadButtons();
    const std::smatch load = Search(xml_, R"re(<customUI[^>]*\sonLoad="([^"]*)")re");
    if (!load.empty()) Call(load[1], ui_, nullptr);
  }
  ~FakeRibbon() {
    if (addin_) addin_->Release();
  }
  FakeRibbon(const FakeRibbon&) = delete;
  FakeRibbon& operator=(const FakeRibbon&) = delete;

  const std::string& Xml() const { return xml_; }
  const std::vector<Button>& Buttons() const { return buttons_; }
  // The references the add-in holds on the IRibbonUI it was given.
  ULONG UiHeld() const { return ui_.references - 1; }

  // A click on the button, if it is enabled, as the office allows one.
  HRESULT Click(const Button& b) {
    if (!Enabled(b)) return S_FALSE;
    FakeObject& control = Control(b.id);
    return Call(b.onAction, control, nullptr);
  }
  bool Enabled(const Button& b) {
    FakeObject& control = Control(b.id);
    excel::ComVariant answer;
    if (FAILED(Call(b.getEnabled, control, answer.Receive()))) return false;
    return answer.Get().vt == VT_BOOL && answer.Get().boolVal == VARIANT_TRUE;
  }
  // The picture getImage gives: its size in pixels, or 0 x 0 when there is none.
  SIZE Image(const Button& b) {
    FakeObject& control = Control(b.id);
    excel::ComVariant answer;
    SIZE size{0, 0};
    if (FAILED(Call(b.getImage, control, answer.Receive())) || answer.Get().vt != VT_DISPATCH ||
        !answer.Get().pdispVal) {
      return size;
    }
    IPicture* picture = nullptr;
    if (FAILED(answer.Get().pdispVal->QueryInterface(IID_IPicture,
                                                     reinterpret_cast<void**>(&picture))))
      return size;
    OLE_XSIZE_HIMETRIC w = 0;
    OLE_YSIZE_HIMETRIC h = 0;
    picture->get_Width(&w);
    picture->get_Height(&h);
    picture->Release();
    // HIMETRIC at the screen's 96 dots an inch.
    size.cx = MulDiv(w, 96, 2540);
    size.cy = MulDiv(h, 96, 2540);
    return size;
  }
  // Calls a callback by name as the office does, with `argument` its one argument.
  HRESULT Call(const std::string& name, IDispatch& argument, VARIANT* result) {
    if (!addin_) return E_NOINTERFACE;
    std::wstring wide(name.begin(), name.end());
    LPOLESTR names[] = {wide.data()};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT found = addin_->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    if (FAILED(found)) return found;
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_DISPATCH;
    arg.pdispVal = &argument;
    DISPPARAMS params{&arg, nullptr, 1, 0};
    return addin_->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, result, nullptr, nullptr);
  }

  int invalidations = 0;

 private:
  static std::smatch Search(const std::string& text, const char* pattern) {
    std::smatch m;
    std::regex_search(text, m, std::regex(pattern));
    return m;
  }
  static std::string Attribute(const std::string& element, const std::string& name) {
    std::smatch m;
    return std::regex_search(element, m, std::regex("\\s" + name + "=\"([^\"]*)\"")) ? m[1].str()
                                                                                     : "";
  }
  void ReadButtons() {
    const std::regex button("<button[^>]*>");
    for (auto it = std::sregex_iterator(xml_.begin(), xml_.end(), button);
         it != std::sregex_iterator(); ++it) {
      const std::string e = it->str();
      buttons_.push_back({Attribute(e, "id"), Attribute(e, "label"), Attribute(e, "onAction"),
                          Attribute(e, "getEnabled"), Attribute(e, "getImage")});
    }
  }
  // An IRibbonControl of the office's: the button's Id, no Context, no Tag.
  FakeObject& Control(const std::string& id) {
    controls_.emplace_back();
    FakeObject& c = controls_.back();
    c.label = "IRibbonControl " + id;
    c.Define("Id", [id](const Received&) { return excel::ComVariant::FromText(id); });
    c.Define("Context", [](const Received&) { return excel::ComVariant::FromObject(nullptr); });
    c.Define("Tag", [](const Received&) { return excel::ComVariant::FromText(""); });
    return c;
  }

  excel::IRibbonExtensibility* addin_ = nullptr;
  std::string xml_;
  std::vector<Button> buttons_;
  FakeObject ui_;
  std::deque<FakeObject> controls_;
};

}  // namespace qv::testing
