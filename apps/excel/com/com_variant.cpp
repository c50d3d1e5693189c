#include "com/com_variant.h"

#include "com/bstr.h"
#include "host/host.h"

namespace qv::excel {
namespace {

// Excel's cell errors travel as VT_ERROR codes of this facility: #DIV/0! (2007) is 0x800A07D7.
constexpr SCODE kCellErrorBase = static_cast<SCODE>(0x800A0000);

// mingw declares the sources of VariantCopy and VariantChangeType without const; they only read
// them.
VARIANT* Source(const VARIANT& v) { return const_cast<VARIANT*>(&v); }

// Holds an array locked, as reaching its elements needs.
class Locked {
 public:
  explicit Locked(SAFEARRAY* array) : array_(array) { SafeArrayLock(array_); }
  ~Locked() { SafeArrayUnlock(array_); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
  // The element at (row, column) as the array counts them.
  VARIANT& At(LONG row, LONG column) {
    // The first index is the row, as a macro writes cells(row, column).
    LONG at[2] = {row, column};
    VARIANT* slot = nullptr;
    if (FAILED(SafeArrayPtrOfIndex(array_, at, reinterpret_cast<void**>(&slot))) || !slot)
      throw host::HostError("The spreadsheet answered with cells of another shape than asked for.");
    return *slot;
  }

 private:
  SAFEARRAY* array_;
};

// A copy converted to `type`; a failed conversion is a HostError.
ComVariant Changed(const VARIANT& v, VARTYPE type) {
  ComVariant out;
  const HRESULT hr = VariantChangeType(out.Receive(), Source(v), 0, type);
  if (FAILED(hr)) throw host::HostError("A value from the spreadsheet has an unexpected type.");
  return out;
}

}  // namespace

ComVariant::ComVariant(const ComVariant& other) {
  VariantInit(&v_);
  VariantCopy(&v_, Source(other.v_));
}

ComVariant& ComVariant::operator=(const ComVariant& other) {
  if (this != &other) VariantCopy(&v_, Source(other.v_));
  return *this;
}

ComVariant& ComVariant::operator=(ComVariant&& other) noexcept {
  if (this != &other) {
    VariantClear(&v_);
    v_ = other.v_;
    VariantInit(&other.v_);
  }
  return *this;
}

VARIANT* ComVariant::Receive() {
  VariantClear(&v_);
  return &v_;
}

VARIANT ComVariant::Detach() {
  const VARIANT held = v_;
  VariantInit(&v_);
  return held;
}

ComVariant ComVariant::From(const Variant& value) {
  ComVariant out;
  switch (value.kind()) {
    case Variant::Kind::Empty:
      break;
    case Variant::Kind::Number:
      out.v_.vt = VT_R8;
      out.v_.dblVal = value.AsNumber();
      break;
    case Variant::Kind::Text:
      return FromText(value.AsText());
    case Variant::Kind::Date:
      out.v_.vt = VT_DATE;
      out.v_.date = value.AsDate().Serial();
      break;
    case Variant::Kind::Boolean:
      return FromBool(value.AsBoolean());
    case Variant::Kind::Error:
      out.v_.vt = VT_ERROR;
      out.v_.scode = kCellErrorBase | value.AsError().code;
      break;
  }
  return out;
}

ComVariant ComVariant::FromInt(long value) {
  ComVariant out;
  out.v_.vt = VT_I4;
  out.v_.lVal = value;
  return out;
}

ComVariant ComVariant::FromBool(bool value) {
  ComVariant out;
  out.v_.vt = VT_BOOL;
  out.v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return out;
}

ComVariant ComVariant::FromText(std::string_view utf8) {
  ComVariant out;
  out.v_.vt = VT_BSTR;
  out.v_.bstrVal = Bstr(utf8).Detach();
  return out;
}

ComVariant ComVariant::FromObject(IDispatch* object) {
  ComVariant out;
  out.v_.vt = VT_DISPATCH;
  out.v_.pdispVal = object;
  if (object) object->AddRef();
  return out;
}

ComVariant ComVariant::Missing() {
  ComVariant out;
  out.v_.vt = VT_ERROR;
  out.v_.scode = DISP_E_PARAMNOTFOUND;
  return out;
}

ComVariant ComVariant::FromGrid(int rows, int columns, std::vector<ComVariant>& cells) {
  SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(rows), 1}, {static_cast<ULONG>(columns), 1}};
  SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 2, bounds);
  if (!array) throw host::HostError("There is not enough memory for the cells to write.");
  ComVariant out;
  out.v_.vt = VT_ARRAY | VT_VARIANT;
  out.v_.parray = array;
  Locked locked(array);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      locked.At(r + 1, c + 1) = cells.at(static_cast<std::size_t>(r) * columns + c).Detach();
    }
  }
  cells.clear();
  return out;
}

std::vector<ComVariant> ComVariant::ToGrid(int rows, int columns) const {
  return ComVariant(*this).TakeGrid(rows, columns);
}

std::vector<ComVariant> ComVariant::TakeGrid(int rows, int columns) {
  if (!(v_.vt & VT_ARRAY)) {
    if (rows == 1 && columns == 1) return {*this};
  } else if (v_.vt == (VT_ARRAY | VT_VARIANT) && v_.parray && SafeArrayGetDim(v_.parray) == 2) {
    LONG low[2] = {}, high[2] = {};
    for (UINT d = 0; d < 2; ++d) {
      SafeArrayGetLBound(v_.parray, d + 1, &low[d]);
      SafeArrayGetUBound(v_.parray, d + 1, &high[d]);
    }
    if (high[0] - low[0] + 1 == rows && high[1] - low[1] + 1 == columns) {
      std::vector<ComVariant> cells(static_cast<std::size_t>(rows) * columns);
      Locked locked(v_.parray);
      for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
          VARIANT& from = locked.At(low[0] + r, low[1] + c);
          VARIANT& to = cells[static_cast<std::size_t>(r) * columns + c].v_;
          to = from;
          VariantInit(&from);
        }
      }
      return cells;
    }
  }
  throw host::HostError("The spreadsheet answered with cells of another shape than asked for.");
}

Variant ComVariant::ToValue() const {
  switch (v_.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return {};
    case VT_R8:
      return v_.dblVal;
    case VT_BSTR:
      return ToUtf8(v_.bstrVal);
    case VT_DATE:
      return DateTime::FromSerial(v_.date);
    case VT_BOOL:
      return v_.boolVal != VARIANT_FALSE;
    case VT_ERROR:
      return ErrorValue{static_cast<int>(v_.scode & 0xFFFF)};
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_CY:
    case VT_DECIMAL:
      return Changed(v_, VT_R8).Get().dblVal;
    default:
      return {};
  }
}

const VARIANT& Argument(const DISPPARAMS& params, UINT i) {
  const VARIANT& v = params.rgvarg[params.cArgs - 1 - i];
  return (v.vt & VT_BYREF) && (v.vt & ~VT_BYREF) == VT_VARIANT ? *v.pvarVal : v;
}

IDispatch* ObjectArgument(const DISPPARAMS& params, UINT i) {
  const VARIANT& v = Argument(params, i);
  if (v.vt == VT_DISPATCH) return v.pdispVal;
  if (v.vt == (VT_DISPATCH | VT_BYREF) && v.ppdispVal) return *v.ppdispVal;
  return nullptr;
}

std::string ComVariant::ToText() const {
  if (v_.vt == VT_BSTR) return ToUtf8(v_.bstrVal);
  return ToUtf8(Changed(v_, VT_BSTR).Get().bstrVal);
}
long ComVariant::ToLong() const { return Changed(v_, VT_I4).Get().lVal; }
bool ComVariant::ToBool() const { return Changed(v_, VT_BOOL).Get().boolVal != VARIANT_FALSE; }

}  // namespace qv::excel
