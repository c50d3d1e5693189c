// Reading an .xlsx workbook: its package, styles, shared strings, and sheets as they are first
// touched.
#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <memory>
#include <type_traits>

#include "host/number_format.h"
#include "host/xlsx_package.h"
#include "host/xlsx_workbook.h"
#include "host/xml_scan.h"
#include "values/convert.h"
#include "values/text.h"

namespace qv::host {

// ---- styles ----

void XlsxPackage::LoadStyles() {
  xfs.clear();
  pugi::xml_node sheet = stylesXml.child("styleSheet");
  std::map<int, std::string> custom;
  for (pugi::xml_node f : sheet.child("numFmts").children("numFmt")) {
    custom[f.attribute("numFmtId").as_int()] = f.attribute("formatCode").as_string();
  }
  std::vector<bool> boldFonts;
  for (pugi::xml_node f : sheet.child("fonts").children("font"))
    boldFonts.push_back(bool(f.child("b")));
  for (pugi::xml_node xf : sheet.child("cellXfs").children("xf")) {
    const int id = xf.attribute("numFmtId").as_int();
    Xf entry;
    entry.code = custom.count(id) ? custom[id] : BuiltInFormatCode(id);
    entry.date = IsDateFormat(entry.code);
    const auto font = static_cast<std::size_t>(xf.attribute("fontId").as_int());
    entry.bold = font < boldFonts.size() && boldFonts[font];
    xfs.push_back(entry);
  }
  if (xfs.empty()) xfs.push_back({"General", false, false});
}

namespace {

// The text of a part, a window at a time: the part is inflated a piece at a time into one buffer
// that is used again and again, so a sheet never stands whole in memory.
class PartWindow {
 public:
  explicit PartWindow(ZipPart& part) : part_(part) {}

  std::string_view Text() const { return {buffer_.get(), size_}; }
  // Where the window's first byte is in the part.
  std::size_t Base() const { return base_; }
  // True once the window reaches the end of the part.
  bool Whole() const { return ended_; }
  // Drops the text before `keep` (an offset into Text()) and inflates more after the rest: at
  // least a piece, and at least as much as is kept, so that an element larger than a piece is
  // read whole after a few rounds.
  void Advance(std::size_t keep) {
    const std::size_t kept = size_ - keep;
    const std::size_t want = kept + std::max(kPiece, kept);
    if (want > capacity_) {
      // A piece more than is wanted now: what is kept varies from round to round by an
      // element's length, and a buffer sized to the byte would be made anew most rounds.
      const std::size_t capacity = want + kPiece;
      auto bigger = std::make_unique_for_overwrite<char[]>(capacity);
      if (kept > 0) std::memcpy(bigger.get(), buffer_.get() + keep, kept);
      buffer_ = std::move(bigger);
      capacity_ = capacity;
    } else if (kept > 0) {
      std::memmove(buffer_.get(), buffer_.get() + keep, kept);
    }
    base_ += keep;
    size_ = kept;
    while (!ended_ && size_ < want) {
      const std::size_t got = part_.Read(buffer_.get() + size_, want - size_);
      ended_ = got == 0;
      size_ += got;
    }
  }
  // Reads the rest of the part, to have it checked, and forgets it.
  void Drain() {
    while (!ended_) Advance(size_);
  }

 private:
  static constexpr std::size_t kPiece = ZipPartAhead::kPiece;
  ZipPartAhead part_;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  std::size_t size_ = 0;
  std::size_t base_ = 0;
  bool ended_ = false;
};

}  // namespace

void ColumnsAhead::Make(std::size_t columns, std::size_t rows) {
  if (told_) throw std::logic_error("the columns of a sheet are made before its rows are read");
  columns_.assign(columns, std::vector<XCell>(rows));
}

void ColumnsAhead::Tell(int rows, bool wake) {
  told_ = true;
  rowsRead_.store(rows, std::memory_order_release);
  if (wake) rowsRead_.notify_all();
}

bool ColumnsAhead::WaitFor(int row) const {
  for (;;) {
    const int read = rowsRead_.load(std::memory_order_acquire);
    if (read == kAllRead) return false;
    if (read > row) return true;
    rowsRead_.wait(read, std::memory_order_acquire);
  }
}

SheetProducer::SheetProducer(const XlsxPackage& package, std::string part)
    : package_(package), part_(std::move(part)) {
  std::unique_ptr<ZipPart> opened;
  try {
    opened = package_.OpenPart(part_);
  } catch (...) {
    failure_ = std::current_exception();
    ahead_.Tell(ColumnsAhead::kAllRead, true);
    return;
  }
  thread_ = std::thread([this, opened = std::move(opened)] {
    try {
      Scan(*opened);
    } catch (...) {
      failure_ = std::current_exception();
    }
    ahead_.Tell(ColumnsAhead::kAllRead, true);
  });
}

SheetProducer::~SheetProducer() {
  stop_ = true;
  Join();
}

void SheetProducer::Join() {
  if (thread_.joinable()) thread_.join();
}

const XCell* SheetProducer::WaitFor(CellRef c) const {
  return ahead_.WaitFor(c.row) ? ahead_.Find(c) : nullptr;
}

SheetProducer::Cells SheetProducer::Finish() {
  Join();
  if (failure_) std::rethrow_exception(failure_);
  Cells cells{ahead_.Take(), std::move(pool_)};
  for (const auto& [at, cell] : later_) PlaceIn(cells.columns, at) = cell;
  later_ = {};
  return cells;
}

void XlsxSheet::StartReading() const {
  if (!loaded_ && !producer_) producer_ = std::make_unique<SheetProducer>(package_, part_);
}

void XlsxSheet::FinishReading() const {
  if (loaded_) return;
  StartReading();
  SheetProducer::Cells cells = producer_->Finish();
  producer_.reset();
  columns_ = std::move(cells.columns);
  pool_ = std::move(cells.pool);
  loaded_ = true;
}

// What the reading of a tag's attributes looks for, as flags: the blanks between attributes, and
// the characters that end a name ("=", or ">" and " " where the "=" is missing).
constexpr unsigned char kBlank = 1, kNameEnd = 2;
constexpr std::array<unsigned char, 256> kCharClass = [] {
  std::array<unsigned char, 256> table{};
  for (const char c : {'\t', '\r', '\n'}) table[static_cast<unsigned char>(c)] = kBlank;
  table[' '] = kBlank | kNameEnd;
  table['='] = table['>'] = kNameEnd;
  return table;
}();

// The sheet's cells are read straight from the text, without a tree and without copying: the
// bulk of a workbook's bytes is here.
class SheetReader {
 public:
  // Reads `window` from `offset` on.
  SheetReader(const PartWindow& window, std::size_t offset, const XmlScanner& errors)
      : begin_(window.Text().data()),
        p_(begin_ + offset),
        end_(begin_ + window.Text().size()),
        base_(window.Base()),
        partial_(!window.Whole()),
        errors_(errors) {}

  struct Attributes {
    std::string_view r, s, t;
    bool empty = false;
  };

  // A failure in a window that does not reach the end of the part may be the window's end: the
  // answer is then false (the element is cut, and read again with more of the part); it fails
  // for good, thrown, only when the part is whole. Every reading below answers false for a cut
  // element, and its caller gives up the element at once.
  [[nodiscard]] bool Fail(const std::string& what) const {
    if (partial_) return false;
    errors_.FailAt(what, base_ + Offset());
  }
  // True when the window ends within `n` bytes while more of the part follows.
  bool NearEnd(std::size_t n) const { return partial_ && static_cast<std::size_t>(end_ - p_) < n; }

  // Moves to the next "<"; false at the end of the text.
  bool NextLt() {
    // The gaps between tags are short: a plain loop beats a library call here.
    while (p_ < end_ && *p_ != '<') ++p_;
    return p_ < end_;
  }
  // The words are literals: their lengths are known here, so the comparisons are a few
  // instructions, not calls.
  template <std::size_t N>
  bool Starts(const char (&word)[N]) const {
    return static_cast<std::size_t>(end_ - p_) >= N - 1 && std::memcmp(p_, word, N - 1) == 0;
  }
  template <std::size_t N>
  bool StartsTag(const char (&name)[N]) const {
    if (!Starts(name)) return false;
    const char* q = p_ + N - 1;
    return q < end_ &&
           (*q == ' ' || *q == '>' || *q == '/' || *q == '\t' || *q == '\r' || *q == '\n');
  }
  // True at the end tag `</name>`.
  template <std::size_t N>
  bool StartsEndTag(const char (&name)[N]) const {
    if (!Starts("</") || static_cast<std::size_t>(end_ - p_) < N + 2) return false;
    const char* q = p_ + N + 1;
    return std::memcmp(p_ + 2, name, N - 1) == 0 &&
           (*q == '>' || *q == ' ' || *q == '\t' || *q == '\r' || *q == '\n');
  }
  void Advance(std::size_t n) { p_ += n; }
  // Reads the attributes of the tag whose name ends at p_, through its ">".
  [[nodiscard]] bool ReadAttributes(Attributes& a) {
    a = {};
    for (;;) {
      while (p_ < end_ && (kCharClass[static_cast<unsigned char>(*p_)] & kBlank)) ++p_;
      if (p_ >= end_) return Fail("ends inside a tag");
      if (*p_ == '>') {
        ++p_;
        return true;
      }
      if (*p_ == '/') {
        if (p_ + 1 >= end_ || p_[1] != '>') return Fail("has a broken tag");
        p_ += 2;
        a.empty = true;
        return true;
      }
      const char* name = p_;
      while (p_ < end_ && !(kCharClass[static_cast<unsigned char>(*p_)] & kNameEnd)) ++p_;
      if (p_ >= end_ || *p_ != '=') return Fail("has an attribute without a value");
      const auto length = p_ - name;
      ++p_;
      if (p_ >= end_ || (*p_ != '"' && *p_ != '\''))
        return Fail("has an attribute value without quotes");
      const char quote = *p_++;
      const char* value = p_;
      // Values are short: a plain loop beats a library call.
      while (p_ < end_ && *p_ != quote) ++p_;
      if (p_ >= end_) return Fail("ends inside an attribute value");
      const std::string_view v(value, static_cast<std::size_t>(p_ - value));
      ++p_;
      // Only r, s and t matter; the rest are passed over.
      if (length != 1) continue;
      if (*name == 'r')
        a.r = v;
      else if (*name == 's')
        a.s = v;
      else if (*name == 't')
        a.t = v;
    }
  }
  // The text up to the next "<".
  [[nodiscard]] bool Text(std::string_view& text) {
    const char* start = p_;
    if (!NextLt()) return Fail("ends in the middle of an element");
    text = {start, static_cast<std::size_t>(p_ - start)};
    return true;
  }
  // Expects the end tag `</name>` here.
  template <std::size_t N>
  [[nodiscard]] bool Close(const char (&name)[N]) {
    if (!Starts("</") || static_cast<std::size_t>(end_ - p_) < N + 1 ||
        std::memcmp(p_ + 2, name, N - 1) != 0) {
      return Fail("does not close <" + std::string(name) + ">");
    }
    const void* gt = std::memchr(p_, '>', static_cast<std::size_t>(end_ - p_));
    if (!gt) return Fail("ends inside a tag");
    p_ = static_cast<const char*>(gt) + 1;
    return true;
  }
  // Skips the comment or the declaration at p_, when there is one (`skipped`).
  [[nodiscard]] bool SkipMarkup(bool& skipped) {
    skipped = true;
    if (Starts("<!--")) {
      const auto close = std::string_view(p_, static_cast<std::size_t>(end_ - p_)).find("-->");
      if (close == std::string_view::npos) return Fail("has a comment that is not closed");
      p_ += close + 3;
      return true;
    }
    skipped = Starts("<?") || Starts("<!");
    if (!skipped) return true;
    const void* gt = std::memchr(p_, '>', static_cast<std::size_t>(end_ - p_));
    if (!gt) return Fail("ends inside a tag");
    p_ = static_cast<const char*>(gt) + 1;
    return true;
  }
  // Skips the tag at p_ (a start or an end tag, a comment, a declaration), not what it holds.
  [[nodiscard]] bool SkipTag() {
    bool skipped = false;
    if (!SkipMarkup(skipped)) return false;
    if (skipped) return true;
    ++p_;
    if (p_ < end_ && *p_ == '/') ++p_;
    while (p_ < end_ && *p_ != '/' &&
           !(kCharClass[static_cast<unsigned char>(*p_)] & (kBlank | kNameEnd))) {
      ++p_;
    }
    Attributes ignored;
    return ReadAttributes(ignored);
  }
  // Skips the element that starts at p_, whatever it holds.
  [[nodiscard]] bool SkipElement() {
    int depth = 0;
    do {
      if (!NextLt()) return Fail("ends in the middle of an element");
      bool skipped = false;
      if (!SkipMarkup(skipped)) return false;
      if (skipped) continue;
      const bool closing = p_ + 1 < end_ && p_[1] == '/';
      const void* gt = std::memchr(p_, '>', static_cast<std::size_t>(end_ - p_));
      if (!gt) return Fail("ends inside a tag");
      const bool empty = static_cast<const char*>(gt)[-1] == '/';
      p_ = static_cast<const char*>(gt) + 1;
      depth += closing ? -1 : (empty ? 0 : 1);
    } while (depth > 0);
    return true;
  }
  std::size_t Offset() const { return static_cast<std::size_t>(p_ - begin_); }

 private:
  const char* begin_;
  const char* p_;
  const char* end_;
  std::size_t base_;
  bool partial_;
  const XmlScanner& errors_;
};

// What a cell element holds besides its attributes.
struct CellContent {
  std::string_view value;  // the <v> text as it stands
  std::string text;        // an inline string, decoded
  bool hasValue = false;
  bool inlineText = false;
};

namespace {

// The runs of a string (an inline string <is>, a shared string <si>) through its end tag `</name>`:
// the <t> of every run, phonetic runs left out.
template <std::size_t N>
[[nodiscard]] bool ReadRuns(SheetReader& in, std::string& text, const char (&name)[N]) {
  SheetReader::Attributes a;
  for (;;) {
    if (!in.NextLt()) return in.Fail("ends inside a string");
    if (in.StartsEndTag(name)) return in.Close(name);
    if (in.StartsTag("<t")) {
      in.Advance(2);
      if (!in.ReadAttributes(a)) return false;
      if (!a.empty) {
        std::string_view run;
        if (!in.Text(run)) return false;
        XmlScanner::AppendDecoded(text, run, true);
        if (!in.Close("t")) return false;
      }
    } else if (in.Starts("</r>")) {
      in.Advance(4);
    } else if (in.StartsTag("<r")) {
      in.Advance(2);
      if (!in.ReadAttributes(a)) return false;
    } else if (!in.SkipElement()) {
      return false;
    }
  }
}

// The elements of a cell that is not empty, through its </c>.
[[nodiscard]] bool ReadCellContent(SheetReader& in, CellContent& content) {
  SheetReader::Attributes a;
  for (;;) {
    if (!in.NextLt()) return in.Fail("ends inside a cell");
    if (in.Starts("</c>")) {
      in.Advance(4);
      return true;
    }
    if (in.StartsTag("<v")) {
      in.Advance(2);
      if (!in.ReadAttributes(a)) return false;
      if (!a.empty && (!in.Text(content.value) || !in.Close("v"))) return false;
      content.hasValue = true;
    } else if (in.StartsTag("<is")) {
      in.Advance(3);
      if (!in.ReadAttributes(a)) return false;
      if (!a.empty && !ReadRuns(in, content.text, "is")) return false;
      content.hasValue = content.inlineText = true;
    } else if (!in.SkipElement()) {
      return false;
    }
  }
}

// A whole number attribute or value; false when the text is not one.
template <typename T>
bool ReadWhole(std::string_view text, T& out) {
  if constexpr (std::is_integral_v<T>) {
    // Sheets are full of short whole numbers (styles, string indexes, rows): up to 9 digits are
    // read here, and fit an int.
    static_assert(sizeof(T) >= sizeof(int));
    if (!text.empty() && text.size() <= 9) {
      T v = 0;
      std::size_t i = 0;
      for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        v = static_cast<T>(v * 10 + static_cast<T>(text[i] - '0'));
      if (i == text.size()) {
        out = v;
        return true;
      }
    }
  }
  const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && p == text.data() + text.size();
}

// A cell's number, as ReadWhole reads it, sooner for the plain decimals sheets are full of: with
// at most 15 digits, the digits and their power of ten are exact doubles, and the one division
// rounds as the full reading does.
bool ReadNumber(std::string_view text, double& out) {
  static constexpr double kPowers[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  constexpr int kMostDigits = 15;
  const char* p = text.data();
  const char* const end = p + text.size();
  const bool negative = p < end && *p == '-';
  if (negative) ++p;
  const char* const start = p;
  std::uint64_t digits = 0;
  int count = 0, places = 0;
  bool point = false;
  for (; p < end && count <= kMostDigits; ++p) {
    if (*p >= '0' && *p <= '9') {
      digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
      ++count;
      places += point;
    } else if (*p == '.' && !point && p > start) {
      point = true;
    } else {
      break;
    }
  }
  if (p != end || count == 0 || count > kMostDigits || (point && places == 0))
    return ReadWhole(text, out);
  const double v = static_cast<double>(digits) / kPowers[places];
  out = negative ? -v : v;
  return true;
}

}  // namespace

// Shared strings are read a window at a time, as sheets are: element by element, each read again
// from its start when the window ends inside it.
void XlsxPackage::LoadSharedStrings(const std::string& part) {
  const auto opened = OpenPart(part);
  const XmlScanner errors(file, part);
  PartWindow window(*opened);
  std::string text;
  SheetReader::Attributes a;
  // The element at `at` is read again, from its start, once the window holds more of the part.
  for (std::size_t at = 0;; window.Advance(at), at = 0) {
    SheetReader in(window, at, errors);
    for (;; at = in.Offset()) {
      if (in.NearEnd(kElementSlack)) break;
      // A part cut short after its last string is read as far as it goes.
      if (!in.NextLt()) {
        if (window.Whole()) return window.Drain();
        break;
      }
      if (in.StartsTag("<si")) {
        in.Advance(3);
        text.clear();
        if (!in.ReadAttributes(a) || (!a.empty && !ReadRuns(in, text, "si"))) break;
        sharedStrings.Add(text);
      } else if (in.StartsEndTag("sst")) {
        return window.Drain();
      } else if (!in.SkipTag()) {
        break;
      }
    }
  }
}

void SheetProducer::Scan(ZipPart& part) {
  const XmlScanner errors(package_.file, part_);
  PartWindow window(part);
  // The sheet's properties come before its cells, whatever their length.
  std::size_t data = std::string_view::npos;
  while (data == std::string_view::npos && !window.Whole()) {
    window.Advance(0);
    data = window.Text().find("<sheetData");
  }
  if (data == std::string_view::npos) {
    // A worksheet without cells is empty; a part that is not a worksheet is no sheet at all.
    pugi::xml_document whole;
    const pugi::xml_parse_result parsed =
        whole.load_buffer(window.Text().data(), window.Text().size());
    if (!parsed) errors.FailAt("is not well-formed XML", static_cast<std::size_t>(parsed.offset));
    const std::string_view root = whole.document_element().name();
    if (root != "worksheet" && !root.ends_with(":worksheet")) errors.FailAt("is no worksheet", 0);
    return window.Drain();
  }
  MakeColumnsAhead(window.Text().substr(0, data), part.Size());
  std::size_t at = data + 10;  // where in the window the next element starts
  bool opened = false;
  ScanPlace place;
  SheetReader::Attributes a;
  // Element by element: each is whole before it changes anything, so one that the window cuts
  // off is given up and read again from its start (`at`) once the window holds more of the part.
  for (;; window.Advance(at), at = 0) {
    if (stop_) return;
    SheetReader in(window, at, errors);
    if (!opened) {
      if (!in.ReadAttributes(a)) continue;
      if (a.empty) return window.Drain();
      opened = true;
      at = in.Offset();
    }
    for (;; at = in.Offset()) {
      if (in.NearEnd(kElementSlack)) break;
      if (!in.NextLt()) {
        if (!in.Fail("ends inside <sheetData>")) break;
      }
      if (in.Starts("</sheetData")) return window.Drain();
      if (in.Starts("</row")) {
        if (!in.Close("row")) break;
        continue;
      }
      if (in.StartsTag("<row")) {
        in.Advance(4);
        if (!in.ReadAttributes(a)) break;
        int number = place.row + 1;
        if (!a.r.empty() && (!ReadWhole(a.r, number) || number < 1 || number > kRowCount) &&
            !in.Fail("has a row \"" + std::string(a.r) + "\" outside the sheet"))
          break;
        place.row = number;
        place.column = 0;
        continue;
      }
      if (!(in.StartsTag("<c") ? ScanCell(in, place) : in.SkipElement())) break;
    }
  }
}

void SheetProducer::MakeColumnsAhead(std::string_view head, std::size_t partSize) {
  // The dimension says how far the cells reach: the columns are made once, at that size, unless
  // it claims more cells than the part could fill; cells beyond wait until the end.
  const auto dim = head.find("<dimension");
  if (dim == std::string_view::npos) return;
  const std::string ref =
      XmlScanner::Attribute(head.substr(dim + 10, head.find('>', dim) - dim - 10), "ref");
  const auto colon = ref.find(':');
  const auto last =
      colon == std::string::npos ? std::nullopt : ParseFileAddress(ref.substr(colon + 1));
  if (!last) return;
  const auto columns = static_cast<std::size_t>(std::min(last->column, kColumnCount));
  const auto rows = static_cast<std::size_t>(last->row);
  if (columns * rows * sizeof(XCell) <= std::min(partSize, kMostMadeAhead))
    ahead_.Make(columns, rows);
}

bool SheetProducer::ScanCell(SheetReader& in, ScanPlace& place) {
  in.Advance(2);
  SheetReader::Attributes a;
  if (!in.ReadAttributes(a)) return false;
  CellRef cellAt{place.column + 1, place.row};
  if (!a.r.empty()) {
    const auto parsed = ParseFileAddress(a.r);
    if (!parsed) return in.Fail("has a cell \"" + std::string(a.r) + "\" outside the sheet");
    cellAt = *parsed;
  }
  CellContent content;
  if (!a.empty && !ReadCellContent(in, content)) return false;
  // Rows come in order, as every spreadsheet program writes them: a row read is never touched
  // again, and may be looked at while the rest is read.
  if (cellAt.row < place.lastRow) {
    return in.Fail("has a cell " + Address(cellAt) + " after the cells of row " +
                   std::to_string(place.lastRow));
  }
  if (cellAt.column <= kColumnCount) {  // beyond are columns the add-in never names
    XCell cell;
    if (!MakeCell(in, a.s, a.t, cellAt, content, cell)) return false;
    if (cell.kind != XCell::Blank || cell.style != 0) Keep(cellAt, cell);
  }
  place.column = cellAt.column;
  if (cellAt.row > place.lastRow) {
    place.lastRow = cellAt.row;
    // A reader that caught up sleeps until some rows more are read: waking it for each row would
    // cost more than the row.
    const bool wake = place.lastRow - place.lastWake >= kRowsPerWake;
    ahead_.Tell(place.lastRow, wake);
    if (wake) place.lastWake = place.lastRow;
  }
  return true;
}

bool SheetProducer::MakeCell(SheetReader& in, std::string_view s, std::string_view t, CellRef at,
                             const CellContent& content, XCell& cell) {
  if (!s.empty()) {
    // A style the styles part lacks leaves the cell unformatted, as spreadsheet programs open
    // it: only its look is lost, never its value.
    unsigned style = 0;
    cell.style =
        ReadWhole(s, style) && style < package_.xfs.size() ? style : XlsxPackage::kUnformatted;
  }
  if (!content.hasValue) return true;
  const std::string_view value = content.value;
  // The one-letter types are told apart by their letter.
  const char type = t.empty() ? 'n' : t.size() == 1 ? t[0] : '\0';
  if (type == 'n') {
    if (!value.empty()) {
      if (!ReadNumber(value, cell.number)) {
        return in.Fail("has a cell " + Address(at) + " whose number \"" + std::string(value) +
                       "\" does not read");
      }
      cell.kind = XCell::Number;
    }
  } else if (type == 's') {
    const auto& strings = package_.sharedStrings;
    unsigned index = 0;
    if (!ReadWhole(value, index) || index >= strings.size()) {
      return in.Fail("has a cell " + Address(at) + " whose shared string " + std::string(value) +
                     " is out of range (there are " + std::to_string(strings.size()) + ")");
    }
    cell.kind = XCell::Shared;
    cell.index = index;
  } else if (t == "inlineStr" || t == "str") {
    cell.kind = XCell::Inline;
    cell.index = static_cast<std::uint32_t>(pool_.size());
    pool_.Add(content.inlineText ? content.text : XmlScanner::Decode(value, true));
  } else if (type == 'b') {
    cell.kind = XCell::Boolean;
    cell.number = value == "1" ? 1 : 0;
  } else if (type == 'e') {
    cell.kind = XCell::Error;
    cell.index = static_cast<std::uint32_t>(ErrorCode(std::string(value)));
  } else if (type == 'd') {
    std::string iso(value.substr(0, 19));
    if (iso.size() >= 10) iso.replace(4, 1, "/").replace(7, 1, "/");
    const auto date = ParseDateTime(ReplaceAll(iso, "T", " "));
    cell.kind = XCell::Number;
    cell.number = date ? package_.ToSerial(*date) : 0;
  } else {
    return in.Fail("has a cell " + Address(at) + " of an unknown type \"" + std::string(t) + "\"");
  }
  return true;
}

void SheetProducer::Keep(CellRef at, const XCell& cell) {
  if (XCell* place = ahead_.Place(at))
    *place = cell;
  else
    later_.emplace_back(at, cell);
}

Variant XlsxSheet::Value(CellRef c) const {
  const XCell* cell = Find(c);
  if (!cell) return {};
  switch (cell->kind) {
    case XCell::Blank:
      return {};
    case XCell::Number:
      if (package_.XfOf(cell->style).date) return package_.FromSerial(cell->number);
      return cell->number;
    case XCell::Shared:
      return std::string(package_.sharedStrings[cell->index]);
    case XCell::Inline:
      return std::string(pool_[cell->index]);
    case XCell::Boolean:
      return cell->number != 0;
    case XCell::Error:
      return ErrorValue{static_cast<int>(cell->index)};
  }
  return {};
}

std::string XlsxSheet::Text(CellRef c) const {
  const XCell* cell = Find(c);
  if (!cell) return {};
  const std::string& code = package_.XfOf(cell->style).code;
  switch (cell->kind) {
    case XCell::Blank:
      return {};
    case XCell::Number:
      return ShowNumber(cell->style, cell->number);
    case XCell::Shared:
      return FormatText(package_.sharedStrings[cell->index], code);
    case XCell::Inline:
      return FormatText(pool_[cell->index], code);
    case XCell::Boolean:
      return cell->number != 0 ? "TRUE" : "FALSE";
    case XCell::Error:
      return ErrorName(static_cast<int>(cell->index));
  }
  return {};
}

std::string XlsxSheet::ShowNumber(std::uint32_t style, double value) const {
  if (shown_.empty()) shown_.resize(std::size_t{1} << kShownBits);
  const auto bits = std::bit_cast<std::uint64_t>(value);
  Shown& slot = shown_[((bits ^ style) * 0x9E3779B97F4A7C15u) >> (64 - kShownBits)];
  if (slot.value != bits || slot.style != style) {
    const XlsxPackage::Xf& xf = package_.XfOf(style);
    slot.text = FormatNumber(xf.date && package_.date1904 ? value + 1462 : value, xf.code);
    slot.value = bits;
    slot.style = style;
  }
  return slot.text;
}

std::unique_ptr<XlsxWorkbook> XlsxWorkbook::Open(const std::filesystem::path& path, bool readOnly) {
  auto p = std::make_unique<XlsxPackage>();
  p->path = path;
  p->file = path.string();
  p->readOnly = readOnly;
  p->zip = std::make_unique<ZipReader>(p->file);

  p->workbookPart = "xl/workbook.xml";
  if (const auto rootRels = p->FindPart("_rels/.rels")) {
    pugi::xml_document doc;
    p->Parse(doc, "_rels/.rels", *rootRels);
    for (pugi::xml_node r : doc.child("Relationships").children("Relationship")) {
      if (std::string_view(r.attribute("Type").as_string()).ends_with("/officeDocument")) {
        p->workbookPart = Resolve("", r.attribute("Target").as_string());
      }
    }
  }
  p->Parse(p->workbookXml, p->workbookPart, p->ReadPart(p->workbookPart));
  pugi::xml_node workbook = p->workbookXml.child("workbook");
  if (!workbook) p->Fail("is damaged: its part " + p->workbookPart + " is no workbook.");
  const std::string pr = workbook.child("workbookPr").attribute("date1904").as_string();
  p->date1904 = pr == "1" || pr == "true";

  p->relsPart = RelsOf(p->workbookPart);
  p->Parse(p->relsXml, p->relsPart, p->ReadPart(p->relsPart));
  std::map<std::string, std::pair<std::string, std::string>> rels;  // id -> (type, part)
  for (pugi::xml_node r : p->relsXml.child("Relationships").children("Relationship")) {
    rels[r.attribute("Id").as_string()] = {
        r.attribute("Type").as_string(),
        Resolve(p->workbookPart, r.attribute("Target").as_string())};
  }
  for (const auto& [id, rel] : rels) {
    if (rel.first.ends_with("/styles")) p->stylesPart = rel.second;
  }
  // The styles part is optional: without it (or with a relationship to a part that is not there)
  // cells show as under General until a cell needs a style.
  if (!p->stylesPart.empty()) {
    if (const auto styles = p->FindPart(p->stylesPart))
      p->Parse(p->stylesXml, p->stylesPart, *styles);
  }
  p->LoadStyles();
  for (const auto& [id, rel] : rels) {
    if (rel.first.ends_with("/sharedStrings")) p->LoadSharedStrings(rel.second);
  }

  int tab = 0;
  const int activeTab =
      workbook.child("bookViews").child("workbookView").attribute("activeTab").as_int();
  for (pugi::xml_node s : workbook.child("sheets").children("sheet")) {
    const std::string id = PrefixedAttribute(s, "id").as_string();
    const auto rel = rels.find(id);
    if (rel == rels.end())
      p->Fail("is damaged: its sheet \"" + std::string(s.attribute("name").as_string()) +
              "\" has no part.");
    if (rel->second.first.ends_with("/worksheet")) {
      p->sheets.push_back(std::make_unique<XlsxSheet>(*p, s.attribute("name").as_string(),
                                                      rel->second.second, id, false));
      if (tab == activeTab) p->active = p->sheets.back().get();
    }
    ++tab;
  }
  if (p->sheets.empty()) p->Fail("has no worksheet.");
  if (!p->active) p->active = p->sheets.front().get();
  // The sheet in front is the one most likely wanted: it is read while the caller goes on.
  p->active->StartReading();
  return std::unique_ptr<XlsxWorkbook>(new XlsxWorkbook(std::move(p)));
}

}  // namespace qv::host
