// Automation (dispatch) objects: created from a registered class name or a class identifier
// in braces, driven by property and method names. Texts cross as UTF-8 ⇄ BSTR (UTF-16). Results are converted to the kind the caller asks for by the system's variant
// conversion rules; a failed call gives the empty value of that kind, and AutomationLastError
// tells why.
//
//   AutoObject http;
//   ObjectCreate(http, "WinHttp.WinHttpRequest.5.1");
//   ObjectCall(http, "Open", "GET", url, false);
//   int status = ObjectGet<int>(http, "Status");
//   ByteString body = ObjectGet<ByteString>(http, "ResponseBody");
#pragma once

#include <concepts>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/values.h"

namespace tarnvel {

class AutoObject;

// Owns one VARIANT (kept as opaque storage so that this header needs no system headers).
// Copies are deep (VariantCopy); a moved-from Variant is empty.
class Variant {
 public:
  Variant();  // empty
  Variant(bool value);
  template <std::integral T>
  requires(!std::same_as<T, bool>) Variant(T value) : Variant(FromInteger(static_cast<long long>(value))) {}
  Variant(double value);
  Variant(const char* text);
  Variant(std::string_view text);
  Variant(const std::string& text);
  Variant(const ByteString& bytes);   // an array of bytes
  Variant(const AutoObject& object);  // a reference to the object (a null object if none)
  ~Variant();
  Variant(const Variant& other);
  Variant& operator=(const Variant& other);
  Variant(Variant&& other) noexcept;
  Variant& operator=(Variant&& other) noexcept;

  bool IsEmpty() const;             // no value (also a null value)
  std::uint16_t Type() const;       // the VARTYPE
  void* Raw() { return storage_; }  // the VARIANT*
  const void* Raw() const { return storage_; }

 private:
  static Variant FromInteger(long long value);  // 32-bit when it fits, else a double
  alignas(8) unsigned char storage_[24];
};

// A reference to a dispatch object, or nothing. Move-only: the reference is released once.
class AutoObject {
 public:
  AutoObject() = default;
  explicit AutoObject(void* dispatch) : dispatch_(dispatch) {}  // takes over one reference
  ~AutoObject();
  AutoObject(AutoObject&& other) noexcept : dispatch_(other.dispatch_) { other.dispatch_ = nullptr; }
  AutoObject& operator=(AutoObject&& other) noexcept;
  AutoObject(const AutoObject&) = delete;
  AutoObject& operator=(const AutoObject&) = delete;

  void* Dispatch() const { return dispatch_; }  // the IDispatch*, still owned here
  void Reset();

 private:
  void* dispatch_ = nullptr;
};

// Releases any object held, initialises COM on this thread if it is not yet, and creates the
// object from "Prog.Id" or "{CLSID}". True on success.
bool ObjectCreate(AutoObject& object, std::string_view classNameOrClsid);

void ObjectClear(AutoObject& object);
bool ObjectIsEmpty(const AutoObject& object);

// The untyped operations; the typed templates below call these.
Variant ObjectGetVariant(const AutoObject& object, std::string_view property,
                         std::span<const Variant> arguments = {});
Variant ObjectCallVariant(const AutoObject& object, std::string_view method,
                          std::span<const Variant> arguments = {});
bool ObjectSet(const AutoObject& object, std::string_view property, const Variant& value);

// Conversions of a result to the requested kind; a value that does not convert gives "", 0,
// false, an empty object or an empty byte string.
std::string VariantToText(const Variant& value);
int VariantToInteger(const Variant& value);
double VariantToNumber(const Variant& value);
bool VariantToLogical(const Variant& value);
AutoObject VariantToObject(const Variant& value);
// The bytes of an array of bytes (VT_ARRAY | VT_UI1 or VT_I1); anything else gives none.
ByteString VariantToBytes(const Variant& value);

// Why the latest automation operation of this thread failed, or "" after a success.
const std::string& AutomationLastError();

template <class R>
R VariantAs(Variant value) {
  if constexpr (std::same_as<R, Variant>) {
    return value;
  } else if constexpr (std::same_as<R, std::string>) {
    return VariantToText(value);
  } else if constexpr (std::same_as<R, bool>) {
    return VariantToLogical(value);
  } else if constexpr (std::same_as<R, int>) {
    return VariantToInteger(value);
  } else if constexpr (std::same_as<R, double>) {
    return VariantToNumber(value);
  } else if constexpr (std::same_as<R, AutoObject>) {
    return VariantToObject(value);
  } else if constexpr (std::same_as<R, ByteString>) {
    return VariantToBytes(value);
  } else {
    static_assert(sizeof(R) == 0, "no conversion of a variant to this kind");
  }
}

// ObjectGet<Kind>(object, "Property", arguments...): reads a property (with arguments for an
// indexed one) and converts it. Kind is Variant unless given.
template <class R = Variant, class... A>
R ObjectGet(const AutoObject& object, std::string_view property, const A&... arguments) {
  const std::vector<Variant> args{Variant(arguments)...};
  return VariantAs<R>(ObjectGetVariant(object, property, args));
}

// ObjectCall<Kind>(object, "Method", arguments...): calls a method and converts its result
// (ObjectCall without a kind gives the Variant, which a caller may ignore).
template <class R = Variant, class... A>
R ObjectCall(const AutoObject& object, std::string_view method, const A&... arguments) {
  const std::vector<Variant> args{Variant(arguments)...};
  return VariantAs<R>(ObjectCallVariant(object, method, args));
}

}  // namespace tarnvel
