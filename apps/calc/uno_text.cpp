#include "uno_text.h"

namespace qv::calc {

css::beans::PropertyValue Named(const char* name, const css::uno::Any& value) {
  css::beans::PropertyValue p;
  p.Name = rtl::OUString::createFromAscii(name);
  p.Value = value;
  return p;
}

rtl::OUString ToUno(std::string_view utf8) {
  return rtl::OUString(utf8.data(), static_cast<sal_Int32>(utf8.size()), RTL_TEXTENCODING_UTF8);
}

std::string FromUno(const rtl::OUString& text) {
  const rtl::OString utf8 = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
  return std::string(utf8.getStr(), static_cast<std::size_t>(utf8.getLength()));
}

std::string Mnemonics(std::string_view caption) {
  std::string label;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] != '&') {
      label += caption[i] == '~' ? "~~" : std::string(1, caption[i]);
    } else if (i + 1 < caption.size() && caption[i + 1] == '&') {
      label += '&';
      ++i;
    } else {
      label += '~';
    }
  }
  return label;
}

}  // namespace qv::calc
