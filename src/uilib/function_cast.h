// Conversions between routine pointer types. Entry points come out of export tables as FARPROC
// and must be called through their real type; going through a parameterless routine type says
// so explicitly, which the compiler accepts without a cast-function-type warning.
#pragma once

namespace storvane::uilib {

template <typename To, typename From>
To FunctionCast(From routine) {
  return reinterpret_cast<To>(reinterpret_cast<void (*)()>(routine));
}

}  // namespace storvane::uilib
