#pragma once

#include <rtl/ustring.hxx>

#include <string>
#include <string_view>

namespace qv::calc {

// Text inside the add-in is UTF-8; UNO's is UTF-16.
rtl::OUString ToUno(std::string_view utf8);
std::string FromUno(const rtl::OUString& text);

}  // namespace qv::calc
