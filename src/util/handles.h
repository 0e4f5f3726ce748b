// Move-only owners for every system handle the program holds. Each owner closes its handle
// exactly once, on destruction or reset, so no code path can leak or double-close one.
//
// The template is independent of any particular API header: modules whose handles come from
// headers that cannot share a translation unit (the two HTTP APIs) define their own traits
// next to their code and reuse UniqueResource.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <utility>

namespace storvane {

// Traits supply:
//   using type = <handle type>;
//   static type invalid() noexcept;            // the value an empty owner holds
//   static bool is_valid(type) noexcept;       // whether a value must be closed
//   static void close(type) noexcept;          // releases a valid value
template <typename Traits>
class UniqueResource {
public:
  using type = typename Traits::type;

  UniqueResource() noexcept = default;
  explicit UniqueResource(type value) noexcept : value_(value) {}
  ~UniqueResource() { reset(); }

  UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;

  type get() const noexcept { return value_; }
  bool valid() const noexcept { return Traits::is_valid(value_); }
  explicit operator bool() const noexcept { return valid(); }

  // Gives up ownership without closing.
  type release() noexcept { return std::exchange(value_, Traits::invalid()); }

  // Closes the held value (if any) and takes ownership of `value`.
  void reset(type value = Traits::invalid()) noexcept {
    type old = std::exchange(value_, value);
    if (Traits::is_valid(old)) Traits::close(old);
  }

  // Closes the held value and returns the address of the empty slot, for APIs that hand a
  // new handle back through an out parameter.
  type* put() noexcept {
    reset();
    return &value_;
  }

  void swap(UniqueResource& other) noexcept { std::swap(value_, other.value_); }

private:
  type value_ = Traits::invalid();
};

namespace handle_traits {

// Kernel objects: CreateFile and the snapshot functions fail with INVALID_HANDLE_VALUE, most
// others with null, so both count as empty.
struct Kernel {
  using type = HANDLE;
  static type invalid() noexcept { return nullptr; }
  static bool is_valid(type h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void close(type h) noexcept { ::CloseHandle(h); }
};

struct Find {
  using type = HANDLE;
  static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool is_valid(type h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void close(type h) noexcept { ::FindClose(h); }
};

// Handles whose empty value is null (or zero), released by one call: most of them.
template <typename H, auto Close>
struct NullEmpty {
  using type = H;
  static type invalid() noexcept { return type{}; }
  static bool is_valid(type h) noexcept { return h != type{}; }
  static void close(type h) noexcept { Close(h); }
};

template <typename H>
void DeleteGdiObject(H h) noexcept {
  ::DeleteObject(reinterpret_cast<HGDIOBJ>(h));
}
inline void ReleaseVirtualMemory(void* p) noexcept { ::VirtualFree(p, 0, MEM_RELEASE); }
inline void ReleaseCryptProvider(HCRYPTPROV h) noexcept { ::CryptReleaseContext(h, 0); }

using Module = NullEmpty<HMODULE, ::FreeLibrary>;
template <typename H>
using Gdi = NullEmpty<H, DeleteGdiObject<H>>;
using MemoryDc = NullEmpty<HDC, ::DeleteDC>;
using Icon = NullEmpty<HICON, ::DestroyIcon>;
using Menu = NullEmpty<HMENU, ::DestroyMenu>;
using VirtualMemory = NullEmpty<void*, ReleaseVirtualMemory>;
using Window = NullEmpty<HWND, ::DestroyWindow>;
using Global = NullEmpty<HGLOBAL, ::GlobalFree>;
using Hook = NullEmpty<HHOOK, ::UnhookWindowsHookEx>;
// CryptoAPI provider contexts and hashes (advapi32).
using CryptProvider = NullEmpty<HCRYPTPROV, ReleaseCryptProvider>;
using CryptHash = NullEmpty<HCRYPTHASH, ::CryptDestroyHash>;

}  // namespace handle_traits

using UniqueHandle = UniqueResource<handle_traits::Kernel>;           // CloseHandle
using UniqueFindHandle = UniqueResource<handle_traits::Find>;         // FindClose
using UniqueModule = UniqueResource<handle_traits::Module>;           // FreeLibrary
using UniqueGdiObject = UniqueResource<handle_traits::Gdi<HGDIOBJ>>;  // DeleteObject
using UniqueBitmap = UniqueResource<handle_traits::Gdi<HBITMAP>>;
using UniqueFont = UniqueResource<handle_traits::Gdi<HFONT>>;
using UniqueBrush = UniqueResource<handle_traits::Gdi<HBRUSH>>;
using UniquePen = UniqueResource<handle_traits::Gdi<HPEN>>;
using UniqueRegion = UniqueResource<handle_traits::Gdi<HRGN>>;
using UniqueMemoryDc = UniqueResource<handle_traits::MemoryDc>;            // CreateCompatibleDC → DeleteDC
using UniqueIcon = UniqueResource<handle_traits::Icon>;                    // DestroyIcon
using UniqueMenu = UniqueResource<handle_traits::Menu>;                    // DestroyMenu
using UniqueVirtualMemory = UniqueResource<handle_traits::VirtualMemory>;  // VirtualFree(MEM_RELEASE)
using UniqueWindow = UniqueResource<handle_traits::Window>;                // DestroyWindow
using UniqueGlobal = UniqueResource<handle_traits::Global>;                // GlobalFree
using UniqueHook = UniqueResource<handle_traits::Hook>;                    // UnhookWindowsHookEx
using UniqueCryptProvider = UniqueResource<handle_traits::CryptProvider>;  // CryptReleaseContext
using UniqueCryptHash = UniqueResource<handle_traits::CryptHash>;          // CryptDestroyHash

// A device context from GetDC/GetWindowDC: releasing it needs the window it came from, so it
// keeps both.
class UniqueWindowDc {
public:
  UniqueWindowDc() noexcept = default;
  // Takes ownership of `dc`, obtained from GetDC(window) (window may be null for the screen).
  UniqueWindowDc(HWND window, HDC dc) noexcept : window_(window), dc_(dc) {}
  // Calls GetDC(window); check with valid().
  static UniqueWindowDc FromWindow(HWND window) noexcept { return {window, ::GetDC(window)}; }
  ~UniqueWindowDc() { reset(); }

  UniqueWindowDc(UniqueWindowDc&& other) noexcept
      : window_(std::exchange(other.window_, nullptr)), dc_(std::exchange(other.dc_, nullptr)) {}
  UniqueWindowDc& operator=(UniqueWindowDc&& other) noexcept {
    if (this != &other) {
      reset();
      window_ = std::exchange(other.window_, nullptr);
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }
  UniqueWindowDc(const UniqueWindowDc&) = delete;
  UniqueWindowDc& operator=(const UniqueWindowDc&) = delete;

  HDC get() const noexcept { return dc_; }
  HWND window() const noexcept { return window_; }
  bool valid() const noexcept { return dc_ != nullptr; }
  explicit operator bool() const noexcept { return valid(); }

  void reset() noexcept {
    if (dc_ != nullptr) ::ReleaseDC(window_, dc_);
    dc_ = nullptr;
    window_ = nullptr;
  }

private:
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
};

// Keeps an object selected into a DC for a scope and puts the previous one back afterwards,
// so the object can be deleted safely once the scope ends.
class ScopedSelectObject {
public:
  ScopedSelectObject(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc), previous_(dc != nullptr && object != nullptr ? ::SelectObject(dc, object) : nullptr) {}
  ~ScopedSelectObject() {
    if (dc_ != nullptr && previous_ != nullptr && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

private:
  HDC dc_;
  HGDIOBJ previous_;
};

// GlobalLock for a scope.
class GlobalLockGuard {
public:
  explicit GlobalLockGuard(HGLOBAL memory) noexcept
      : memory_(memory), data_(memory != nullptr ? ::GlobalLock(memory) : nullptr) {}
  ~GlobalLockGuard() {
    if (data_ != nullptr) ::GlobalUnlock(memory_);
  }
  GlobalLockGuard(const GlobalLockGuard&) = delete;
  GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;

  void* data() const noexcept { return data_; }

private:
  HGLOBAL memory_;
  void* data_;
};

}  // namespace storvane
