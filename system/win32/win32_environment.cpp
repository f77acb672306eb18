// Environment accessor on Windows: the "system" and "user" collections of the
// automation object WScript.Shell, reached by member name through IDispatch,
// and the process facts from kernel32. Every variable call makes its own
// shell and collection objects and releases them before it returns.
#include <windows.h>

#include <cmath>
#include <optional>
#include <string>
#include <utility>

#include <ole2.h>
#include <oleauto.h>
#include <psapi.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "system/environment.h"
#include "system/runner.h"
#include "system/win32/win32_wide_text.h"

namespace phpswitch {
namespace {

template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  explicit ComPtr(Interface* pointer) : pointer_(pointer) {}
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    std::swap(pointer_, other.pointer_);
    return *this;
  }
  ~ComPtr() {
    if (pointer_) pointer_->Release();
  }
  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  Interface** out() { return &pointer_; }

 private:
  Interface* pointer_ = nullptr;
};

class Variant {
 public:
  Variant() { ::VariantInit(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { ::VariantClear(&value_); }
  VARIANT* get() { return &value_; }
  VARIANT& operator*() { return value_; }

 private:
  VARIANT value_;
};

class LocalMemory {
 public:
  explicit LocalMemory(void* memory) : memory_(memory) {}
  LocalMemory(const LocalMemory&) = delete;
  LocalMemory& operator=(const LocalMemory&) = delete;
  ~LocalMemory() {
    if (memory_) ::LocalFree(memory_);
  }

 private:
  void* memory_;
};

Text narrow(const wchar_t* wide, int length, UINT codePage = CP_ACP, DWORD flags = 0) {
  if (wide == nullptr || length <= 0) return {};
  const int size = ::WideCharToMultiByte(codePage, flags, wide, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  Text text(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(codePage, flags, wide, length, text.data(), size, nullptr, nullptr);
  // A zero inside the value would end the Text anyway.
  return textFromBuffer(text.data(), text.size());
}

// A VARIANT that owns a BSTR made from `text` in the ANSI code page.
void setText(Variant& variant, const Text& text) {
  const std::wstring wide = widen(text);
  (*variant).vt = VT_BSTR;
  (*variant).bstrVal = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::optional<Text> textOf(Variant& variant) {
  Variant converted;
  if (FAILED(::VariantChangeType(converted.get(), variant.get(), 0, VT_BSTR))) return std::nullopt;
  const BSTR value = (*converted).bstrVal;
  return narrow(value, static_cast<int>(::SysStringLen(value)));
}

std::optional<double> numberOf(Variant& variant) {
  Variant converted;
  if (FAILED(::VariantChangeType(converted.get(), variant.get(), 0, VT_R8))) return std::nullopt;
  return (*converted).dblVal;
}

// Calls `member` of `object` by name. `args` are in IDispatch order: the
// last argument first (for a property put, the new value).
HRESULT invoke(IDispatch* object, const wchar_t* member, WORD flags, VARIANT* args, UINT argCount,
               VARIANT* result) {
  if (object == nullptr) return E_POINTER;
  DISPID id = 0;
  LPOLESTR name = const_cast<LPOLESTR>(member);
  HRESULT hr = object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{args, nullptr, argCount, 0};
  if (flags & DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
}

ComPtr<IDispatch> createAutomationObject(const wchar_t* name) {
  CLSID clsid;
  const HRESULT found = name[0] == L'{' ? ::CLSIDFromString(const_cast<LPOLESTR>(name), &clsid)
                                        : ::CLSIDFromProgID(name, &clsid);
  if (FAILED(found)) return {};
  ComPtr<IUnknown> unknown;
  HRESULT hr =
      ::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(unknown.out()));
  if (hr == E_INVALIDARG) {
    // Older systems reject context bits they do not know (CLSCTX_ALL grew).
    hr =
        ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                           IID_IUnknown, reinterpret_cast<void**>(unknown.out()));
  }
  if (FAILED(hr) || !unknown || FAILED(::OleRun(unknown.get()))) return {};
  ComPtr<IDispatch> dispatch;
  if (FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.out())))) return {};
  return dispatch;
}

// A value of the process's own environment, read whole: the first call asks
// for the size, the second fills a buffer that fits (it may grow in between).
// Nothing when it cannot be read whole: Wine, for one, cuts a value of 32,767
// characters short and says so only through the last error.
std::optional<Text> processVariable(const char* name) {
  ::SetLastError(ERROR_SUCCESS);
  DWORD size = ::GetEnvironmentVariableA(name, nullptr, 0);
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (size == 0) {
      const DWORD error = ::GetLastError();
      return error == ERROR_SUCCESS || error == ERROR_ENVVAR_NOT_FOUND ? std::optional<Text>(Text())
                                                                       : std::nullopt;
    }
    Text buffer(size, '\0');
    ::SetLastError(ERROR_SUCCESS);
    const DWORD got = ::GetEnvironmentVariableA(name, buffer.data(), size);
    if (got > 0 && got < size) {
      if (::GetLastError() != ERROR_SUCCESS) return std::nullopt;
      return textFromBuffer(buffer.data(), got);
    }
    size = got;
  }
  return std::nullopt;
}

class Win32Environment final : public SystemEnvironment {
 public:
  Win32Environment() = default;
  Win32Environment(const Win32Environment&) = delete;
  Win32Environment& operator=(const Win32Environment&) = delete;

  // One CoUninitialize for the object, and only when a call initialised COM:
  // otherwise it would undo someone else's initialisation of this thread.
  ~Win32Environment() override {
    if (initialized_) ::CoUninitialize();
  }

  VariableRead readVariableChecked(bool user, const Text& name, bool fallback) override {
    ComPtr<IDispatch> collection = open(user);
    Variant nameArg, result;
    setText(nameArg, name);
    // A failed read must not look like an absent variable: the fallback would
    // then pass the process's PATH off as the machine's.
    if (FAILED(invoke(collection.get(), L"Item", DISPATCH_PROPERTYGET | DISPATCH_METHOD, nameArg.get(), 1,
                      result.get()))) {
      return {};
    }
    auto value = textOf(result);
    if (!value) return {};
    if (!value->empty()) return {std::move(*value), ReadSource::Collection};
    if (fallback) {
      auto process = processVariable(name.c_str());
      if (!process) return {};
      if (!process->empty()) return {std::move(*process), ReadSource::ProcessEnvironment};
    }
    return {Text(), ReadSource::Collection};
  }

  bool writeVariable(bool user, const Text& name, const Text& value) override {
    ComPtr<IDispatch> collection = open(user);
    Variant args[2];
    setText(args[0], value);
    setText(args[1], name);
    VARIANT raw[2] = {*args[0], *args[1]};
    return SUCCEEDED(invoke(collection.get(), L"Item", DISPATCH_PROPERTYPUT, raw, 2, nullptr));
  }

  // True when the variable is not in the collection afterwards. A Remove that
  // failed (no rights, say) is not reported as done.
  bool removeVariable(bool user, const Text& name) override {
    ComPtr<IDispatch> collection = open(user);
    if (!collection) return false;
    Variant nameArg, result;
    setText(nameArg, name);
    if (SUCCEEDED(invoke(collection.get(), L"Remove", DISPATCH_METHOD, nameArg.get(), 1, result.get()))) {
      const auto number = numberOf(result);  // Remove gives no value, which reads as 0
      return !number || std::fabs(*number) < 1e-7;
    }
    // Windows fails Remove for a name it does not hold: then nothing is left.
    Variant itemArg, item;
    setText(itemArg, name);
    if (FAILED(invoke(collection.get(), L"Item", DISPATCH_PROPERTYGET | DISPATCH_METHOD, itemArg.get(), 1,
                      item.get()))) {
      return false;
    }
    const auto value = textOf(item);
    return value && value->empty();
  }

  int countVariables(bool user) override {
    ComPtr<IDispatch> collection = open(user);
    Variant result;
    if (FAILED(invoke(collection.get(), L"length", DISPATCH_PROPERTYGET, nullptr, 0, result.get())))
      return -1;
    const auto number = numberOf(result);
    if (!number || !(*number >= 0 && *number < 2147483648.0)) return -1;
    return static_cast<int>(*number);  // toward zero
  }

  int listVariables(bool user, TextList& list) override {
    ComPtr<IDispatch> collection = open(user);
    Variant result;
    if (FAILED(invoke(collection.get(), L"_NewEnum", DISPATCH_METHOD | DISPATCH_PROPERTYGET, nullptr, 0,
                      result.get()))) {
      return -1;
    }
    IUnknown* unknown = nullptr;
    if ((*result).vt == VT_UNKNOWN) unknown = (*result).punkVal;
    if ((*result).vt == VT_DISPATCH) unknown = (*result).pdispVal;
    ComPtr<IEnumVARIANT> items;
    if (unknown == nullptr ||
        FAILED(unknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(items.out())))) {
      return -1;
    }
    for (;;) {
      Variant item;
      ULONG fetched = 0;
      if (items->Next(1, item.get(), &fetched) != S_OK) break;
      if (fetched == 1) appendText(list, textOf(item).value_or(Text()));
      // A long collection must not freeze the window.
      dispatchPendingMessages();
    }
    return listSize(list);
  }

  int commandLineArguments(TextList& list) override {
    list.members().clear();
    int count = 0;
    LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    const LocalMemory owner(args);
    if (args == nullptr) return 0;
    // Code page 936 whatever the system's ANSI code page, as the tool is made for it.
    for (int i = 1; i < count; ++i) {
      appendText(list, narrow(args[i], static_cast<int>(::lstrlenW(args[i])), 936, WC_COMPOSITECHECK));
    }
    return listSize(list);
  }

  Text currentDirectory() override {
    DWORD size = ::GetCurrentDirectoryA(0, nullptr);
    while (size > 0) {
      Text buffer(size, '\0');
      const DWORD got = ::GetCurrentDirectoryA(size, buffer.data());
      if (got == 0) return {};
      if (got < size) return textFromBuffer(buffer.data(), got);
      size = got;
    }
    return {};
  }

  Text programPath(bool full) override {
    // GetModuleFileNameExA cuts a long path silently: grow until it fits.
    for (DWORD size = MAX_PATH; size <= 65536; size *= 2) {
      Text buffer(size, '\0');
      const DWORD got =
          ::GetModuleFileNameExA(::GetCurrentProcess(), ::GetModuleHandleA(nullptr), buffer.data(), size);
      if (got == 0) return {};
      if (got < size - 1) {
        const Text path = textFromBuffer(buffer.data(), got);
        return full ? path : Text(::PathFindFileNameA(path.c_str()));
      }
    }
    return {};
  }

  Text commandInterpreter() override { return processVariable("COMSPEC").value_or(Text()); }

  void announceChange() override {
    DWORD_PTR answer = 0;
    ::SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("Environment"),
                          SMTO_ABORTIFHUNG, 5000, &answer);
  }

 private:
  // The opening of every variable call: COM on this thread, the shell object,
  // and its collection "user" or "system". Empty when any step failed; the
  // shell object is released on return, the collection by the caller.
  ComPtr<IDispatch> open(bool user) {
    if (SUCCEEDED(::CoInitialize(nullptr))) initialized_ = true;
    ComPtr<IDispatch> shell = createAutomationObject(L"WScript.Shell");
    if (!shell) return {};
    Variant which, result;
    setText(which, user ? "user" : "system");
    if (FAILED(invoke(shell.get(), L"Environment", DISPATCH_METHOD | DISPATCH_PROPERTYGET, which.get(), 1,
                      result.get())) ||
        FAILED(::VariantChangeType(result.get(), result.get(), 0, VT_DISPATCH)) ||
        (*result).pdispVal == nullptr) {
      return {};
    }
    (*result).pdispVal->AddRef();
    return ComPtr<IDispatch>((*result).pdispVal);
  }

  bool initialized_ = false;
};

}  // namespace

std::unique_ptr<SystemEnvironment> makeSystemEnvironment(const EnvironmentLocations&) {
  return std::make_unique<Win32Environment>();
}

EnvironmentLocations defaultEnvironmentLocations() {
  return {};
}

}  // namespace phpswitch
