// Reads a window of another process through MSAA, as a screen reader or an end-to-end test
// would, and prints what it finds as UTF-8 lines:
//   exui_msaa_probe <window> dump            the object, its children and their children
//   exui_msaa_probe <window> do <i> [<j>]    default action of child i (or of j inside it)
//   exui_msaa_probe <window> hit <x> <y>     what lies at a screen point
// Fields of a line: kind|id|role|name|value|left,top,width,height|state|default action
#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Utf8(const wchar_t* text, int length = -1) {
  if (text == nullptr) return {};
  int n = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
  if (length < 0 && !out.empty()) out.pop_back();
  return out;
}

std::string Take(BSTR b) {
  std::string s = b != nullptr ? Utf8(b, static_cast<int>(::SysStringLen(b))) : std::string();
  ::SysFreeString(b);
  return s;
}

VARIANT Child(long id) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

void PrintLine(const char* kind, IAccessible* acc, long id) {
  VARIANT child = Child(id);
  BSTR name = nullptr, value = nullptr, action = nullptr;
  acc->get_accName(child, &name);
  acc->get_accValue(child, &value);
  acc->get_accDefaultAction(child, &action);
  VARIANT role, state;
  ::VariantInit(&role);
  ::VariantInit(&state);
  acc->get_accRole(child, &role);
  acc->get_accState(child, &state);
  long l = 0, t = 0, w = 0, h = 0;
  acc->accLocation(&l, &t, &w, &h, child);
  std::printf("%s|%ld|%ld|%s|%s|%ld,%ld,%ld,%ld|%ld|%s\n", kind, id, role.vt == VT_I4 ? role.lVal : -1,
              Take(name).c_str(), Take(value).c_str(), l, t, w, h, state.vt == VT_I4 ? state.lVal : -1,
              Take(action).c_str());
}

IAccessible* ChildObject(IAccessible* acc, long id) {
  IDispatch* dispatch = nullptr;
  if (acc->get_accChild(Child(id), &dispatch) != S_OK || dispatch == nullptr) return nullptr;
  IAccessible* object = nullptr;
  dispatch->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&object));
  dispatch->Release();
  return object;
}

void Dump(IAccessible* acc) {
  PrintLine("self", acc, CHILDID_SELF);
  long count = 0;
  acc->get_accChildCount(&count);
  std::printf("count|%ld\n", count);
  for (long i = 1; i <= count; ++i) {
    PrintLine("child", acc, i);
    if (IAccessible* object = ChildObject(acc, i)) {
      long inner = 0;
      object->get_accChildCount(&inner);
      for (long j = 1; j <= inner; ++j) PrintLine("sub", object, j);
      object->Release();
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HWND window = reinterpret_cast<HWND>(static_cast<intptr_t>(std::strtoll(argv[1], nullptr, 10)));
  IAccessible* acc = nullptr;
  HRESULT hr = ::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                            reinterpret_cast<void**>(&acc));
  if (FAILED(hr) || acc == nullptr) {
    std::printf("error|%08lx\n", static_cast<unsigned long>(hr));
    return 1;
  }
  std::string command = argv[2];
  int status = 0;
  if (command == "dump") {
    Dump(acc);
  } else if (command == "do" && argc >= 4) {
    long i = std::strtol(argv[3], nullptr, 10);
    if (argc >= 5) {
      IAccessible* object = ChildObject(acc, i);
      hr = object != nullptr ? object->accDoDefaultAction(Child(std::strtol(argv[4], nullptr, 10))) : E_FAIL;
      if (object != nullptr) object->Release();
    } else {
      hr = acc->accDoDefaultAction(Child(i));
    }
    std::printf("do|%08lx\n", static_cast<unsigned long>(hr));
    status = SUCCEEDED(hr) ? 0 : 1;
  } else if (command == "hit" && argc >= 5) {
    VARIANT hit;
    ::VariantInit(&hit);
    hr = acc->accHitTest(std::strtol(argv[3], nullptr, 10), std::strtol(argv[4], nullptr, 10), &hit);
    if (hit.vt == VT_I4) {
      std::printf("hit|%ld\n", hit.lVal);
    } else if (hit.vt == VT_DISPATCH && hit.pdispVal != nullptr) {
      IAccessible* object = nullptr;
      hit.pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&object));
      if (object != nullptr) {
        PrintLine("hitobject", object, CHILDID_SELF);
        object->Release();
      }
    } else {
      std::printf("hit|none|%08lx\n", static_cast<unsigned long>(hr));
    }
    ::VariantClear(&hit);
  } else {
    status = 2;
  }
  acc->Release();
  std::fflush(stdout);
  ::CoUninitialize();
  return status;
}
