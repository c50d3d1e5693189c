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

VARIANT* ComVariant::Receive() {
  VariantClear(&v_);
  return &v_;
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

std::string ComVariant::ToText() const { return ToUtf8(Changed(v_, VT_BSTR).Get().bstrVal); }
long ComVariant::ToLong() const { return Changed(v_, VT_I4).Get().lVal; }
bool ComVariant::ToBool() const { return Changed(v_, VT_BOOL).Get().boolVal != VARIANT_FALSE; }

}  // namespace qv::excel
