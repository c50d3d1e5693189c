#pragma once

#include <windows.h>

#include <oaidl.h>

#include <vector>

#include "values/variant.h"

namespace qv::excel {

// Owns one VARIANT: initialised when made, cleared (its BSTR freed, its object released) when it
// goes or is assigned.
class ComVariant {
 public:
  ComVariant() { VariantInit(&v_); }
  ComVariant(const ComVariant& other);
  ComVariant& operator=(const ComVariant& other);
  // A move takes the VARIANT over and leaves the other empty.
  ComVariant(ComVariant&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }
  ComVariant& operator=(ComVariant&& other) noexcept;
  ~ComVariant() { VariantClear(&v_); }

  // A cell's value as Excel takes it: empty, VT_R8, VT_BSTR, VT_DATE, VT_BOOL, VT_ERROR.
  static ComVariant From(const Variant& value);
  static ComVariant FromInt(long value);
  static ComVariant FromBool(bool value);
  static ComVariant FromText(std::string_view utf8);
  // Holds a reference of its own to the object.
  static ComVariant FromObject(IDispatch* object);
  // An optional argument left out: VT_ERROR with DISP_E_PARAMNOTFOUND.
  static ComVariant Missing();
  // A range's cells as Excel gives and takes them: a two-dimensional array of VARIANTs, rows by
  // columns, both bounds from 1. `cells` holds them row by row and is emptied.
  static ComVariant FromGrid(int rows, int columns, std::vector<ComVariant>& cells);
  // The cells of such an array, row by row; for a single cell, what a one-cell range gives (the
  // value itself) too. Anything else, or an array of another size, is a HostError.
  std::vector<ComVariant> ToGrid(int rows, int columns) const;
  // The same, the cells moved out of the array rather than copied.
  std::vector<ComVariant> TakeGrid(int rows, int columns);

  const VARIANT& Get() const { return v_; }
  // For an out-parameter: clears what is held and lends the slot.
  VARIANT* Receive();
  // Hands what is held to the caller, who then owns it; this is left empty.
  VARIANT Detach();

  // As a cell's value; numbers and texts of other types are converted, anything else is empty.
  Variant ToValue() const;
  // The value as text, long or boolean, converted as Excel would (VariantChangeType).
  std::string ToText() const;
  long ToLong() const;
  bool ToBool() const;

 private:
  VARIANT v_;
};

// Argument `i` of a call, counted from the left as a caller writes them (DISPPARAMS holds them
// right to left), by value or by reference; `i` must be below params.cArgs.
const VARIANT& Argument(const DISPPARAMS& params, UINT i);
// The object argument `i` carries, by value or by reference; nullptr when it carries none.
IDispatch* ObjectArgument(const DISPPARAMS& params, UINT i);

}  // namespace qv::excel
