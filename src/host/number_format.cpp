#include "host/number_format.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include "values/convert.h"
#include "values/datetime.h"
#include "values/text.h"

namespace qv::host {
namespace {

enum class Kind {
  Literal,
  Digit,  // 0 # ?
  Point,  // .
  Comma,  // ,
  Percent,
  Exponent,  // E+ E- (text holds the sign)
  Slash,     // / between digits of a fraction
  Year,
  Month,
  Day,
  Hour,
  Minute,
  Second,
  AmPm,
  ElapsedHour,
  ElapsedMinute,
  ElapsedSecond,
  SubSecond,
  At,  // @
  General,
  Condition,  // [<=100], read into the section's condition: the text is inside the brackets
};

struct Token {
  Kind kind;
  std::string text;  // literal text, the placeholder character, the date letters
};

bool Starts(std::string_view s, std::size_t i, std::string_view word) {
  return i + word.size() <= s.size() && EqualsIgnoreCaseAscii(s.substr(i, word.size()), word);
}

// Splits a format code into its sections at ";" outside quotes, escapes and brackets.
std::vector<std::string_view> Sections(std::string_view code) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  bool quoted = false;
  int bracket = 0;
  for (std::size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    if (quoted) {
      quoted = c != '"';
    } else if (c == '"') {
      quoted = true;
    } else if (c == '\\' || c == '_' || c == '*') {
      ++i;
    } else if (c == '[') {
      ++bracket;
    } else if (c == ']') {
      bracket = std::max(0, bracket - 1);
    } else if (c == ';' && bracket == 0) {
      out.push_back(code.substr(start, i - start));
      start = i + 1;
    }
  }
  out.push_back(code.substr(start));
  return out;
}

// What a bracketed part of a code means: elapsed time, a condition, a currency's text (a literal);
// nullopt for what shows nothing, such as a colour or a locale.
std::optional<Token> Bracketed(const std::string& inside) {
  const std::string l = ToLowerAscii(inside);
  if (!l.empty() && l.find_first_not_of('h') == std::string::npos)
    return Token{Kind::ElapsedHour, inside};
  if (!l.empty() && l.find_first_not_of('m') == std::string::npos)
    return Token{Kind::ElapsedMinute, inside};
  if (!l.empty() && l.find_first_not_of('s') == std::string::npos)
    return Token{Kind::ElapsedSecond, inside};
  if (!inside.empty() && std::strchr("<>=", inside[0])) return Token{Kind::Condition, inside};
  if (!inside.empty() && inside[0] == '$') {
    const auto dash = inside.find('-');
    return Token{Kind::Literal, inside.substr(1, dash == std::string::npos ? dash : dash - 1)};
  }
  return std::nullopt;
}

// The characters that are a token each.
// The most digits of a denominator a fraction's placeholders look for.
constexpr int kLargestDenominatorDigits = 5;
// The most digits of a second's fraction a time shows.
constexpr int kMostSubSecondDigits = 3;
// The most compiled codes a thread keeps.
constexpr std::size_t kCachedCodes = 1024;

constexpr std::pair<char, Kind> kSingleTokens[] = {
    {'0', Kind::Digit}, {'#', Kind::Digit},   {'?', Kind::Digit}, {'.', Kind::Point},
    {',', Kind::Comma}, {'%', Kind::Percent}, {'/', Kind::Slash}, {'@', Kind::At}};

std::vector<Token> Tokenize(std::string_view s) {
  std::vector<Token> out;
  const auto literal = [&](std::string text) {
    if (!out.empty() && out.back().kind == Kind::Literal) {
      out.back().text += text;
    } else {
      out.push_back({Kind::Literal, std::move(text)});
    }
  };
  for (std::size_t i = 0; i < s.size();) {
    const char c = s[i];
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c == '"') {
      const auto close = s.find('"', i + 1);
      literal(std::string(
          s.substr(i + 1, (close == std::string_view::npos ? s.size() : close) - i - 1)));
      i = close == std::string_view::npos ? s.size() : close + 1;
    } else if (c == '\\') {
      if (i + 1 < s.size()) literal(std::string(1, s[i + 1]));
      i += 2;
    } else if (c == '_') {
      literal(" ");
      i += 2;
    } else if (c == '*') {
      i += 2;
    } else if (c == '[') {
      const auto close = s.find(']', i);
      const auto token = Bracketed(std::string(
          s.substr(i + 1, (close == std::string_view::npos ? s.size() : close) - i - 1)));
      if (token && token->kind == Kind::Literal) {
        literal(token->text);
      } else if (token) {
        out.push_back(*token);
      }
      i = close == std::string_view::npos ? s.size() : close + 1;
    } else if (Starts(s, i, "General")) {
      out.push_back({Kind::General, ""});
      i += 7;
    } else if (Starts(s, i, "AM/PM")) {
      out.push_back({Kind::AmPm, std::string(s.substr(i, 5))});
      i += 5;
    } else if (Starts(s, i, "A/P")) {
      out.push_back({Kind::AmPm, std::string(s.substr(i, 3))});
      i += 3;
    } else if (lower == 'y' || lower == 'm' || lower == 'd' || lower == 'h' || lower == 's') {
      std::size_t j = i;
      while (j < s.size() && std::tolower(static_cast<unsigned char>(s[j])) == lower) ++j;
      const Kind kind = lower == 'y'   ? Kind::Year
                        : lower == 'm' ? Kind::Month
                        : lower == 'd' ? Kind::Day
                        : lower == 'h' ? Kind::Hour
                                       : Kind::Second;
      out.push_back({kind, std::string(j - i, lower)});
      i = j;
    } else if ((c == 'E' || c == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-')) {
      out.push_back({Kind::Exponent, std::string(1, s[i + 1])});
      i += 2;
    } else {
      const auto single = std::find_if(std::begin(kSingleTokens), std::end(kSingleTokens),
                                       [c](const auto& e) { return e.first == c; });
      if (single != std::end(kSingleTokens)) {
        out.push_back({single->second, std::string(1, c)});
      } else {
        literal(std::string(1, c));
      }
      ++i;
    }
  }
  return out;
}

bool IsDateToken(Kind k) {
  return k == Kind::Year || k == Kind::Day || k == Kind::Hour || k == Kind::Second ||
         k == Kind::AmPm || k == Kind::ElapsedHour || k == Kind::ElapsedMinute ||
         k == Kind::ElapsedSecond;
}

bool IsDateSection(const std::vector<Token>& tokens) {
  bool month = false, digits = false;
  for (const auto& t : tokens) {
    if (IsDateToken(t.kind)) return true;
    month = month || t.kind == Kind::Month;
    digits = digits || t.kind == Kind::Digit;
  }
  return month && !digits;
}

// ---- dates ----

// Appends `v` in at least `width` characters, zeros in front.
void AppendPadded(std::string& out, long long v, int width) {
  char buf[24];
  const char* end = std::to_chars(buf, buf + sizeof buf, v).ptr;
  const auto length = static_cast<int>(end - buf);
  if (length < width) out.append(static_cast<std::size_t>(width - length), '0');
  out.append(buf, static_cast<std::size_t>(length));
}

std::string Pad(long long v, int width) {
  std::string s;
  AppendPadded(s, v, width);
  return s;
}

// Turns the "0" digits after a point into one sub-second token; how many digits it shows.
int TakeSubSeconds(std::vector<Token>& tokens) {
  for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
    if (tokens[i].kind == Kind::Point && tokens[i + 1].kind == Kind::Digit &&
        tokens[i + 1].text == "0") {
      std::size_t j = i + 1;
      while (j < tokens.size() && tokens[j].kind == Kind::Digit && tokens[j].text == "0") ++j;
      const int digits = static_cast<int>(j - i - 1);
      tokens[i] = {Kind::SubSecond, std::string(static_cast<std::size_t>(digits), '0')};
      tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                   tokens.begin() + static_cast<std::ptrdiff_t>(j));
      return digits;
    }
  }
  return 0;
}

// The calendar date and time of day of a whole number of seconds from the serial's start.
DateParts PartsOfSeconds(long long wholeSeconds) {
  long long days = wholeSeconds / 86400;
  const long long secondsOfDay = wholeSeconds % 86400;
  // The 1900 system counts a 29 February 1900 that never was.
  DateParts p;
  if (days == 60) {
    p = DateTime::FromParts(1900, 2, 28).Parts();
    p.day = 29;
    p.weekday = 4;
  } else {
    if (days < 60) days += 1;
    static const DateTime kDayZero = DateTime::FromParts(1899, 12, 30);
    p = kDayZero.AddSeconds(days * 86400).Parts();
  }
  if (days == 0 || (days == 1 && wholeSeconds / 86400 == 0)) {
    // Day 0 shows as 1/0/1900, as spreadsheets do.
    p.year = 1900;
    p.month = 1;
    p.day = 0;
    p.weekday = 7;
  }
  p.hour = static_cast<int>(secondsOfDay / 3600);
  p.minute = static_cast<int>(secondsOfDay / 60 % 60);
  p.second = static_cast<int>(secondsOfDay % 60);
  return p;
}

// An "m" right after an hour, or right before seconds, means minutes.
void MarkMinutes(std::vector<Token>& tokens) {
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].kind != Kind::Month || tokens[i].text.size() > 2) continue;
    Kind before = Kind::Literal, after = Kind::Literal;
    for (std::size_t j = i; j-- > 0;) {
      if (tokens[j].kind != Kind::Literal) {
        before = tokens[j].kind;
        break;
      }
    }
    for (std::size_t j = i + 1; j < tokens.size(); ++j) {
      if (tokens[j].kind != Kind::Literal) {
        after = tokens[j].kind;
        break;
      }
    }
    if (before == Kind::Hour || before == Kind::ElapsedHour || after == Kind::Second ||
        after == Kind::ElapsedSecond) {
      tokens[i].kind = Kind::Minute;
    }
  }
}

void AppendMonth(std::string& out, int month, int n) {
  if (n <= 2)
    AppendPadded(out, month, n);
  else if (n == 3)
    out += MonthAbbreviation(month);
  else if (n == 5)
    out += MonthName(month).substr(0, 1);
  else
    out += MonthName(month);
}

void AppendDay(std::string& out, const DateParts& p, int n) {
  if (n <= 2) return AppendPadded(out, p.day, n);
  const std::string name = DayName(p.weekday);
  out += n == 3 ? name.substr(0, 3) : name;
}

std::string AmPmText(const std::string& token, bool pm) {
  if (token.size() == 3) return pm ? (token[2] == 'p' ? "p" : "P") : (token[0] == 'a' ? "a" : "A");
  const bool lower = token[0] == 'a';
  return pm ? (lower ? "pm" : "PM") : (lower ? "am" : "AM");
}

// A date section's tokens as they are shown: sub-seconds taken together, minutes told from
// months. Made once per section.
struct DateLayout {
  std::vector<Token> tokens;
  int subDigits = 0;
  bool twelveHours = false;  // an AM/PM shows
};

DateLayout LayOutDate(std::vector<Token> tokens) {
  DateLayout out;
  out.subDigits = TakeSubSeconds(tokens);
  MarkMinutes(tokens);
  out.twelveHours = std::any_of(tokens.begin(), tokens.end(),
                                [](const Token& t) { return t.kind == Kind::AmPm; });
  out.tokens = std::move(tokens);
  return out;
}

std::string FormatDate(double serial, const DateLayout& layout) {
  if (serial < 0) return NumberAsText(serial);
  const std::vector<Token>& tokens = layout.tokens;
  // Sub-second digits decide the rounding of the whole moment; past the third, a spreadsheet's
  // most, they are zeros.
  const int subDigits = std::min(layout.subDigits, kMostSubSecondDigits);
  const double scale = subDigits == 0 ? 1.0 : std::pow(10.0, subDigits);
  const long long units = std::llround(serial * 86400.0 * scale);
  const long long totalSeconds = units / static_cast<long long>(scale);
  const long long fraction = units % static_cast<long long>(scale);
  const DateParts p = PartsOfSeconds(totalSeconds);
  const bool twelve = layout.twelveHours;
  const int hour12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
  std::string out;
  for (const auto& t : tokens) {
    const int n = static_cast<int>(t.text.size());
    switch (t.kind) {
      case Kind::Year:
        AppendPadded(out, n <= 2 ? p.year % 100 : p.year, n <= 2 ? 2 : 4);
        break;
      case Kind::Month:
        AppendMonth(out, p.month, n);
        break;
      case Kind::Day:
        AppendDay(out, p, n);
        break;
      case Kind::Hour:
        AppendPadded(out, twelve ? hour12 : p.hour, n >= 2 ? 2 : 1);
        break;
      case Kind::Minute:
        AppendPadded(out, p.minute, n >= 2 ? 2 : 1);
        break;
      case Kind::Second:
        AppendPadded(out, p.second, n >= 2 ? 2 : 1);
        break;
      case Kind::ElapsedHour:
        AppendPadded(out, totalSeconds / 3600, n);
        break;
      case Kind::ElapsedMinute:
        AppendPadded(out, totalSeconds / 60, n);
        break;
      case Kind::ElapsedSecond:
        AppendPadded(out, totalSeconds, n);
        break;
      case Kind::SubSecond:
        out += '.';
        AppendPadded(out, fraction, std::min(n, subDigits));
        out.append(static_cast<std::size_t>(std::max(n - subDigits, 0)), '0');
        break;
      case Kind::AmPm:
        out += AmPmText(t.text, p.hour >= 12);
        break;
      case Kind::General:
        out += NumberAsText(serial);
        break;
      default:
        out += t.text;
        break;
    }
  }
  return out;
}

// ---- numbers ----

std::string Group(const std::string& digits) {
  std::string out;
  const int n = static_cast<int>(digits.size());
  for (int i = 0; i < n; ++i) {
    out += digits[static_cast<std::size_t>(i)];
    if ((n - 1 - i) % 3 == 0 && i != n - 1) out += ',';
  }
  return out;
}

// Lays the digits of a whole number into placeholders, right to left; surplus digits go to the
// first placeholder.
std::string PlaceInteger(const std::string& digits, const std::vector<Token>& tokens,
                         bool thousands) {
  std::size_t k = 0, zeros = 0;
  for (const auto& t : tokens) {
    if (t.kind != Kind::Digit) continue;
    ++k;
    zeros += t.text == "0";
  }
  if (thousands) {
    std::string padded = digits;
    while (padded.size() < zeros) padded.insert(padded.begin(), '0');
    std::string out;
    bool placed = false;
    for (const auto& t : tokens) {
      if (t.kind == Kind::Digit) {
        if (!placed) out += Group(padded);
        placed = true;
      } else if (t.kind == Kind::Literal) {
        out += t.text;
      }
    }
    return out;
  }
  std::string out;
  std::size_t index = 0;
  const std::size_t nd = digits.size();
  for (const auto& t : tokens) {
    if (t.kind == Kind::Literal) {
      out += t.text;
      continue;
    }
    if (t.kind != Kind::Digit) continue;
    const std::size_t fromRight = k - 1 - index;
    if (index == 0 && nd > k) out += digits.substr(0, nd - k);
    if (fromRight < nd) {
      out += digits[nd - 1 - fromRight];
    } else if (t.text == "0") {
      out += '0';
    } else if (t.text == "?") {
      out += ' ';
    }
    ++index;
  }
  return out;
}

std::string WholeDigits(double v) {
  if (v < 1) return "";
  char buf[400];
  const auto end =
      std::to_chars(buf, buf + sizeof buf, std::floor(v), std::chars_format::fixed, 0).ptr;
  return std::string(buf, end);
}

// A non-negative number as the decimal digits a spreadsheet rounds: its shortest form of 15
// significant digits, so that 1.005 is 1.005 and not the 1.00499999999999989... it is stored as.
struct Decimal {
  std::string digits;  // 15 significant digits; all zeros for 0
  int exponent = 0;    // the value is digits[0] . digits[1...] times 10 to this power
};

Decimal ToDecimal(double v) {
  char buf[40];
  const char* end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14).ptr;
  const std::string_view text(buf, static_cast<std::size_t>(end - buf));  // d.ddddddddddddddde+xx
  const auto e = text.find('e');
  Decimal d;
  d.digits = std::string(text.substr(0, 1)) + std::string(text.substr(2, e - 2));
  const std::string_view power = text.substr(e + 1);
  std::from_chars(power.data() + 1, power.data() + power.size(), d.exponent);
  if (power[0] == '-') d.exponent = -d.exponent;
  return d;
}

// Rounds to `places` decimals, a half away from zero, as decimal digits: the whole digits (empty
// below 1) and exactly `places` decimal digits.
std::pair<std::string, std::string> Fixed(const Decimal& d, int places) {
  const std::string zeros(static_cast<std::size_t>(places), '0');
  if (d.digits.find_first_not_of('0') == std::string::npos) return {"", zeros};
  const int keep = d.exponent + 1 + places;  // digits down to the last decimal place
  if (keep < 0) return {"", zeros};
  std::string padded = d.digits;
  if (static_cast<int>(padded.size()) < keep + 1)
    padded.append(static_cast<std::size_t>(keep + 1) - padded.size(), '0');
  std::string kept = padded.substr(0, static_cast<std::size_t>(keep));
  if (padded[static_cast<std::size_t>(keep)] >= '5') {
    int i = keep - 1;
    while (i >= 0 && kept[static_cast<std::size_t>(i)] == '9')
      kept[static_cast<std::size_t>(i--)] = '0';
    if (i < 0)
      kept.insert(kept.begin(), '1');
    else
      ++kept[static_cast<std::size_t>(i)];
  }
  if (static_cast<int>(kept.size()) < places)
    kept.insert(0, static_cast<std::size_t>(places) - kept.size(), '0');
  const std::size_t split = kept.size() - static_cast<std::size_t>(places);
  std::string whole = kept.substr(0, split);
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
  return {whole, kept.substr(split)};
}

// The integer and decimal tokens of a section made plain: percent signs and commas after the last
// digit scale `number` (they move its decimal point, never touching the binary value) and leave
// the tokens; commas between digits ask for thousands groups.
struct PlainParts {
  std::vector<Token> integer, decimals;
  bool thousands = false;
};
PlainParts Scale(const std::vector<Token>& integer, const std::vector<Token>& decimals,
                 int& shift) {
  PlainParts out;
  int lastDigit = -1;
  for (std::size_t i = 0; i < integer.size(); ++i) {
    if (integer[i].kind == Kind::Digit) lastDigit = static_cast<int>(i);
  }
  for (std::size_t i = 0; i < integer.size(); ++i) {
    if (integer[i].kind == Kind::Comma) {
      if (static_cast<int>(i) < lastDigit) {
        out.thousands = true;
      } else {
        shift -= 3;
      }
    } else if (integer[i].kind == Kind::Percent) {
      shift += 2;
      out.integer.push_back({Kind::Literal, "%"});
    } else {
      out.integer.push_back(integer[i].kind == Kind::Digit || integer[i].kind == Kind::Literal
                                ? integer[i]
                                : Token{Kind::Literal, integer[i].text});
    }
  }
  for (const auto& t : decimals) {
    if (t.kind == Kind::Percent) {
      shift += 2;
      out.decimals.push_back({Kind::Literal, "%"});
    } else if (t.kind == Kind::Comma) {
      shift -= 3;
    } else {
      out.decimals.push_back(t.kind == Kind::Digit ? t : Token{Kind::Literal, t.text});
    }
  }
  return out;
}

// The mantissa's digits (`whole`, `fraction`) and the exponent's text ("E+01") of a scientific
// section; the tokens from `exponent` on are the exponent's.
std::string Scientific(const Decimal& number, int integerDigits, int places,
                       const std::vector<Token>& tokens, std::size_t exponent, std::string& whole,
                       std::string& fraction) {
  integerDigits = std::max(integerDigits, 1);
  // With more than one integer placeholder the exponent is a multiple of their count.
  const auto power = [integerDigits](int e) {
    return static_cast<int>(std::floor(static_cast<double>(e) / integerDigits)) * integerDigits;
  };
  int exp = 0;
  if (number.digits.find_first_not_of('0') != std::string::npos) {
    exp = power(number.exponent);
    Decimal mantissa = number;
    mantissa.exponent -= exp;
    std::tie(whole, fraction) = Fixed(mantissa, places);
    if (static_cast<int>(whole.size()) > integerDigits) {
      // The mantissa rounded up to the next power (9.995 is 1.00E+01).
      exp = power(number.exponent + integerDigits);
      mantissa.exponent = number.exponent - exp;
      std::tie(whole, fraction) = Fixed(mantissa, places);
    }
  }
  int expDigits = 0;
  for (std::size_t i = exponent + 1; i < tokens.size(); ++i)
    expDigits += tokens[i].kind == Kind::Digit;
  std::string text = std::string(1, 'E') +
                     (exp < 0 ? "-" : (tokens[exponent].text == "+" ? "+" : "")) +
                     Pad(std::abs(exp), std::max(expDigits, 1));
  for (std::size_t i = exponent + 1; i < tokens.size(); ++i) {
    if (tokens[i].kind == Kind::Literal) text += tokens[i].text;
  }
  return text;
}

// The decimal digits in their placeholders: trailing zeros under "#" go, under "?" they become
// blanks.
std::string PlaceDecimals(const std::vector<Token>& decimals, const std::string& fraction) {
  std::size_t index = 0;
  std::string placed;
  std::string marks;  // beside each placed character: its placeholder ("0", "#", "?"), or NUL
  for (const auto& t : decimals) {
    if (t.kind == Kind::Digit) {
      placed += fraction[index++];
      marks += t.text.front();
    } else {
      placed += t.text;
      marks.append(t.text.size(), '\0');
    }
  }
  for (std::size_t at = placed.size(); at-- > 0;) {
    if (marks[at] == '\0') continue;
    if (placed[at] != '0' || marks[at] == '0') break;
    placed[at] = marks[at] == '?' ? ' ' : '\x7F';
  }
  std::erase(placed, '\x7F');
  return placed;
}

// Where the parts of a plain section's number are, and its placeholders made plain. Made once per
// section.
struct PlainLayout {
  std::size_t point = 0, exponent = 0, mantissaEnd = 0;
  PlainParts parts;
  int shift = 0;  // the power of ten its percent signs and trailing commas scale by
  int places = 0;
  int integerDigits = 0;
};

PlainLayout LayOutPlain(const std::vector<Token>& tokens) {
  PlainLayout out;
  out.point = out.exponent = tokens.size();
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].kind == Kind::Point && out.point == tokens.size()) out.point = i;
    if (tokens[i].kind == Kind::Exponent) out.exponent = i;
  }
  out.mantissaEnd = std::min(out.exponent, tokens.size());
  const std::vector<Token> integer(
      tokens.begin(),
      tokens.begin() + static_cast<std::ptrdiff_t>(std::min(out.point, out.mantissaEnd)));
  std::vector<Token> decimals;
  if (out.point < out.mantissaEnd) {
    decimals.assign(tokens.begin() + static_cast<std::ptrdiff_t>(out.point) + 1,
                    tokens.begin() + static_cast<std::ptrdiff_t>(out.mantissaEnd));
  }
  out.parts = Scale(integer, decimals, out.shift);
  for (const auto& t : out.parts.decimals) out.places += t.kind == Kind::Digit;
  for (const auto& t : out.parts.integer) out.integerDigits += t.kind == Kind::Digit;
  return out;
}

// Fixed's digits of a non-negative `v` found without spelling out its decimal digits, when `v`
// is a whole number of the last places shown (a price, a count) below 10^15: its 15 significant
// digits are then exactly that number, and there is nothing to round. False otherwise.
bool FixedWhole(double v, int places, std::string& whole, std::string& fraction) {
  static constexpr double kPowers[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};
  if (places >= static_cast<int>(std::size(kPowers))) return false;
  const double scaled = v * kPowers[places];
  if (!(scaled < 1e15) || scaled != std::floor(scaled)) return false;
  const auto units = static_cast<long long>(scaled);
  const auto unit = static_cast<long long>(kPowers[places]);
  whole.clear();
  if (units / unit != 0) AppendPadded(whole, units / unit, 1);
  fraction.clear();
  if (places > 0) AppendPadded(fraction, units % unit, places);
  return true;
}

std::string FormatPlain(double v, const std::vector<Token>& tokens, const PlainLayout& layout) {
  std::string whole, fraction, exponentText;
  const bool scientific = layout.exponent < tokens.size();
  if (layout.shift != 0 || scientific || !FixedWhole(v, layout.places, whole, fraction)) {
    Decimal number = ToDecimal(v);
    number.exponent += layout.shift;
    std::tie(whole, fraction) = Fixed(number, layout.places);
    if (scientific) {
      exponentText = Scientific(number, layout.integerDigits, layout.places, tokens,
                                layout.exponent, whole, fraction);
    }
  }
  std::string out = PlaceInteger(whole, layout.parts.integer, layout.parts.thousands);
  if (layout.point < layout.mantissaEnd)
    out += "." + PlaceDecimals(layout.parts.decimals, fraction);
  return out + exponentText;
}

std::string FormatFraction(double v, const std::vector<Token>& tokens) {
  std::size_t slash = 0;
  while (tokens[slash].kind != Kind::Slash) ++slash;
  // Placeholders before the numerator, if a blank literal separates them, are the whole part.
  std::size_t numeratorStart = slash;
  while (numeratorStart > 0 && tokens[numeratorStart - 1].kind == Kind::Digit) --numeratorStart;
  bool hasWhole = false;
  for (std::size_t i = 0; i < numeratorStart; ++i)
    hasWhole = hasWhole || tokens[i].kind == Kind::Digit;
  std::string denominatorText;
  int denominatorDigits = 0;
  for (std::size_t i = slash + 1; i < tokens.size() && (tokens[i].kind == Kind::Digit); ++i) {
    denominatorText += tokens[i].text;
    ++denominatorDigits;
  }
  std::size_t fixedEnd = slash + 1;
  std::string fixed;
  while (fixedEnd < tokens.size() && tokens[fixedEnd].kind == Kind::Literal &&
         std::isdigit(static_cast<unsigned char>(tokens[fixedEnd].text[0]))) {
    fixed += tokens[fixedEnd].text;
    ++fixedEnd;
  }
  double whole = hasWhole ? std::floor(v) : 0;
  const double rest = v - whole;
  long long bestNum = 0, bestDen = 1;
  // A fixed denominator too large to hold, or zero, shows as if it were placeholders.
  long long fixedDen = 0;
  std::from_chars(fixed.data(), fixed.data() + fixed.size(), fixedDen);
  if (fixedDen > 0) {
    bestDen = fixedDen;
    bestNum = std::llround(rest * static_cast<double>(bestDen));
  } else {
    // Denominators are looked for up to five digits; more placeholders only widen the column.
    const long long maxDen =
        static_cast<long long>(
            std::pow(10.0, std::clamp(denominatorDigits, 1, kLargestDenominatorDigits))) -
        1;
    double bestError = 2;
    for (long long d = 1; d <= maxDen; ++d) {
      const long long n = std::llround(rest * static_cast<double>(d));
      const double error = std::fabs(rest - static_cast<double>(n) / static_cast<double>(d));
      if (error < bestError - 1e-12) {
        bestError = error;
        bestNum = n;
        bestDen = d;
      }
    }
  }
  if (bestNum == bestDen && hasWhole) {
    whole += 1;
    bestNum = 0;
  }
  std::string out;
  if (hasWhole) {
    std::vector<Token> wholeTokens(tokens.begin(),
                                   tokens.begin() + static_cast<std::ptrdiff_t>(numeratorStart));
    out += PlaceInteger(WholeDigits(whole), wholeTokens, false);
  }
  // Placeholders the digits leave empty: "?" keeps the column with a blank, "0" shows a zero.
  const auto padding = [&tokens](std::size_t from, std::size_t count) {
    std::string pad;
    for (std::size_t i = from; i < from + count; ++i)
      pad += tokens[i].text == "?" ? " " : tokens[i].text == "0" ? "0" : "";
    return pad;
  };
  const std::size_t numeratorDigits = slash - numeratorStart;
  const std::size_t denominatorWidth =
      fixedDen > 0 ? fixed.size() : static_cast<std::size_t>(denominatorDigits);
  if (bestNum == 0 && hasWhole) {
    if (out.find_first_of("0123456789") == std::string::npos) out.insert(0, "0");
    return out + std::string(numeratorDigits + 1 + denominatorWidth, ' ');
  }
  std::string numerator = std::to_string(bestNum);
  if (numerator.size() < numeratorDigits)
    numerator = padding(numeratorStart, numeratorDigits - numerator.size()) + numerator;
  std::string denominator = fixedDen > 0 ? fixed : std::to_string(bestDen);
  if (denominator.size() < denominatorWidth)
    denominator += padding(slash + 1 + denominator.size(), denominatorWidth - denominator.size());
  return out + numerator + "/" + denominator;
}

std::string FormatSection(double v, const std::vector<Token>& tokens, const PlainLayout& plain) {
  for (const auto& t : tokens) {
    if (t.kind == Kind::General) {
      std::string out;
      for (const auto& u : tokens)
        out += u.kind == Kind::General ? NumberAsText(v) : (u.kind == Kind::Literal ? u.text : "");
      return out;
    }
  }
  bool digits = false, slash = false;
  for (const auto& t : tokens) {
    digits = digits || t.kind == Kind::Digit;
    slash = slash || t.kind == Kind::Slash;
  }
  if (slash && digits) return FormatFraction(v, tokens);
  if (!digits) {
    std::string out;
    for (const auto& t : tokens) {
      if (t.kind == Kind::Percent)
        out += "%";
      else if (t.kind != Kind::At)
        out += t.text;
    }
    return out;
  }
  return FormatPlain(v, tokens, plain);
}

}  // namespace

std::string BuiltInFormatCode(int id) {
  switch (id) {
    case 0:
      return "General";
    case 1:
      return "0";
    case 2:
      return "0.00";
    case 3:
      return "#,##0";
    case 4:
      return "#,##0.00";
    case 5:
      return "\"$\"#,##0_);\\(\"$\"#,##0\\)";
    case 6:
      return "\"$\"#,##0_);[Red]\\(\"$\"#,##0\\)";
    case 7:
      return "\"$\"#,##0.00_);\\(\"$\"#,##0.00\\)";
    case 8:
      return "\"$\"#,##0.00_);[Red]\\(\"$\"#,##0.00\\)";
    case 9:
      return "0%";
    case 10:
      return "0.00%";
    case 11:
      return "0.00E+00";
    case 12:
      return "# ?/?";
    case 13:
      return "# ?"
             "?/??";
    case 14:
      return "m/d/yyyy";
    case 15:
      return "d-mmm-yy";
    case 16:
      return "d-mmm";
    case 17:
      return "mmm-yy";
    case 18:
      return "h:mm AM/PM";
    case 19:
      return "h:mm:ss AM/PM";
    case 20:
      return "h:mm";
    case 21:
      return "h:mm:ss";
    case 22:
      return "m/d/yyyy h:mm";
    case 37:
      return "#,##0_);(#,##0)";
    case 38:
      return "#,##0_);[Red](#,##0)";
    case 39:
      return "#,##0.00_);(#,##0.00)";
    case 40:
      return "#,##0.00_);[Red](#,##0.00)";
    case 41:
      return "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)";
    case 42:
      return "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)";
    case 43:
      return "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)";
    case 44:
      return "_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"??_);_(@_)";
    case 45:
      return "mm:ss";
    case 46:
      return "[h]:mm:ss";
    case 47:
      return "mm:ss.0";
    case 48:
      return "##0.0E+0";
    case 49:
      return "@";
    default:
      return "";
  }
}

int BuiltInFormatId(std::string_view code) {
  for (int id = 0; id <= 49; ++id) {
    if (BuiltInFormatCode(id) == code) return id;
  }
  return -1;
}

bool IsDateFormat(std::string_view code) { return IsDateSection(Tokenize(Sections(code).front())); }

namespace {

// A section's condition, such as [<=9999999] or [>=1000].
struct Condition {
  enum class Op { None, Less, LessEqual, Greater, GreaterEqual, Equal, NotEqual };
  Op op = Op::None;
  double limit = 0;

  bool Holds(double v) const {
    switch (op) {
      case Op::None:
        return true;
      case Op::Less:
        return v < limit;
      case Op::LessEqual:
        return v <= limit;
      case Op::Greater:
        return v > limit;
      case Op::GreaterEqual:
        return v >= limit;
      case Op::Equal:
        return v == limit;
      case Op::NotEqual:
        return v != limit;
    }
    return true;
  }
  // [<0] and [<=0] pick the negative numbers, which then show without their minus sign.
  bool PicksNegatives() const { return (op == Op::Less || op == Op::LessEqual) && limit == 0; }
};

Condition ReadCondition(const std::vector<Token>& tokens) {
  const auto it = std::find_if(tokens.begin(), tokens.end(),
                               [](const Token& t) { return t.kind == Kind::Condition; });
  if (it == tokens.end()) return {};
  static constexpr std::pair<std::string_view, Condition::Op> kOps[] = {
      {"<=", Condition::Op::LessEqual}, {">=", Condition::Op::GreaterEqual},
      {"<>", Condition::Op::NotEqual},  {"<", Condition::Op::Less},
      {">", Condition::Op::Greater},    {"=", Condition::Op::Equal}};
  const std::string_view inside = it->text;
  for (const auto& [text, op] : kOps) {
    if (inside.substr(0, text.size()) != text) continue;
    const std::string_view number = inside.substr(text.size());
    double limit = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), limit,
                                              std::chars_format::general);
    if (error == std::errc() && end == number.data() + number.size()) return {op, limit};
    return {};
  }
  return {};
}

struct Section {
  std::vector<Token> tokens;
  Condition condition;
  bool date = false;
  DateLayout dateLayout;  // of a date section
  PlainLayout plain;      // of any other
};

// A format code read once: the sections for numbers and the section for text, if any.
struct Code {
  std::vector<Section> numbers;  // empty when the code has only a text section ("@")
  std::optional<Section> text;
  bool conditional = false;
};

Section ReadSection(std::string_view text) {
  // [$-F800] asks for the system's long date, whatever the code around it says.
  const bool longDate = ToLowerAscii(text).find("[$-f800]") != std::string::npos;
  std::vector<Token> tokens = Tokenize(longDate ? "dddd, mmmm d, yyyy" : text);
  const Condition condition = ReadCondition(tokens);
  // The condition chooses the section; it is not shown.
  std::erase_if(tokens, [](const Token& t) { return t.kind == Kind::Condition; });
  Section out;
  out.tokens = std::move(tokens);
  out.condition = condition;
  out.date = IsDateSection(out.tokens);
  if (out.date)
    out.dateLayout = LayOutDate(out.tokens);
  else
    out.plain = LayOutPlain(out.tokens);
  return out;
}

bool HasAt(const std::vector<Token>& tokens) {
  return std::any_of(tokens.begin(), tokens.end(),
                     [](const Token& t) { return t.kind == Kind::At; });
}

// The fourth section is for text; with fewer, a last section holding "@" is the text section and
// the numbers use the others (so a number under "@" alone shows as under General).
Code ReadCode(std::string_view code) {
  Code out;
  for (const auto section : Sections(code)) out.numbers.push_back(ReadSection(section));
  if (out.numbers.size() >= 4 || HasAt(out.numbers.back().tokens)) {
    out.text = std::move(out.numbers.back());
    out.numbers.resize(std::min<std::size_t>(out.numbers.size() - 1, 3));
  }
  for (const auto& s : out.numbers)
    out.conditional = out.conditional || s.condition.op != Condition::Op::None;
  return out;
}

// A code's sections, read once: a sheet shows thousands of cells under a handful of codes. The
// codes kept are few enough that a file of endless distinct codes cannot fill the memory: past
// kCachedCodes they are read afresh. The code given stays valid until the next call.
const Code& Compiled(std::string_view code) {
  thread_local std::map<std::string, Code, std::less<>> cache;
  const auto it = cache.find(code);
  if (it != cache.end()) return it->second;
  if (cache.size() >= kCachedCodes) cache.clear();
  return cache.emplace(std::string(code), ReadCode(code)).first->second;
}

// The section that shows `value`, and whether its minus sign shows. Without conditions the sign
// chooses: positive; negative (shown without the sign); zero. With conditions the first section
// whose condition holds shows it (a second section without one takes the rest), the third takes
// what neither takes, and only the first section shows a minus sign, unless its condition picks
// the negative numbers.
std::pair<const Section*, bool> Choose(const Code& code, double value) {
  const auto& s = code.numbers;
  if (!code.conditional) {
    if (value < 0 && s.size() >= 2) return {&s[1], false};
    if (value == 0 && s.size() >= 3) return {&s[2], false};
    return {&s[0], value < 0};
  }
  if (s[0].condition.Holds(value)) return {&s[0], value < 0 && !s[0].condition.PicksNegatives()};
  if (s.size() >= 2 && s[1].condition.Holds(value)) return {&s[1], false};
  if (s.size() >= 3) return {&s[2], false};
  return {nullptr, false};
}

}  // namespace

std::string FormatNumber(double value, std::string_view code) {
  if (code.empty() || EqualsIgnoreCaseAscii(code, "General")) return NumberAsText(value);
  const Code& compiled = Compiled(code);
  if (compiled.numbers.empty()) return NumberAsText(value);
  const auto [section, showMinus] = Choose(compiled, value);
  // A value that no section takes shows as under General, without its sign.
  if (!section) return NumberAsText(std::fabs(value));
  const std::vector<Token>& tokens = section->tokens;
  if (section->date) return FormatDate(value, section->dateLayout);
  std::string body = FormatSection(std::fabs(value), tokens, section->plain);
  // A value that rounds to zero shows no minus sign.
  const bool allZero = body.find_first_of("123456789") == std::string::npos;
  return showMinus && !allZero ? "-" + body : body;
}

std::string FormatText(std::string_view text, std::string_view code) {
  if (code.empty() || EqualsIgnoreCaseAscii(code, "General")) return std::string(text);
  const Code& compiled = Compiled(code);
  if (!compiled.text) return std::string(text);
  std::string out;
  for (const auto& t : compiled.text->tokens) {
    if (t.kind == Kind::At)
      out += text;
    else if (t.kind == Kind::Literal)
      out += t.text;
  }
  return out;
}

}  // namespace qv::host
