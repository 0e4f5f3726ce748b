#include "catalogue/desktop_shortcut.h"

#include <windows.h>
#include <oleauto.h>
#include <shlobj.h>

#include "util/com.h"
#include "util/text.h"
#include "util/win_text.h"

namespace storvane {
namespace {

// Position (0-based) just behind the last byte `separator` that starts a character, or 0.
// Byte-wise searching would cut GBK characters whose trail byte is 0x5C.
size_t AfterLastSeparator(std::string_view path, std::string_view separators) {
  size_t after = 0;
  for (size_t i = 0; i < path.size();) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsLeadByte(c)) {
      i += 2;
      continue;
    }
    if (separators.find(static_cast<char>(c)) != std::string_view::npos) after = i + 1;
    ++i;
  }
  return after;
}

// Offset of the extension's dot in the last path part, or npos. A space or a separator ends a
// candidate extension, as the shell's own lookup does.
size_t ExtensionOffset(std::string_view path) {
  size_t dot = std::string_view::npos;
  for (size_t i = 0; i < path.size();) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsLeadByte(c)) {
      i += 2;
      continue;
    }
    if (c == '\\' || c == '/' || c == ' ')
      dot = std::string_view::npos;
    else if (c == '.')
      dot = i;
    ++i;
  }
  return dot;
}

std::string WithTrailingBackslash(std::wstring_view folder) {
  if (folder.empty()) return {};
  std::string path = WideToGbk(folder);
  if (path.empty()) return {};
  if (AfterLastSeparator(path, "\\") != path.size()) path += '\\';
  return path;
}

std::string ShellFolder(int csidl) {
  wchar_t buffer[MAX_PATH] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE)) return {};
  return WithTrailingBackslash(buffer);
}

// The shell object is found as the coclass "WshShell" of the script host's type library; where
// that library is not registered under that file name, the same object is reached by its
// ProgID.
ComPtr<IDispatch> CreateShellObject() {
  ComPtr<ITypeLib> library;
  if (SUCCEEDED(::LoadTypeLibEx(L"wshom.ocx", REGKIND_NONE, library.put()))) {
    const UINT count = library->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
      TYPEKIND kind;
      if (FAILED(library->GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS) continue;
      UniqueBstr name;
      if (FAILED(library->GetDocumentation(static_cast<INT>(i), name.put(), nullptr, nullptr, nullptr))) continue;
      if (name.get() == nullptr || std::wstring_view(name.get()) != L"WshShell") continue;
      ComPtr<ITypeInfo> info;
      if (FAILED(library->GetTypeInfo(i, info.put()))) break;
      TYPEATTR* attributes = nullptr;
      if (FAILED(info->GetTypeAttr(&attributes))) break;
      const CLSID clsid = attributes->guid;
      info->ReleaseTypeAttr(attributes);
      ComPtr<IDispatch> shell;
      if (SUCCEEDED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, shell.put_void()))) {
        return shell;
      }
      break;
    }
  }
  return CreateObject("WScript.Shell");
}

}  // namespace

std::string ShortcutLinkPath(std::string_view name, std::string_view desktopFolder) {
  std::string linkName(name);
  if (FindText(linkName, "\\") > 0) {
    const std::string fileName = linkName.substr(AfterLastSeparator(linkName, "\\"));
    const size_t dot = ExtensionOffset(fileName);
    linkName = dot == std::string::npos ? fileName : fileName.substr(0, dot);
  }
  if (FindText(linkName, ".lnk", 1, true) > 0) return ConcatTexts(desktopFolder, linkName);
  return ConcatTexts(desktopFolder, linkName, ".lnk");
}

std::string ShortcutWorkingDirectory(std::string_view target) {
  const std::string path = ReplaceText(target, "/", "\\");
  const TextArray parts = SplitText(path, "\\");
  if (parts.size() <= 1) return {};
  std::string folder;
  for (size_t i = 0; i + 1 < parts.size(); ++i) folder += parts[i] + "\\";
  return folder;
}

std::string DefaultShortcutIconLocation(std::string_view target) {
  if (ExtensionOffset(target) == std::string_view::npos) return "SHELL32.dll,4";
  return ConcatTexts(target, ",0");
}

bool CreateDesktopShortcut(std::string_view name, std::string_view target, std::string_view arguments,
                           std::optional<std::string> iconLocation, int windowStyle, std::string_view description,
                           std::string_view hotkey) {
  const std::string linkPath = ShortcutLinkPath(name, GetSpecialFolderPath(0));
  const std::wstring wideLinkPath = GbkToWide(linkPath);
  if (::GetFileAttributesW(wideLinkPath.c_str()) != INVALID_FILE_ATTRIBUTES) ::DeleteFileW(wideLinkPath.c_str());

  const std::string workingDirectory = ShortcutWorkingDirectory(target);
  if (workingDirectory.empty()) return false;

  ComInit com;
  ComPtr<IDispatch> shortcut;
  {
    ComPtr<IDispatch> shell = CreateShellObject();
    if (!shell) return false;
    shortcut = CallMethod(shell.get(), "CreateShortcut", linkPath).ToObject();
  }
  if (!shortcut) return false;

  if (PutProperty(shortcut.get(), "TargetPath", std::string(target))) {
    PutProperty(shortcut.get(), "WorkingDirectory", workingDirectory);
    const bool iconGiven = iconLocation.has_value() && !iconLocation->empty();
    PutProperty(shortcut.get(), "IconLocation", iconGiven ? *iconLocation : DefaultShortcutIconLocation(target));
    PutProperty(shortcut.get(), "WindowStyle", windowStyle);
    PutProperty(shortcut.get(), "Description", std::string(description));
    PutProperty(shortcut.get(), "Arguments", std::string(arguments));
    PutProperty(shortcut.get(), "Hotkey", std::string(hotkey));
    CallMethod(shortcut.get(), "Save");
  }
  return true;
}

std::string GetSpecialFolderPath(int kind) {
  switch (kind) {
    case 0:
    case 3:
      return ShellFolder(CSIDL_DESKTOPDIRECTORY);
    case 1:
      return ShellFolder(CSIDL_PERSONAL);
    case 2:
      return ShellFolder(CSIDL_FAVORITES);
    case 4:
      return ShellFolder(CSIDL_FONTS);
    case 5:
      return ShellFolder(CSIDL_STARTMENU);
    case 6:
      return ShellFolder(CSIDL_PROGRAMS);
    case 7:
      return ShellFolder(CSIDL_STARTUP);
    case 8:
      return ShellFolder(CSIDL_APPDATA);
    case 9: {
      wchar_t buffer[MAX_PATH] = {};
      const UINT length = ::GetWindowsDirectoryW(buffer, MAX_PATH);
      return length > 0 && length < MAX_PATH ? WithTrailingBackslash(buffer) : std::string();
    }
    case 10: {
      wchar_t buffer[MAX_PATH] = {};
      const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH);
      return length > 0 && length < MAX_PATH ? WithTrailingBackslash(buffer) : std::string();
    }
    case 11: {
      wchar_t buffer[MAX_PATH + 1] = {};
      const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
      return length > 0 && length <= MAX_PATH ? WithTrailingBackslash(buffer) : std::string();
    }
    case 12:
      return ShellFolder(CSIDL_INTERNET_CACHE);
    case 13:
      return ShellFolder(CSIDL_COMMON_APPDATA);
    default:
      return {};
  }
}

}  // namespace storvane
