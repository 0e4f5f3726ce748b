// Owners for the GDI+ flat-API objects the tests use to save screenshots, on the shared handle
// template; kept out of util/handles.h so that only code that needs them pulls in <gdiplus.h>.
#pragma once

#include <windows.h>
#include <objidl.h>  // PROPID, which the lean Windows headers leave out
#include <gdiplus.h>

#include "util/handles.h"

namespace storvane::updater::testing {

namespace gdiplus_traits {

template <typename T, Gdiplus::GpStatus(WINGDIPAPI* Delete)(T*)>
struct Object {
  using type = T*;
  static type invalid() noexcept { return nullptr; }
  static bool is_valid(type p) noexcept { return p != nullptr; }
  static void close(type p) noexcept { Delete(p); }
};

}  // namespace gdiplus_traits

using UniqueGdipImage = UniqueResource<gdiplus_traits::Object<Gdiplus::GpImage, Gdiplus::DllExports::GdipDisposeImage>>;

// GDI+ started for a scope.
class GdiplusSession {
public:
  GdiplusSession() noexcept {
    Gdiplus::GdiplusStartupInput input;
    ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
  }
  ~GdiplusSession() {
    if (ok_) Gdiplus::GdiplusShutdown(token_);
  }
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  bool ok() const noexcept { return ok_; }

private:
  ULONG_PTR token_ = 0;
  bool ok_ = false;
};

}  // namespace storvane::updater::testing
