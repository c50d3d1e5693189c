// Number-format codes as a styles part may hold any, applied to values of every kind: the first
// eight bytes are the value, the rest the code.
#include <cstring>

#include "fuzz_input.h"
#include "host/number_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  double value = 0;
  if (size < sizeof value) return 0;
  std::memcpy(&value, data, sizeof value);
  const std::string_view code = qv::fuzz::Text(data + sizeof value, size - sizeof value);
  for (const double v : {value, 0.0, -1.5, 46357.25, 1e300}) (void)qv::host::FormatNumber(v, code);
  return 0;
}
