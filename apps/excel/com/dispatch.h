#pragma once

#include <windows.h>

#include <oaidl.h>

#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "com/com_ptr.h"
#include "com/com_variant.h"

namespace qv::excel {

// An object of the spreadsheet's, reached late-bound by the names of its members through
// IDispatch. It holds one reference to the object. Arguments are given in the order a macro
// writes them; every failure is a host::HostError carrying the object's own description
// (EXCEPINFO) where it gave one, and frees what the object handed back. The id of each member is
// asked once and kept with the object, shared by the copies of this wrapper: IDispatch promises
// an object's ids for its lifetime, not that two objects of one kind share them.
class Dispatch {
 public:
  Dispatch() = default;
  explicit Dispatch(ComPtr<IDispatch> object)
      : object_(std::move(object)), ids_(std::make_shared<std::map<std::string, DISPID>>()) {}
  // The object a VARIANT holds; a HostError when it holds none.
  static Dispatch From(const ComVariant& value);
  // The object a VARIANT holds, or none (an empty Dispatch) when it holds Nothing or is empty.
  static Dispatch FromOptional(const ComVariant& value);

  IDispatch* Get() const { return object_.Get(); }
  explicit operator bool() const { return static_cast<bool>(object_); }

  ComVariant GetProperty(std::string_view name, std::initializer_list<ComVariant> args = {}) const;
  void PutProperty(std::string_view name, const ComVariant& value,
                   std::initializer_list<ComVariant> args = {}) const;
  // Sets a property to an object, as a macro's Set does (DISPATCH_PROPERTYPUTREF).
  void PutReference(std::string_view name, const ComVariant& object) const;
  ComVariant Call(std::string_view name, std::initializer_list<ComVariant> args = {}) const;
  // A property whose value is an object ("Worksheets", "Range" with its address).
  Dispatch Object(std::string_view name, std::initializer_list<ComVariant> args = {}) const {
    return From(GetProperty(name, args));
  }

 private:
  ComVariant Invoke(std::string_view name, WORD flags, std::initializer_list<ComVariant> args,
                    const ComVariant* put) const;
  DISPID IdOf(std::string_view name) const;
  ComPtr<IDispatch> object_;
  std::shared_ptr<std::map<std::string, DISPID>> ids_;
};

// Whether two interface pointers are the same COM object (their IUnknowns are equal).
bool SameObject(IDispatch* a, IDispatch* b);

// The one wrapper of `object` among those already made (the spreadsheet may hand out a new
// pointer for an object it handed out before), else a new one kept with them. A reference it
// returns stays good as long as `known` keeps its wrappers.
template <typename Wrapper>
Wrapper& WrapOnce(std::vector<std::unique_ptr<Wrapper>>& known, Dispatch object) {
  for (const auto& wrapper : known) {
    if (SameObject(wrapper->Object().Get(), object.Get())) return *wrapper;
  }
  known.push_back(std::make_unique<Wrapper>(std::move(object)));
  return *known.back();
}

}  // namespace qv::excel
