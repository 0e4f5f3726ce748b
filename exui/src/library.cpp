#include "library.h"

#include <objidl.h>
#include <gdiplus.h>
#include <wincodec.h>

#include "control.h"
#include "draw.h"
#include "image.h"
#include "menu.h"

namespace storvane::exui {

namespace {

HINSTANCE ModuleOfThisCode() {
  MEMORY_BASIC_INFORMATION info{};
  static const int anchor = 0;
  if (::VirtualQuery(&anchor, &info, sizeof info) == 0) return nullptr;
  return static_cast<HINSTANCE>(info.AllocationBase);
}

// Our own windows carry their control's handle under this property.
constexpr wchar_t kOwnWindowProperty[] = L"ExuiControl";

}  // namespace

Library::Library() : module_(ModuleOfThisCode()) {}

Library::~Library() = default;

Library& Library::Instance() {
  static Library library;
  return library;
}

bool Library::EnsureGdiplus() {
  // Never from DllMain: GDI+ start-up creates a thread and loads modules.
  std::call_once(gdiplusOnce_, [this] {
    Gdiplus::GdiplusStartupInput input;
    gdiplusReady_ = Gdiplus::GdiplusStartup(&gdiplusToken_, &input, nullptr) == Gdiplus::Ok;
  });
  return gdiplusReady_;
}

IWICImagingFactory* Library::ImagingFactory() {
  std::lock_guard lock(imagingMutex_);
  if (imagingFactory_ == nullptr) {
    ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&imagingFactory_));
  }
  return imagingFactory_;
}

Surface& Library::PaintSurface() {
  std::lock_guard lock(mutex_);
  PaintSurfaceOfThread& entry = paintSurfaces_[::GetCurrentThreadId()];
  if (!entry.surface) entry.surface = std::make_unique<Surface>();
  entry.lastUse = ::GetTickCount64();
  return *entry.surface;
}

void Library::ReleaseIdlePaintSurface(ULONGLONG idleMs) {
  std::lock_guard lock(mutex_);
  auto found = paintSurfaces_.find(::GetCurrentThreadId());
  if (found == paintSurfaces_.end() || !found->second.surface) return;
  if (::GetTickCount64() - found->second.lastUse >= idleMs) found->second.surface->Release();
}

int32_t Library::NextHandle() {
  std::lock_guard lock(mutex_);
  return nextHandle_++;
}

int32_t Library::AddBin(std::vector<uint8_t> bytes) {
  auto bin = std::make_shared<BinBuffer>();
  bin->bytes = std::move(bytes);
  std::lock_guard lock(mutex_);
  int32_t handle = nextHandle_++;
  bins_[handle] = std::move(bin);
  return handle;
}

bool Library::RemoveBin(int32_t handle) {
  std::lock_guard lock(mutex_);
  return bins_.erase(handle) != 0;
}

std::shared_ptr<BinBuffer> Library::FindBin(int32_t handle) {
  std::lock_guard lock(mutex_);
  auto it = bins_.find(handle);
  return it == bins_.end() ? nullptr : it->second;
}

std::vector<uint8_t> Library::BinBytes(int32_t handle) {
  auto bin = FindBin(handle);
  return bin ? bin->bytes : std::vector<uint8_t>{};
}

int32_t Library::AddImage(std::shared_ptr<Image> image) {
  std::lock_guard lock(mutex_);
  int32_t handle = nextHandle_++;
  images_[handle] = std::move(image);
  return handle;
}

bool Library::RemoveImage(int32_t handle) {
  std::shared_ptr<Image> released;  // destroyed outside the lock
  std::lock_guard lock(mutex_);
  auto it = images_.find(handle);
  if (it == images_.end()) return false;
  released = std::move(it->second);
  images_.erase(it);
  return true;
}

std::shared_ptr<Image> Library::FindImage(int32_t handle) {
  std::lock_guard lock(mutex_);
  auto it = images_.find(handle);
  return it == images_.end() ? nullptr : it->second;
}

void Library::AddControl(std::shared_ptr<Control> control) {
  std::lock_guard lock(mutex_);
  controls_[control->Handle()] = std::move(control);
}

std::shared_ptr<Control> Library::RemoveControl(int32_t handle) {
  std::lock_guard lock(mutex_);
  auto it = controls_.find(handle);
  if (it == controls_.end()) return nullptr;
  auto control = std::move(it->second);
  controls_.erase(it);
  return control;
}

std::shared_ptr<Control> Library::FindControl(int32_t handleOrWindow) {
  {
    std::lock_guard lock(mutex_);
    auto it = controls_.find(handleOrWindow);
    if (it != controls_.end()) return it->second;
  }
  HWND window = reinterpret_cast<HWND>(static_cast<intptr_t>(handleOrWindow));
  if (handleOrWindow == 0 || !::IsWindow(window)) return nullptr;
  for (const wchar_t* property : {kTabControlProperty, kOwnWindowProperty}) {
    auto value = static_cast<int32_t>(reinterpret_cast<intptr_t>(::GetPropW(window, property)));
    if (value == 0) continue;
    std::lock_guard lock(mutex_);
    auto it = controls_.find(value);
    if (it != controls_.end()) return it->second;
  }
  return nullptr;
}

std::vector<std::shared_ptr<Control>> Library::ControlsOfRoot(HWND root) {
  std::vector<std::shared_ptr<Control>> all;
  {
    std::lock_guard lock(mutex_);
    for (auto& [handle, control] : controls_) all.push_back(control);
  }
  std::vector<std::shared_ptr<Control>> result;
  for (auto& control : all) {
    HWND own = control->Window();
    if (own != nullptr && ::GetAncestor(own, GA_ROOT) == root) result.push_back(control);
  }
  return result;
}

void Library::AddMenu(std::shared_ptr<Menu> menu) {
  std::lock_guard lock(mutex_);
  menus_[menu->Handle()] = std::move(menu);
}

std::shared_ptr<Menu> Library::RemoveMenu(int32_t handle) {
  std::lock_guard lock(mutex_);
  auto it = menus_.find(handle);
  if (it == menus_.end()) return nullptr;
  auto menu = std::move(it->second);
  menus_.erase(it);
  return menu;
}

std::shared_ptr<Menu> Library::FindMenu(int32_t handle) {
  std::lock_guard lock(mutex_);
  auto it = menus_.find(handle);
  return it == menus_.end() ? nullptr : it->second;
}

void Library::RegisterModule(ExuiValue module) {
  std::lock_guard lock(mutex_);
  for (ExuiValue known : modules_) {
    if (known == module) return;
  }
  modules_.push_back(module);
}

const char* Library::ReturnText(std::string_view text) {
  thread_local std::string buffer;
  buffer.assign(text.data(), text.size());
  return buffer.c_str();
}

void MarkOwnWindow(HWND window, int32_t handle) {
  ::SetPropW(window, kOwnWindowProperty, reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle)));
}

void UnmarkOwnWindow(HWND window) { ::RemovePropW(window, kOwnWindowProperty); }

}  // namespace storvane::exui
