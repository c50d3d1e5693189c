#pragma once

#include <com/sun/star/beans/PropertyValue.hpp>
#include <rtl/ustring.hxx>

#include <string>
#include <string_view>

namespace qv::calc {

// A named value, as UNO's calls take their options.
css::beans::PropertyValue Named(const char* name, const css::uno::Any& value);

// Text inside the add-in is UTF-8; UNO's is UTF-16.
rtl::OUString ToUno(std::string_view utf8);
std::string FromUno(const rtl::OUString& text);
// A caption as the office shows it: the letter after "&" (the add-in's mark of an access key)
// marked with "~" as the office marks it; "&&" is a plain "&", and a "~" of the caption is kept.
std::string Mnemonics(std::string_view caption);

}  // namespace qv::calc
