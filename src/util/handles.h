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

struct Module {
  using type = HMODULE;
  static type invalid() noexcept { return nullptr; }
  static bool is_valid(type h) noexcept { return h != nullptr; }
  static void close(type h) noexcept { ::FreeLibrary(h); }
};

template <typename H>
struct Gdi {
  using type = H;
  static type invalid() noexcept { return nullptr; }
  static bool is_valid(type h) noexcept { return h != nullptr; }
  static void close(type h) noexcept { ::DeleteObject(reinterpret_cast<HGDIOBJ>(h)); }
};

struct MemoryDc {
  using type = HDC;
  static type invalid() noexcept { return nullptr; }
  static bool is_valid(type h) noexcept { return h != nullptr; }
  static void close(type h) noexcept { ::DeleteDC(h); }
};

struct Icon {
  using type = HICON;
  static type invalid() noexcept { return nullptr; }
  static bool is_valid(type h) noexcept { return h != nullptr; }
  static void close(type h) noexcept { ::DestroyIcon(h); }
};

struct Menu {
  using type = HMENU;
  static type invalid() noexcept { return nullptr; }
  static bool is_valid(type h) noexcept { return h != nullptr; }
  static void close(type h) noexcept { ::DestroyMenu(h); }
};

struct VirtualMemory {
  using type = void*;
  static type invalid() noexcept { return nullptr; }
  static bool is_valid(type p) noexcept { return p != nullptr; }
  static void close(type p) noexcept { ::VirtualFree(p, 0, MEM_RELEASE); }
};

struct Window {
  using type = HWND;
  static type invalid() noexcept { return nullptr; }
  static bool is_valid(type h) noexcept { return h != nullptr; }
  static void close(type h) noexcept { ::DestroyWindow(h); }
};

struct Global {
  using type = HGLOBAL;
  static type invalid() noexcept { return nullptr; }
  static bool is_valid(type h) noexcept { return h != nullptr; }
  static void close(type h) noexcept { ::GlobalFree(h); }
};

struct Hook {
  using type = HHOOK;
  static type invalid() noexcept { return nullptr; }
  static bool is_valid(type h) noexcept { return h != nullptr; }
  static void close(type h) noexcept { ::UnhookWindowsHookEx(h); }
};

// CryptoAPI provider contexts and hashes (advapi32).
struct CryptProvider {
  using type = HCRYPTPROV;
  static type invalid() noexcept { return 0; }
  static bool is_valid(type h) noexcept { return h != 0; }
  static void close(type h) noexcept { ::CryptReleaseContext(h, 0); }
};

struct CryptHash {
  using type = HCRYPTHASH;
  static type invalid() noexcept { return 0; }
  static bool is_valid(type h) noexcept { return h != 0; }
  static void close(type h) noexcept { ::CryptDestroyHash(h); }
};

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
