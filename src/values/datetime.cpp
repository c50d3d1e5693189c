#include "values/datetime.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

#include "values/text.h"

namespace qv {
namespace {

constexpr std::int64_t kDay = 86400;

// Days from 1970-01-01 to a civil date (proleptic Gregorian), after H. Hinnant's algorithm.
constexpr std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + static_cast<unsigned>(d) - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

constexpr std::int64_t kEpochDays = DaysFromCivil(1899, 12, 30);

constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

constexpr std::array<const char*, 12> kMonths = {"January",   "February", "March",    "April",
                                                 "May",       "June",     "July",     "August",
                                                 "September", "October",  "November", "December"};
constexpr std::array<const char*, 7> kDays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                              "Thursday", "Friday", "Saturday"};

// ---- reading ----

struct Token {
  enum Kind { Number, Word, Sep } kind;
  std::string text;
  int digits = 0;
};

std::optional<std::vector<Token>> Tokenize(std::string_view s) {
  std::vector<Token> out;
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == ' ' || c == ',') {
      ++i;
      if (!out.empty() && out.back().kind != Token::Sep) out.push_back({Token::Sep, " "});
    } else if (std::isdigit(c)) {
      std::size_t j = i;
      while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
      if (j - i > 4) return std::nullopt;
      out.push_back({Token::Number, std::string(s.substr(i, j - i)), static_cast<int>(j - i)});
      i = j;
    } else if (std::isalpha(c)) {
      std::size_t j = i;
      while (j < s.size() && std::isalpha(static_cast<unsigned char>(s[j]))) ++j;
      out.push_back({Token::Word, ToLowerAscii(s.substr(i, j - i))});
      i = j;
    } else if (c == '/' || c == '-' || c == ':' || c == '.') {
      if (!out.empty() && out.back().kind == Token::Sep && out.back().text == " ") out.pop_back();
      out.push_back({Token::Sep, std::string(1, static_cast<char>(c))});
      ++i;
      while (i < s.size() && s[i] == ' ') ++i;
    } else {
      return std::nullopt;
    }
  }
  if (!out.empty() && out.back().kind == Token::Sep && out.back().text == " ") out.pop_back();
  return out;
}

int MonthFromWord(const std::string& w) {
  for (int m = 1; m <= 12; ++m) {
    const std::string full = ToLowerAscii(kMonths[m - 1]);
    if (w == full || w == full.substr(0, 3) || (m == 9 && w == "sept")) return m;
  }
  return 0;
}

int YearFromToken(const Token& t) {
  const int y = std::stoi(t.text);
  if (t.digits <= 2) return y < 30 ? 2000 + y : 1900 + y;
  return y;
}

struct Cursor {
  const std::vector<Token>& t;
  std::size_t i = 0;
  bool AtEnd() const { return i >= t.size(); }
  const Token* Peek(std::size_t ahead = 0) const {
    return i + ahead < t.size() ? &t[i + ahead] : nullptr;
  }
  bool TakeSep(const char* any) {
    const Token* p = Peek();
    if (p && p->kind == Token::Sep &&
        std::string_view(any).find(p->text[0]) != std::string_view::npos) {
      ++i;
      return true;
    }
    return false;
  }
};

// Date part: M/D/Y, Month/D/Y, D Month Y, Month D Y; "/", "-" or blanks between.
bool ReadDate(Cursor& c, int& y, int& m, int& d) {
  const std::size_t start = c.i;
  std::vector<const Token*> parts;
  for (int k = 0; k < 3; ++k) {
    const Token* p = c.Peek();
    if (!p || p->kind == Token::Sep) break;
    // A number followed by ':' begins the time.
    if (p->kind == Token::Number && c.Peek(1) && c.Peek(1)->text == ":") break;
    if (p->kind == Token::Word && MonthFromWord(p->text) == 0) break;
    parts.push_back(p);
    ++c.i;
    if (k < 2) {
      const std::size_t before = c.i;
      if (!c.TakeSep("/- ")) break;
      const Token* n = c.Peek();
      if (!n || n->kind == Token::Sep ||
          (n->kind == Token::Number && c.Peek(1) && c.Peek(1)->text == ":") ||
          (n->kind == Token::Word && MonthFromWord(n->text) == 0)) {
        c.i = before;
        break;
      }
    }
  }
  if (parts.size() != 3) {
    c.i = start;
    return false;
  }
  int words = 0;
  for (const Token* p : parts) words += p->kind == Token::Word;
  if (words > 1 || parts[2]->kind == Token::Word) {
    c.i = start;
    return false;
  }
  if (parts[0]->kind == Token::Word) {
    m = MonthFromWord(parts[0]->text);
    d = std::stoi(parts[1]->text);
    if (parts[1]->digits > 2) return false;
  } else if (parts[1]->kind == Token::Word) {
    d = std::stoi(parts[0]->text);
    m = MonthFromWord(parts[1]->text);
    if (parts[0]->digits > 2) return false;
  } else {
    if (parts[0]->digits > 2 || parts[1]->digits > 2) return false;
    m = std::stoi(parts[0]->text);
    d = std::stoi(parts[1]->text);
  }
  y = YearFromToken(*parts[2]);
  return true;
}

bool ReadTime(Cursor& c, int& h, int& mi, int& s, bool& seconds, bool& twelveHour) {
  const Token* hp = c.Peek();
  if (!hp || hp->kind != Token::Number || hp->digits > 2) return false;
  ++c.i;
  if (!c.TakeSep(":")) return false;
  const Token* mp = c.Peek();
  if (!mp || mp->kind != Token::Number || mp->digits > 2) return false;
  ++c.i;
  h = std::stoi(hp->text);
  mi = std::stoi(mp->text);
  s = 0;
  seconds = c.TakeSep(":");
  if (seconds) {
    const Token* sp = c.Peek();
    if (!sp || sp->kind != Token::Number || sp->digits > 2) return false;
    ++c.i;
    s = std::stoi(sp->text);
  }
  c.TakeSep(" ");
  const Token* ap = c.Peek();
  if (ap && ap->kind == Token::Word) {
    const bool am = ap->text == "am" || ap->text == "a";
    const bool pm = ap->text == "pm" || ap->text == "p";
    if (!am && !pm) return false;
    if (h < 1 || h > 12) return false;
    twelveHour = true;
    ++c.i;
    if (am && h == 12) h = 0;
    if (pm && h != 12) h += 12;
  }
  return h <= 23 && mi <= 59 && s <= 59;
}

// ---- writing ----

std::string Pad2(int v) {
  char b[8];
  std::snprintf(b, sizeof b, "%02d", v);
  return b;
}

}  // namespace

DateTime DateTime::FromParts(int year, int month, int day, int hour, int minute, int second) {
  const std::int64_t days = DaysFromCivil(year, month, day) - kEpochDays;
  return DateTime(days * kDay + hour * 3600LL + minute * 60LL + second);
}

DateTime DateTime::FromSerial(double serial) {
  return DateTime(static_cast<std::int64_t>(std::llround(serial * kDay)));
}

DateParts DateTime::Parts() const {
  DateParts p;
  const std::int64_t days = FloorDiv(seconds_, kDay);
  std::int64_t rest = seconds_ - days * kDay;
  CivilFromDays(days + kEpochDays, p.year, p.month, p.day);
  p.hour = static_cast<int>(rest / 3600);
  rest %= 3600;
  p.minute = static_cast<int>(rest / 60);
  p.second = static_cast<int>(rest % 60);
  // 12/30/1899 was a Saturday.
  p.weekday = static_cast<int>(((days % 7) + 7 + 6) % 7) + 1;
  return p;
}

double DateTime::Serial() const { return static_cast<double>(seconds_) / kDay; }
bool DateTime::HasTime() const { return seconds_ - FloorDiv(seconds_, kDay) * kDay != 0; }
bool DateTime::HasDate() const { return FloorDiv(seconds_, kDay) != 0; }
DateTime DateTime::AddMinutes(std::int64_t minutes) const {
  return DateTime(seconds_ + minutes * 60);
}
DateTime DateTime::AddSeconds(std::int64_t seconds) const { return DateTime(seconds_ + seconds); }

bool IsValidDate(int year, int month, int day) {
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  static constexpr int kLen[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kLen[month - 1] + (month == 2 && leap);
}

bool IsLeapYear(int year) { return ParseDateTime("2/29/" + std::to_string(year)).has_value(); }

std::optional<DateTimeText> ReadDateTimeText(std::string_view text) {
  const auto tokens = Tokenize(text);
  if (!tokens || tokens->empty()) return std::nullopt;
  Cursor c{*tokens};
  int y = 1899, m = 12, d = 30, h = 0, mi = 0, s = 0;
  DateTimeText out;
  out.hasDate = ReadDate(c, y, m, d);
  if (out.hasDate) c.TakeSep(" ");
  out.hasTime = !c.AtEnd();
  if (out.hasTime && !ReadTime(c, h, mi, s, out.seconds, out.twelveHour)) return std::nullopt;
  if (!c.AtEnd()) return std::nullopt;
  if (out.hasDate && !IsValidDate(y, m, d)) return std::nullopt;
  out.value = DateTime::FromParts(y, m, d, h, mi, s);
  return out;
}

std::optional<DateTime> ParseDateTime(std::string_view text) {
  const auto read = ReadDateTimeText(text);
  if (!read) return std::nullopt;
  return read->value;
}

std::string FormatDateTime(DateTime value, std::string_view pattern) {
  const DateParts p = value.Parts();
  std::string out;
  bool afterHour = false;
  const bool twelve = pattern.find("AM/PM") != std::string_view::npos ||
                      pattern.find("am/pm") != std::string_view::npos;
  const int hour12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
  const int hour = twelve ? hour12 : p.hour;
  std::size_t i = 0;
  auto run = [&](char ch) {
    std::size_t n = 0;
    while (i + n < pattern.size() && (pattern[i + n] | 0x20) == ch) ++n;
    return n;
  };
  while (i < pattern.size()) {
    const char ch = pattern[i];
    if (pattern.substr(i, 5) == "AM/PM" || pattern.substr(i, 5) == "am/pm") {
      const bool upper = ch == 'A';
      out += p.hour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
      i += 5;
      continue;
    }
    const char lower = static_cast<char>(ch | 0x20);
    if (lower == 'd') {
      const std::size_t n = run('d');
      if (n == 1)
        out += std::to_string(p.day);
      else if (n == 2)
        out += Pad2(p.day);
      else if (n == 3)
        out += DayName(p.weekday).substr(0, 3);
      else
        out += DayName(p.weekday);
      i += n;
    } else if (lower == 'm') {
      const std::size_t n = run('m');
      std::size_t k = i + n;
      while (k < pattern.size() && (pattern[k] == ' ' || pattern[k] == ':')) ++k;
      const bool minutes =
          n <= 2 && (afterHour || (k < pattern.size() && (pattern[k] | 0x20) == 's'));
      if (minutes)
        out += n == 1 ? std::to_string(p.minute) : Pad2(p.minute);
      else if (n == 1)
        out += std::to_string(p.month);
      else if (n == 2)
        out += Pad2(p.month);
      else if (n == 3)
        out += MonthAbbreviation(p.month);
      else
        out += MonthName(p.month);
      afterHour = false;
      i += n;
    } else if (lower == 'n') {
      const std::size_t n = run('n');
      out += n == 1 ? std::to_string(p.minute) : Pad2(p.minute);
      afterHour = false;
      i += n;
    } else if (lower == 'y') {
      const std::size_t n = run('y');
      out += n <= 2 ? Pad2(p.year % 100) : std::to_string(p.year);
      i += n;
    } else if (lower == 'h') {
      const std::size_t n = run('h');
      out += n == 1 ? std::to_string(hour) : Pad2(hour);
      afterHour = true;
      i += n;
    } else if (lower == 's') {
      const std::size_t n = run('s');
      out += n == 1 ? std::to_string(p.second) : Pad2(p.second);
      i += n;
    } else {
      out += ch;
      ++i;
    }
  }
  return out;
}

std::string DateTimeAsText(DateTime value) {
  const DateParts p = value.Parts();
  std::string out;
  if (value.HasDate() || !value.HasTime()) {
    out = std::to_string(p.month) + "/" + std::to_string(p.day) + "/" + std::to_string(p.year);
  }
  if (value.HasTime()) {
    if (!out.empty()) out += ' ';
    out += FormatDateTime(value, "h:mm:ss AM/PM");
  }
  return out;
}

std::string MonthName(int month) { return kMonths.at(static_cast<std::size_t>(month - 1)); }
std::string MonthAbbreviation(int month) { return MonthName(month).substr(0, 3); }
std::string DayName(int weekday) { return kDays.at(static_cast<std::size_t>(weekday - 1)); }

std::int64_t MinutesBetween(DateTime from, DateTime to) {
  return FloorDiv(to.Seconds(), 60) - FloorDiv(from.Seconds(), 60);
}

}  // namespace qv
