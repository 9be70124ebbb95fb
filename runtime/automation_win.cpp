// Automation objects on IDispatch. Names are looked up per call with GetIDsOfNames, so any
// dispatch object works without a type library.
#include <windows.h>
// after windows.h, which it needs
#include <oleauto.h>

#include "runtime/automation.h"

#include <cstring>
#include <cwchar>
#include <utility>

#include "runtime/encoding.h"

namespace tarnvel {
namespace {

static_assert(sizeof(VARIANT) <= 24 && alignof(VARIANT) <= 8, "Variant's storage must hold a VARIANT");

thread_local std::string lastError;

VARIANT* V(Variant& v) { return static_cast<VARIANT*>(v.Raw()); }
const VARIANT* V(const Variant& v) { return static_cast<const VARIANT*>(v.Raw()); }
// The source argument of VariantCopy and friends, which they take without const.
VARIANT* Source(const Variant& v) { return const_cast<VARIANT*>(V(v)); }
IDispatch* D(const AutoObject& o) { return static_cast<IDispatch*>(o.Dispatch()); }

std::string HexCode(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

void Fail(std::string what, HRESULT hr) { lastError = std::move(what) + " (" + HexCode(hr) + ")"; }

// Every thread that uses automation joins a single-threaded apartment once; a thread that is
// already in the multi-threaded one stays there (RPC_E_CHANGED_MODE), which serves as well.
bool EnsureCom() {
  thread_local HRESULT state = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  return SUCCEEDED(state) || state == RPC_E_CHANGED_MODE;
}

// A text ends at its first zero character: some objects hand out BSTRs whose stored length
// counts a terminator too (the HTTP request object's headers and status text under Wine).
std::string BstrText(BSTR text) {
  if (!text) return {};
  std::wstring_view wide(text, SysStringLen(text));
  return WideToUtf8(wide.substr(0, wide.find(L'\0')));
}

// The text of an automation exception, then its fields released.
std::string ExceptionText(EXCEPINFO& info) {
  if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
  std::string text = BstrText(info.bstrDescription);
  if (text.empty()) text = BstrText(info.bstrSource);
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrHelpFile);
  return text;
}

bool Invoke(const AutoObject& object, std::string_view name, WORD flags, std::span<const Variant> arguments,
            Variant* result) {
  lastError.clear();
  if (!D(object)) {
    lastError = "no automation object";
    return false;
  }
  std::wstring wideName = Utf8ToWide(name);
  LPOLESTR names[] = {wideName.data()};
  DISPID id = 0;
  HRESULT hr = D(object)->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) {
    Fail("the object has no member \"" + std::string(name) + "\"", hr);
    return false;
  }
  // Dispatch arguments go last first; the copies are shallow, the Variants keep ownership.
  std::vector<VARIANTARG> args(arguments.size());
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::memcpy(&args[arguments.size() - 1 - i], V(arguments[i]), sizeof(VARIANTARG));
  }
  DISPID putId = DISPID_PROPERTYPUT;
  const bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
  DISPPARAMS params{args.data(), put ? &putId : nullptr, static_cast<UINT>(args.size()), put ? 1u : 0u};
  EXCEPINFO exception{};
  UINT badArgument = 0;
  hr = D(object)->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result ? V(*result) : nullptr,
                         &exception, &badArgument);
  if (hr == DISP_E_EXCEPTION) {
    lastError = "\"" + std::string(name) + "\" failed: " + ExceptionText(exception);
    return false;
  }
  if (FAILED(hr)) {
    Fail("\"" + std::string(name) + "\" failed", hr);
    return false;
  }
  return true;
}

// The value itself behind a by-reference variant.
Variant Direct(const Variant& value) {
  Variant out;
  VariantCopyInd(V(out), Source(value));
  return out;
}

bool ChangeTo(const Variant& value, VARTYPE type, Variant& out) {
  const HRESULT hr = VariantChangeType(V(out), Source(value), 0, type);
  if (FAILED(hr)) {
    Fail("the value does not convert", hr);
    return false;
  }
  return true;
}

}  // namespace

Variant::Variant() { VariantInit(V(*this)); }

Variant::Variant(bool value) : Variant() {
  V_VT(V(*this)) = VT_BOOL;
  V_BOOL(V(*this)) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

Variant::Variant(double value) : Variant() {
  V_VT(V(*this)) = VT_R8;
  V_R8(V(*this)) = value;
}

Variant Variant::FromInteger(long long value) {
  if (value < INT32_MIN || value > INT32_MAX) return Variant(static_cast<double>(value));
  Variant v;
  V_VT(V(v)) = VT_I4;
  V_I4(V(v)) = static_cast<LONG>(value);
  return v;
}

Variant::Variant(const char* text) : Variant(std::string_view(text ? text : "")) {}
Variant::Variant(const std::string& text) : Variant(std::string_view(text)) {}

Variant::Variant(std::string_view text) : Variant() {
  const std::wstring wide = Utf8ToWide(text);
  V_VT(V(*this)) = VT_BSTR;
  V_BSTR(V(*this)) = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

Variant::Variant(const ByteString& bytes) : Variant() {
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
  if (!array) return;
  void* data = nullptr;
  if (SUCCEEDED(SafeArrayAccessData(array, &data))) {
    if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(array);
  }
  V_VT(V(*this)) = VT_ARRAY | VT_UI1;
  V_ARRAY(V(*this)) = array;
}

Variant::Variant(const AutoObject& object) : Variant() {
  V_VT(V(*this)) = VT_DISPATCH;
  V_DISPATCH(V(*this)) = D(object);
  if (D(object)) D(object)->AddRef();
}

Variant::~Variant() { VariantClear(V(*this)); }

Variant::Variant(const Variant& other) : Variant() { VariantCopy(V(*this), Source(other)); }

Variant& Variant::operator=(const Variant& other) {
  if (this != &other) VariantCopy(V(*this), Source(other));  // clears the old value first
  return *this;
}

Variant::Variant(Variant&& other) noexcept {
  std::memcpy(storage_, other.storage_, sizeof storage_);
  VariantInit(V(other));
}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this != &other) {
    VariantClear(V(*this));
    std::memcpy(storage_, other.storage_, sizeof storage_);
    VariantInit(V(other));
  }
  return *this;
}

bool Variant::IsEmpty() const { return V_VT(V(*this)) == VT_EMPTY || V_VT(V(*this)) == VT_NULL; }
std::uint16_t Variant::Type() const { return V_VT(V(*this)); }

AutoObject::~AutoObject() { Reset(); }

AutoObject& AutoObject::operator=(AutoObject&& other) noexcept {
  if (this != &other) {
    Reset();
    dispatch_ = std::exchange(other.dispatch_, nullptr);
  }
  return *this;
}

void AutoObject::Reset() {
  if (dispatch_) static_cast<IDispatch*>(dispatch_)->Release();
  dispatch_ = nullptr;
}

bool ObjectCreate(AutoObject& object, std::string_view classNameOrClsid) {
  object.Reset();
  lastError.clear();
  if (!EnsureCom()) {
    lastError = "COM could not be initialised on this thread";
    return false;
  }
  const std::wstring name = Utf8ToWide(classNameOrClsid);
  CLSID clsid{};
  HRESULT hr = !name.empty() && name.front() == L'{' ? CLSIDFromString(name.c_str(), &clsid)
                                                     : CLSIDFromProgID(name.c_str(), &clsid);
  if (FAILED(hr)) {
    Fail("no class \"" + std::string(classNameOrClsid) + "\" is registered", hr);
    return false;
  }
  void* dispatch = nullptr;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch, &dispatch);
  if (FAILED(hr) || !dispatch) {
    Fail("\"" + std::string(classNameOrClsid) + "\" could not be created", hr);
    return false;
  }
  object = AutoObject(dispatch);
  return true;
}

void ObjectClear(AutoObject& object) { object.Reset(); }
bool ObjectIsEmpty(const AutoObject& object) { return object.Dispatch() == nullptr; }

Variant ObjectGetVariant(const AutoObject& object, std::string_view property,
                         std::span<const Variant> arguments) {
  Variant result;
  if (!Invoke(object, property, DISPATCH_PROPERTYGET, arguments, &result)) return Variant();
  return result;
}

Variant ObjectCallVariant(const AutoObject& object, std::string_view method,
                          std::span<const Variant> arguments) {
  Variant result;
  if (!Invoke(object, method, DISPATCH_METHOD | DISPATCH_PROPERTYGET, arguments, &result)) return Variant();
  return result;
}

bool ObjectSet(const AutoObject& object, std::string_view property, const Variant& value) {
  const Variant args[] = {value};
  if (Invoke(object, property, DISPATCH_PROPERTYPUT, args, nullptr)) return true;
  // An object value may be accepted only as a reference assignment.
  return value.Type() == VT_DISPATCH && Invoke(object, property, DISPATCH_PROPERTYPUTREF, args, nullptr);
}

std::string VariantToText(const Variant& value) {
  Variant text;
  if (!ChangeTo(Direct(value), VT_BSTR, text)) return {};
  return BstrText(V_BSTR(V(text)));
}

int VariantToInteger(const Variant& value) {
  Variant number;
  return ChangeTo(Direct(value), VT_I4, number) ? static_cast<int>(V_I4(V(number))) : 0;
}

double VariantToNumber(const Variant& value) {
  Variant number;
  return ChangeTo(Direct(value), VT_R8, number) ? V_R8(V(number)) : 0.0;
}

bool VariantToLogical(const Variant& value) {
  Variant logical;
  return ChangeTo(Direct(value), VT_BOOL, logical) && V_BOOL(V(logical)) != VARIANT_FALSE;
}

AutoObject VariantToObject(const Variant& value) {
  const Variant direct = Direct(value);
  const VARIANT* v = V(direct);
  IUnknown* unknown = nullptr;
  if (V_VT(v) == VT_DISPATCH) unknown = V_DISPATCH(v);
  if (V_VT(v) == VT_UNKNOWN) unknown = V_UNKNOWN(v);
  void* dispatch = nullptr;
  if (!unknown || FAILED(unknown->QueryInterface(IID_IDispatch, &dispatch))) {
    lastError = "the value is no automation object";
    return AutoObject();
  }
  return AutoObject(dispatch);
}

ByteString VariantToBytes(const Variant& value) {
  const Variant direct = Direct(value);
  const VARIANT* v = V(direct);
  if ((V_VT(v) != (VT_ARRAY | VT_UI1) && V_VT(v) != (VT_ARRAY | VT_I1)) || !V_ARRAY(v)) return {};
  SAFEARRAY* array = V_ARRAY(v);
  LONG low = 0;
  LONG high = -1;
  if (SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetLBound(array, 1, &low)) ||
      FAILED(SafeArrayGetUBound(array, 1, &high)) || high < low) {
    return {};
  }
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(array, &data))) return {};
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  ByteString out(bytes, bytes + (static_cast<std::size_t>(high) - static_cast<std::size_t>(low) + 1));
  SafeArrayUnaccessData(array);
  return out;
}

const std::string& AutomationLastError() { return lastError; }

}  // namespace tarnvel
