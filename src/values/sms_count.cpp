#include "values/sms_count.h"

#include <cmath>

#include "values/convert.h"

namespace qv {

long SmsCount(std::size_t length) {
  if (length <= kSingleSmsLength) return 1;
  if (length <= 3060) return static_cast<long>((length + 152) / 153);
  return std::lround(static_cast<double>(length) / 153.0);
}

std::string LongSmsCountText(std::size_t length) {
  if (length <= 459) return "1";
  if (length <= 3672) return std::to_string((length + 458) / 459);
  return NumberAsText(static_cast<double>(length) / 459.0);
}

}  // namespace qv
