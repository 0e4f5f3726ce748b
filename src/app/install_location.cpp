#include "app/install_location.h"

#include <windows.h>

#include "catalogue/desktop_shortcut.h"
#include "sys/kill_process.h"
#include "sys/pumping_wait.h"
#include "util/handles.h"
#include "util/log.h"
#include "util/text.h"
#include "util/win_text.h"

namespace storvane {
namespace {

constexpr char kInstallSuffix[] = "\\quorlen\\storvane\\zor";
constexpr char kScriptName[] = "tem.vbs";
constexpr char kNoticeCaption[] = "提示：";

std::wstring Wide(std::string_view gbk) { return GbkToWide(gbk); }

// Full path of the running executable.
std::string ModulePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return WideToGbk(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::optional<ULONGLONG> FileSize(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
  return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Which file or folder a path names, independent of letter case, short names, "/" or "\\":
// the volume and the file index the system gives the opened object.
struct FileIdentity {
  DWORD volume = 0;
  DWORD indexHigh = 0;
  DWORD indexLow = 0;
  bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> IdentityOf(std::string_view path) {
  // Backup semantics let the same call open folders; no access right is needed to ask.
  UniqueHandle handle(::CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!handle || !::GetFileInformationByHandle(handle.get(), &info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

bool SameFileOrFolder(std::string_view a, std::string_view b) {
  const auto first = IdentityOf(a);
  return first && first == IdentityOf(b);
}

bool WriteWholeFile(std::string_view path, const std::string& bytes, DWORD attributes) {
  const std::wstring widePath = Wide(path);
  // A hidden file left by an earlier run refuses to be truncated under other attributes.
  ::SetFileAttributesW(widePath.c_str(), FILE_ATTRIBUTE_NORMAL);
  UniqueHandle file(::CreateFileW(widePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

}  // namespace

std::string InstallDirForWindowsDir(std::string_view windowsDir) {
  std::string base = ConcatTexts(windowsDir, "\\");
  while (FindText(base, "\\") > 0) base = TextBefore(base, "\\");
  while (FindText(base, "/") > 0) base = TextBefore(base, "/");
  return ConcatTexts(base, kInstallSuffix);
}

std::string GetInstallDir() {
  wchar_t buffer[MAX_PATH] = {};
  const UINT length = ::GetWindowsDirectoryW(buffer, MAX_PATH);
  const std::string windowsDir = length > 0 && length < MAX_PATH ? WideToGbk(buffer) : std::string();
  std::string installDir = InstallDirForWindowsDir(windowsDir);
  DispatchPendingMessages();

  const std::string drive = TextBefore(installDir, kInstallSuffix);
  for (const char* level : {"\\quorlen", "\\quorlen\\storvane", kInstallSuffix}) {
    ::CreateDirectoryW(Wide(ConcatTexts(drive, level)).c_str(), nullptr);
  }
  return installDir;
}

std::string GetRunDirectory() {
  const std::string path = ModulePath();
  const int slash = FindTextBackward(path, "\\");
  return slash > 0 ? path.substr(0, static_cast<size_t>(slash - 1)) : std::string();
}

std::string GetExecutableName() {
  const std::string path = ModulePath();
  const int slash = FindTextBackward(path, "\\");
  return slash > 0 ? path.substr(static_cast<size_t>(slash)) : path;
}

bool IsInsideInstallDir(std::string_view runDir, std::string_view installDir) {
  // Never by the text: "…\zor2" and "…\zor.old" begin with the install folder's path.
  const auto install = IdentityOf(installDir);
  if (!install) return false;
  // The folder itself or any folder above it may be the install directory under another name.
  std::string dir(runDir);
  while (!dir.empty()) {
    if (IdentityOf(dir) == install) return true;
    const size_t separator = dir.find_last_of("\\/");
    if (separator == std::string::npos || separator < 3) break;
    dir.resize(separator);
  }
  return false;
}

std::string SelfDeleteScriptText(std::string_view dirWithBackslash, std::string_view exeName) {
  return ConcatTexts("  Dim fso\r\n", "  Set fso = CreateObject(\"Scripting.FileSystemObject\")\r\n",
                     "  Wscript.Sleep(1000)\r\n", "  fso.DeleteFile(\"", dirWithBackslash, exeName, "\")\r\n",
                     "  fso.DeleteFile(\"", dirWithBackslash, kScriptName, "\")");
}

std::string WriteSelfDeleteScript(std::string_view runDir, std::string_view exeName) {
  const std::string dir = ConcatTexts(runDir, "\\");
  std::string scriptPath = ConcatTexts(dir, kScriptName);
  // The script host reads scripts in the system's ANSI code page.
  const std::string content = WideToCodePage(GbkToWide(SelfDeleteScriptText(dir, exeName)), CP_ACP);
  if (!WriteWholeFile(scriptPath, content, FILE_ATTRIBUTE_HIDDEN)) return {};
  ::SetFileAttributesW(Wide(scriptPath).c_str(), FILE_ATTRIBUTE_HIDDEN);
  return scriptPath;
}

bool StartSelfDeleteScript(std::string_view scriptPath) { return ShellOpenWide(scriptPath); }

void ScheduleSelfDelete() { ScheduleSelfDelete(GetRunDirectory(), GetExecutableName()); }

void ScheduleSelfDelete(std::string_view runDir, std::string_view exeName) {
  const std::string scriptPath = WriteSelfDeleteScript(runDir, exeName);
  if (!scriptPath.empty()) StartSelfDeleteScript(scriptPath);
  EndProgram();
}

int ShowTaskModalMessage(const std::string& text, const std::string& caption, UINT type) {
  return ::MessageBoxW(nullptr, Wide(text).c_str(), Wide(caption).c_str(), type | MB_TASKMODAL);
}

std::string RelocatedNotice(std::string_view installDir) {
  return ConcatTexts("程序非指定目录，已为您自动移动到以下目录！", "\r\n", installDir, "\r\n已在桌面创建快捷方式！");
}

std::string RelocationFailedNotice(std::string_view installDir) {
  return ConcatTexts("程序无法复制到以下目录，请检查磁盘空间和访问权限后重新运行！", "\r\n", installDir,
                     "\r\n本程序未做任何改动，仍保留在原位置。");
}

void RelocateIfNeeded(const RelocationRequest& request) {
  if (IsInsideInstallDir(request.runDir, request.installDir)) return;

  const MessageBoxSeam& show = request.showMessage ? request.showMessage : MessageBoxSeam(ShowTaskModalMessage);
  const std::string source = ConcatTexts(request.runDir, "/", request.exeName);
  const std::string destination = ConcatTexts(request.installDir, "/", request.exeName);
  // A path that reaches the running file by another way (a junction, a share) is no stranger
  // either: deleting "the old copy" would delete the only one.
  if (SameFileOrFolder(source, destination)) return;

  ::DeleteFileW(Wide(destination).c_str());
  ::CopyFileW(Wide(source).c_str(), Wide(destination).c_str(), FALSE);

  // Everything after this point removes the running copy, so the new one must be a different,
  // complete file: when it is not, the old copy stays and the user learns why.
  const std::optional<ULONGLONG> sourceSize = FileSize(source);
  const std::optional<ULONGLONG> copiedSize = FileSize(destination);
  if (!sourceSize || !copiedSize || *sourceSize != *copiedSize || SameFileOrFolder(source, destination)) {
    Log(ConcatTexts("relocation: copying ", source, " to ", destination, " failed; the old copy stays"));
    show(RelocationFailedNotice(request.installDir), kNoticeCaption, MB_OK | MB_ICONWARNING);
    KillProcess();
    EndProgram();
  }

  CreateDesktopShortcut(request.shortcutName, destination, {}, std::nullopt, 0, {}, {});
  Log(ConcatTexts("relocation: copied ", source, " to ", destination, "; the old copy is deleted after the end"));
  show(RelocatedNotice(request.installDir), kNoticeCaption, MB_OK);
  ::DeleteFileW(Wide(ConcatTexts(request.runDir, "/up.exe")).c_str());
  ScheduleSelfDelete(request.runDir, request.exeName);
}

}  // namespace storvane
