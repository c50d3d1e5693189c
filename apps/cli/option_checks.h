#pragma once

#include <CLI/CLI.hpp>

#include <cstddef>
#include <string>

namespace qv::cli {

// Option values that the command types into a dialog are judged before anything is sent: a
// value the dialog could not show is a usage error that names the option and the value.

// A value typed into a box of `maxLength` characters; surrounding blanks are dropped first when
// `trim`. Longer values are refused, never cut.
CLI::Validator FitsBox(std::size_t maxLength, bool trim);

// A date the date pickers can show, written M/D/YYYY; with `withTime`, followed by a time such as
// "10:30 AM".
CLI::Validator PickerDate(bool withTime);

}  // namespace qv::cli
