// The criteria language of the recordset filter:
//
//   criteria  := operand { ( AND | OR ) operand }      evaluated left to right, no precedence
//   operand   := clause | "(" criteria ")"             a group that holds an OR cannot be joined by
//   AND clause    := field operator value field     := name | "[" any text but "]" "]"        name:
//   letters, digits and "_" operator  := "<" | ">" | "<=" | ">=" | "<>" | "=" | LIKE value     :=
//   string | date | number string    := "'" { any character, "''" for one quote } "'" date      :=
//   "#" month/day/year [ time ] "#" number    := [ "+" | "-" ] [ "$" ] digits [ "." digits ] [ (
//   "e" | "E" ) [ "+" | "-" ] digits ]
//
// AND, OR and LIKE in any letter case. A LIKE pattern is a string whose wildcards, "*" or "%",
// stand only at its end or at both ends. Text is compared without regard to letter case, numbers
// as numbers and dates as dates; a null field matches no comparison.

#include "send/filter_criteria.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "values/convert.h"
#include "values/text.h"

namespace qv::send {

FilterError::FilterError(std::string reason, std::string near)
    : AddinError(error::kFilterSyntax,
                 reason + (near.empty() ? " at the end of the formula" : " at \"" + near + "\"")),
      reason_(std::move(reason)),
      near_(std::move(near)) {}

namespace {

enum class Op { Less, Greater, LessEqual, GreaterEqual, NotEqual, Equal, Like };
enum class Conj { And, Or };

struct Literal {
  enum Kind { String, Number, Date } kind = String;
  std::string text;
  double number = 0;
  DateTime date;
};

std::string Near(std::string_view text, std::size_t at) {
  std::string rest(text.substr(std::min(at, text.size())));
  return Utf8Length(rest) > 30 ? Utf8Left(rest, 30) + "..." : rest;
}

int CompareIgnoreCase(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int x = std::tolower(static_cast<unsigned char>(a[i]));
    const int y = std::tolower(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool Holds(int compared, Op op) {
  switch (op) {
    case Op::Less:
      return compared < 0;
    case Op::Greater:
      return compared > 0;
    case Op::LessEqual:
      return compared <= 0;
    case Op::GreaterEqual:
      return compared >= 0;
    case Op::NotEqual:
      return compared != 0;
    default:
      return compared == 0;
  }
}

template <typename T>
int Compare3(const T& a, const T& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

struct FilterCriteria::Node {
  // A clause...
  std::string field;
  std::string fieldText;  // where the field stands in the text, for messages
  Op op = Op::Equal;
  Literal value;
  std::size_t index = 0;
  FieldType type = FieldType::VarChar;
  enum LikeKind { Exact, Prefix, Contains } like = Exact;
  std::string pattern;
  // ...or a group.
  bool group = false;
  std::vector<Node> items;
  std::vector<Conj> conj;

  bool HasOr() const { return std::find(conj.begin(), conj.end(), Conj::Or) != conj.end(); }

  bool Eval(const std::vector<std::optional<FieldValue>>& record) const {
    if (group) {
      bool result = items[0].Eval(record);
      for (std::size_t i = 1; i < items.size(); ++i) {
        result = conj[i - 1] == Conj::And ? (result && items[i].Eval(record))
                                          : (result || items[i].Eval(record));
      }
      return result;
    }
    const auto& cell = record[index];
    if (!cell) return false;
    switch (type) {
      case FieldType::VarChar: {
        const std::string& text = std::get<std::string>(*cell);
        if (op == Op::Like) {
          if (like == Exact) return CompareIgnoreCase(text, pattern) == 0;
          if (like == Prefix)
            return text.size() >= pattern.size() &&
                   CompareIgnoreCase(text.substr(0, pattern.size()), pattern) == 0;
          return ToLowerAscii(text).find(pattern) != std::string::npos;
        }
        return Holds(CompareIgnoreCase(text, value.text), op);
      }
      case FieldType::Double:
        return Holds(Compare3(std::get<double>(*cell), value.number), op);
      case FieldType::TimeStamp:
        return Holds(Compare3(std::get<DateTime>(*cell), value.date), op);
    }
    return false;
  }
};

namespace {

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {}

  FilterCriteria::Node Criteria(int depth) {
    if (depth > 64) Fail("too many parentheses");
    FilterCriteria::Node node;
    node.group = true;
    node.items.push_back(Operand(depth));
    for (;;) {
      Skip();
      const std::size_t at = i_;
      if (Keyword("AND")) {
        node.conj.push_back(Conj::And);
      } else if (Keyword("OR")) {
        node.conj.push_back(Conj::Or);
      } else {
        break;
      }
      node.items.push_back(Operand(depth));
      // A parenthesised OR group may not stand beside an AND.
      if (node.conj.back() == Conj::And) {
        const auto& left = node.items[node.items.size() - 2];
        const auto& right = node.items.back();
        if ((left.group && left.HasOr()) || (right.group && right.HasOr())) {
          i_ = at;
          Fail("a group of conditions joined by OR cannot be joined to another condition by AND");
        }
      }
    }
    return node;
  }

  void End() {
    Skip();
    if (i_ < s_.size()) Fail(s_[i_] == ')' ? "a \")\" closes no \"(\"" : "AND or OR was expected");
  }

 private:
  [[noreturn]] void Fail(const std::string& reason) { throw FilterError(reason, Near(s_, i_)); }

  void Skip() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r' || s_[i_] == '\n'))
      ++i_;
  }

  static bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

  bool Keyword(const char* word) {
    const std::size_t n = std::char_traits<char>::length(word);
    if (i_ + n > s_.size() || !EqualsIgnoreCaseAscii(s_.substr(i_, n), word)) return false;
    if (i_ + n < s_.size() && IsNameChar(s_[i_ + n])) return false;
    i_ += n;
    return true;
  }

  FilterCriteria::Node Operand(int depth) {
    Skip();
    if (i_ >= s_.size()) Fail("a condition was expected");
    if (s_[i_] == '(') {
      ++i_;
      FilterCriteria::Node inner = Criteria(depth + 1);
      Skip();
      if (i_ >= s_.size() || s_[i_] != ')') Fail("a \")\" was expected");
      ++i_;
      return inner;
    }
    return Clause();
  }

  FilterCriteria::Node Clause() {
    FilterCriteria::Node node;
    const std::size_t fieldAt = i_;
    if (s_[i_] == '[') {
      const auto close = s_.find(']', i_ + 1);
      if (close == std::string_view::npos) Fail("a field name in [ ] has no \"]\"");
      node.field = std::string(s_.substr(i_ + 1, close - i_ - 1));
      i_ = close + 1;
    } else {
      while (i_ < s_.size() && IsNameChar(s_[i_])) ++i_;
      node.field = std::string(s_.substr(fieldAt, i_ - fieldAt));
      if (node.field.empty()) Fail("a field name was expected");
      if (EqualsIgnoreCaseAscii(node.field, "AND") || EqualsIgnoreCaseAscii(node.field, "OR") ||
          EqualsIgnoreCaseAscii(node.field, "LIKE")) {
        i_ = fieldAt;
        Fail("a field name was expected");
      }
    }
    node.fieldText = std::string(s_.substr(fieldAt, i_ - fieldAt));
    Skip();
    if (s_.substr(i_, 2) == "<=")
      node.op = Op::LessEqual, i_ += 2;
    else if (s_.substr(i_, 2) == ">=")
      node.op = Op::GreaterEqual, i_ += 2;
    else if (s_.substr(i_, 2) == "<>")
      node.op = Op::NotEqual, i_ += 2;
    else if (s_.substr(i_, 1) == "<")
      node.op = Op::Less, i_ += 1;
    else if (s_.substr(i_, 1) == ">")
      node.op = Op::Greater, i_ += 1;
    else if (s_.substr(i_, 1) == "=")
      node.op = Op::Equal, i_ += 1;
    else if (Keyword("LIKE"))
      node.op = Op::Like;
    else
      Fail("an operator (<, >, <=, >=, <>, = or LIKE) was expected after " + node.fieldText);
    Skip();
    const std::size_t valueAt = i_;
    node.value = Value();
    if (node.op == Op::Like) {
      if (node.value.kind != Literal::String) {
        i_ = valueAt;
        Fail("LIKE takes a text in single quotes");
      }
      Pattern(node);
    }
    return node;
  }

  Literal Value() {
    if (i_ >= s_.size()) Fail("a value was expected");
    Literal v;
    const std::size_t at = i_;
    if (s_[i_] == '\'') {
      v.kind = Literal::String;
      for (++i_;; ++i_) {
        if (i_ >= s_.size()) {
          i_ = at;
          Fail("a text in single quotes has no closing quote");
        }
        if (s_[i_] == '\'') {
          if (i_ + 1 < s_.size() && s_[i_ + 1] == '\'') {
            v.text += '\'';
            ++i_;
            continue;
          }
          ++i_;
          break;
        }
        v.text += s_[i_];
      }
      return v;
    }
    if (s_[i_] == '#') {
      const auto close = s_.find('#', i_ + 1);
      if (close == std::string_view::npos) Fail("a date in # # has no closing \"#\"");
      const auto date = ParseDateTime(s_.substr(i_ + 1, close - i_ - 1));
      if (!date) Fail("this is not a date (MM/DD/YYYY)");
      v.kind = Literal::Date;
      v.date = *date;
      i_ = close + 1;
      return v;
    }
    std::string digits;
    if (s_[i_] == '+' || s_[i_] == '-') digits += s_[i_++];
    if (i_ < s_.size() && s_[i_] == '$') ++i_;
    const std::size_t numberAt = i_;
    while (i_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[i_])) || s_[i_] == '.'))
      ++i_;
    if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
      std::size_t j = i_ + 1;
      if (j < s_.size() && (s_[j] == '+' || s_[j] == '-')) ++j;
      if (j < s_.size() && std::isdigit(static_cast<unsigned char>(s_[j]))) {
        i_ = j;
        while (i_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[i_]))) ++i_;
      }
    }
    digits += std::string(s_.substr(numberAt, i_ - numberAt));
    const bool wordFollows = i_ < s_.size() && IsNameChar(s_[i_]);
    if (i_ == numberAt || wordFollows ||
        !IsNumericText(std::string(digits.substr(0, digits.find_first_of("eE"))))) {
      i_ = at;
      Fail("a value (a text in single quotes, a date in # #, or a number) was expected");
    }
    v.kind = Literal::Number;
    v.number = std::strtod(digits.c_str(), nullptr);
    return v;
  }

  void Pattern(FilterCriteria::Node& node) {
    std::string p = node.value.text;
    const auto wild = [](char c) { return c == '*' || c == '%'; };
    const bool end = !p.empty() && wild(p.back());
    if (end) p.pop_back();
    const bool start = end && !p.empty() && wild(p.front());
    if (start) p.erase(0, 1);
    if (std::any_of(p.begin(), p.end(), wild)) {
      throw FilterError(
          "in a LIKE pattern the wildcards * and % may stand only at the end, or at both ends",
          Near(s_, i_ > 0 ? s_.rfind('\'', i_ - 2) : 0));
    }
    node.like = start ? FilterCriteria::Node::Contains
                      : (end ? FilterCriteria::Node::Prefix : FilterCriteria::Node::Exact);
    node.pattern = start ? ToLowerAscii(p) : p;
  }

  std::string_view s_;
  std::size_t i_ = 0;
};

void BindNode(FilterCriteria::Node& node, const std::vector<FieldInfo>& fields) {
  if (node.group) {
    for (auto& item : node.items) BindNode(item, fields);
    return;
  }
  const auto it = std::find_if(fields.begin(), fields.end(), [&](const FieldInfo& f) {
    return EqualsIgnoreCaseAscii(f.name, node.field);
  });
  if (it == fields.end())
    throw FilterError("there is no field named " + node.field, node.fieldText);
  node.index = static_cast<std::size_t>(it - fields.begin());
  node.type = it->type;
  Literal& v = node.value;
  if (node.op == Op::Like) {
    if (node.type != FieldType::VarChar) {
      throw FilterError("LIKE compares text, but " + node.field + " holds " +
                            (node.type == FieldType::Double ? "numbers" : "dates"),
                        node.fieldText);
    }
    return;
  }
  switch (node.type) {
    case FieldType::VarChar:
      if (v.kind != Literal::String) {
        throw FilterError(node.field + " holds text: compare it with a text in single quotes",
                          node.fieldText);
      }
      break;
    case FieldType::Double:
      if (v.kind == Literal::String && IsNumericText(v.text)) {
        v.number = NumericValue(v.text);
      } else if (v.kind != Literal::Number) {
        throw FilterError(node.field + " holds numbers: compare it with a number", node.fieldText);
      }
      break;
    case FieldType::TimeStamp:
      if (v.kind == Literal::String) {
        const auto date = ParseDateTime(v.text);
        if (!date) {
          throw FilterError(
              node.field + " holds dates: '" + v.text + "' is not a date (MM/DD/YYYY)",
              node.fieldText);
        }
        v.date = *date;
      } else if (v.kind != Literal::Date) {
        throw FilterError(node.field + " holds dates: compare it with a date such as '12/28/2009'",
                          node.fieldText);
      }
      break;
  }
}

}  // namespace

FilterCriteria::FilterCriteria() = default;
FilterCriteria::FilterCriteria(FilterCriteria&&) noexcept = default;
FilterCriteria& FilterCriteria::operator=(FilterCriteria&&) noexcept = default;
FilterCriteria::~FilterCriteria() = default;

FilterCriteria FilterCriteria::Parse(std::string_view text) {
  Parser parser(text);
  FilterCriteria criteria;
  criteria.root_ = std::make_unique<Node>(parser.Criteria(0));
  parser.End();
  return criteria;
}

void FilterCriteria::Bind(const std::vector<FieldInfo>& fields) { BindNode(*root_, fields); }

bool FilterCriteria::Matches(const std::vector<std::optional<FieldValue>>& record) const {
  return root_->Eval(record);
}

}  // namespace qv::send
