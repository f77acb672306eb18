// The folder dialog: SHBrowseForFolderA, preselecting the requested folder from
// the dialog's callback. Only the window's thread opens it.
#include "app/win32/win32_picker.h"

#include <objbase.h>
#include <shlobj.h>

namespace phpswitch {
namespace {

constexpr UINT kSetSelectionA = WM_USER + 102;  // BFFM_SETSELECTIONA
constexpr int kPathBufferSize = 512;

// The callback's lParam stays 0, as the dialog description asks, so the
// preselection reaches the callback through here while the dialog is open.
Text dialogSelection;

int CALLBACK browseCallback(HWND dialog, UINT message, LPARAM, LPARAM) {
  if (message == BFFM_INITIALIZED) {
    const char* folder = dialogSelection.empty() ? nullptr : dialogSelection.c_str();
    ::SendMessageA(dialog, kSetSelectionA, TRUE, reinterpret_cast<LPARAM>(folder));
  }
  return 0;
}

// The new-style dialog needs COM in a single-threaded apartment on this thread.
class ComApartment {
 public:
  ComApartment() : initialized_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (initialized_) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialized_;
};

struct ItemList {
  PIDLIST_ABSOLUTE items;
  ~ItemList() { ::CoTaskMemFree(items); }
};

}  // namespace

Text showFolderDialog(HWND owner, const FolderDialogRequest& request) {
  ComApartment com;
  BROWSEINFOA info{};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;
  info.pszDisplayName = nullptr;
  info.lpszTitle = request.title.c_str();
  info.ulFlags = request.flags;
  info.lpfn = browseCallback;
  info.lParam = 0;
  info.iImage = 0;

  Text buffer = blankText(kPathBufferSize);
  dialogSelection = request.initialFolder;
  ItemList chosen{::SHBrowseForFolderA(&info)};
  Text().swap(dialogSelection);
  // Without a choice there is nothing to convert; the blanks then trim to "".
  if (chosen.items != nullptr) ::SHGetPathFromIDListA(chosen.items, buffer.data());
  return trimBlanks(textFromBuffer(buffer.data(), buffer.size()));
}

}  // namespace phpswitch
