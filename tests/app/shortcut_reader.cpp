#include "app/shortcut_reader.h"

#include <shlobj.h>

#include "util/com.h"
#include "util/win_text.h"

namespace storvane::test_support {

// Loaded through the system's own shell-link object: the script host's shortcut object only
// writes links on some systems and does not load an existing one.
ShortcutFields ReadShortcut(const std::string& linkPath) {
  ShortcutFields fields;
  ComInit com;
  ComPtr<IShellLinkW> link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void()))) {
    return fields;
  }
  ComPtr<IPersistFile> file = link.As<IPersistFile>(IID_IPersistFile);
  if (!file || FAILED(file->Load(GbkToWide(linkPath).c_str(), STGM_READ))) return fields;
  fields.loaded = true;

  wchar_t buffer[1024] = {};
  if (SUCCEEDED(link->GetPath(buffer, 1024, nullptr, SLGP_RAWPATH))) fields.targetPath = WideToGbk(buffer);
  buffer[0] = L'\0';
  if (SUCCEEDED(link->GetWorkingDirectory(buffer, 1024))) fields.workingDirectory = WideToGbk(buffer);
  buffer[0] = L'\0';
  int index = 0;
  if (SUCCEEDED(link->GetIconLocation(buffer, 1024, &index))) {
    fields.iconLocation = WideToGbk(buffer) + "," + std::to_string(index);
  }
  buffer[0] = L'\0';
  if (SUCCEEDED(link->GetArguments(buffer, 1024))) fields.arguments = WideToGbk(buffer);
  buffer[0] = L'\0';
  if (SUCCEEDED(link->GetDescription(buffer, 1024))) fields.description = WideToGbk(buffer);
  return fields;
}

}  // namespace storvane::test_support
