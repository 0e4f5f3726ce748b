#include "util/handles.h"

#include <gtest/gtest.h>

#include <vector>

namespace storvane {
namespace {

// Traits over plain ints that log every close, to pin down the ownership rules exactly.
std::vector<int> g_closed;  // test-local log; reset by each test

struct LoggingTraits {
  using type = int;
  static type invalid() noexcept { return -1; }
  static bool is_valid(type v) noexcept { return v >= 0; }
  static void close(type v) noexcept { g_closed.push_back(v); }
};
using Logged = UniqueResource<LoggingTraits>;

TEST(UniqueResource, ClosesEachValueExactlyOnce) {
  g_closed.clear();
  {
    Logged a(1);
    Logged b(2);
    EXPECT_TRUE(a);
    b = std::move(a);  // 2 is closed, 1 moves over
    EXPECT_FALSE(a);
    EXPECT_EQ(g_closed, std::vector<int>{2});
    b = std::move(b);  // self-move must not close
    EXPECT_EQ(b.get(), 1);
    Logged c(std::move(b));
    EXPECT_EQ(c.get(), 1);
    EXPECT_EQ(g_closed, std::vector<int>{2});
  }
  EXPECT_EQ(g_closed, (std::vector<int>{2, 1}));
}

TEST(UniqueResource, ReleaseResetPutAndSwap) {
  g_closed.clear();
  {
    Logged a(3);
    EXPECT_EQ(a.release(), 3);
    EXPECT_FALSE(a);
    a.reset(4);
    a.reset(5);
    EXPECT_EQ(g_closed, std::vector<int>{4});
    *a.put() = 6;  // put closes the held value first
    EXPECT_EQ(g_closed, (std::vector<int>{4, 5}));
    Logged b;
    EXPECT_EQ(b.get(), -1);
    b.swap(a);
    EXPECT_EQ(b.get(), 6);
    EXPECT_FALSE(a);
    a.reset();  // empty: nothing to close
    EXPECT_EQ(g_closed, (std::vector<int>{4, 5}));
  }
  EXPECT_EQ(g_closed, (std::vector<int>{4, 5, 6}));
}

TEST(KernelHandles, BothFailureValuesAreEmpty) {
  EXPECT_FALSE(UniqueHandle());
  EXPECT_FALSE(UniqueHandle(INVALID_HANDLE_VALUE));
  EXPECT_FALSE(UniqueHandle(nullptr));
  UniqueHandle file(
      ::CreateFileW(L"C:\\storvane\\no\\such\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(file);
}

TEST(KernelHandles, ResetClosesTheHandle) {
  UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(event);
  DWORD flags = 0;
  const HANDLE raw = event.get();
  EXPECT_TRUE(::GetHandleInformation(raw, &flags));
  UniqueHandle moved = std::move(event);
  EXPECT_TRUE(::GetHandleInformation(raw, &flags));
  moved.reset();
  EXPECT_FALSE(::GetHandleInformation(raw, &flags));
}

TEST(FindHandles, InvalidValueIsEmpty) {
  WIN32_FIND_DATAW data{};
  UniqueFindHandle none(::FindFirstFileW(L"C:\\storvane-no-such-dir\\*", &data));
  EXPECT_FALSE(none);
  UniqueFindHandle some(::FindFirstFileW(L"C:\\windows\\*", &data));
  EXPECT_TRUE(some);
}

TEST(OtherOwners, ModulesMemoryAndUserObjects) {
  UniqueModule module(::LoadLibraryW(L"shlwapi.dll"));
  EXPECT_TRUE(module);

  UniqueVirtualMemory memory(::VirtualAlloc(nullptr, 65536, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  ASSERT_TRUE(memory);
  void* const address = memory.get();
  memory.reset();
  MEMORY_BASIC_INFORMATION info{};
  ASSERT_NE(::VirtualQuery(address, &info, sizeof info), 0u);
  EXPECT_EQ(info.State, static_cast<DWORD>(MEM_FREE));

  UniqueMenu menu(::CreatePopupMenu());
  const HMENU rawMenu = menu.get();
  EXPECT_TRUE(::IsMenu(rawMenu));
  menu.reset();
  EXPECT_FALSE(::IsMenu(rawMenu));

  UniqueGdiObject brush(::CreateSolidBrush(RGB(1, 2, 3)));
  const HGDIOBJ rawBrush = brush.get();
  EXPECT_EQ(::GetObjectType(rawBrush), static_cast<DWORD>(OBJ_BRUSH));
  brush.reset();
  EXPECT_EQ(::GetObjectType(rawBrush), 0u);

  UniqueGlobal global(::GlobalAlloc(GMEM_MOVEABLE, 16));
  ASSERT_TRUE(global);
  {
    GlobalLockGuard lock(global.get());
    ASSERT_NE(lock.data(), nullptr);
    static_cast<char*>(lock.data())[0] = 'x';
    EXPECT_EQ(::GlobalFlags(global.get()) & GMEM_LOCKCOUNT, 1u);
  }
  EXPECT_EQ(::GlobalFlags(global.get()) & GMEM_LOCKCOUNT, 0u);
}

TEST(OtherOwners, WindowsAndDeviceContexts) {
  UniqueWindow window(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr));
  ASSERT_TRUE(window);
  const HWND rawWindow = window.get();
  window.reset();
  EXPECT_FALSE(::IsWindow(rawWindow));

  UniqueWindowDc screen = UniqueWindowDc::FromWindow(nullptr);
  ASSERT_TRUE(screen);
  UniqueMemoryDc memoryDc(::CreateCompatibleDC(screen.get()));
  ASSERT_TRUE(memoryDc);
  UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.get(), 4, 4));
  ASSERT_TRUE(bitmap);
  {
    ScopedSelectObject selected(memoryDc.get(), bitmap.get());
    EXPECT_EQ(::GetCurrentObject(memoryDc.get(), OBJ_BITMAP), bitmap.get());
  }
  EXPECT_NE(::GetCurrentObject(memoryDc.get(), OBJ_BITMAP), bitmap.get());
  UniqueWindowDc moved = std::move(screen);
  EXPECT_FALSE(screen);
  EXPECT_TRUE(moved);

  UniqueIcon icon(::CopyIcon(::LoadIconW(nullptr, MAKEINTRESOURCEW(32512))));
  EXPECT_TRUE(icon);
}

}  // namespace
}  // namespace storvane
