#!/usr/bin/env bash
# Builds Storvane for both architectures and runs the test suites under Wine and Xvfb:
# the i686 build (what we ship) where this host runs 32-bit programs, the x86_64 build (a test
# build of the same code) always. Both trees are always built: the shipped build must compile on
# every host. The suites run one after the other (they share the demo service's port).
#
# Extra arguments go to ctest (for example: scripts/test.sh -L text).
# BUILD_ROOT holds the trees (default: build; trees BUILD_ROOT/i686 and BUILD_ROOT/x86_64, each
# with its own Wine prefix); ARCHS="x86_64" limits the run to some architectures;
# SKIP_SETUP=1 skips the package check; TARGETS="a b" builds only those targets; SKIP_NATIVE=1
# leaves out the native sanitizer and fuzz lane;
# STORVANE_HOST_64_ONLY=1 behaves as a host that runs 64-bit programs only.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_ROOT=${BUILD_ROOT:-$ROOT/build}
source "$ROOT/scripts/host-arch.sh"

[ "${SKIP_SETUP:-0}" = 1 ] || "$ROOT/scripts/setup.sh"

archs=${ARCHS:-"i686 x86_64"}
runs32=0
if host_runs_32bit; then runs32=1; fi

toolchain_of() { [ "$1" = i686 ] && echo "$ROOT/cmake/toolchain-mingw32.cmake" || echo "$ROOT/cmake/toolchain-mingw64.cmake"; }

build_tree() {
  local arch=$1 dir="$BUILD_ROOT/$1"
  mkdir -p "$dir"
  if ! cmake -S "$ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$(toolchain_of "$arch")" >"$dir/configure.log" 2>&1; then
    tail -30 "$dir/configure.log"
    echo "$arch: configuring failed (full log: $dir/configure.log)"
    return 1
  fi
  local build_args=()
  for t in ${TARGETS:-}; do build_args+=(--target "$t"); done
  if ! cmake --build "$dir" -j"$(nproc)" "${build_args[@]}" >"$dir/build.log" 2>&1; then
    grep -Ev '^\[ *[0-9]+%\]' "$dir/build.log" | tail -60
    echo "$arch: build failed (full log: $dir/build.log)"
    return 1
  fi
}

# Runs one tree's suite in its own prefix, with a private Xvfb and Wine's services started with
# their output discarded (CTest would otherwise wait on the pipes they inherit).
test_tree() {
  local arch=$1
  (
    export BUILD_DIR="$BUILD_ROOT/$arch"
    "$ROOT/scripts/wineprefix.sh"
    source "$ROOT/scripts/wine-env.sh"
    source "$ROOT/scripts/xvfb.sh"
    start_xvfb
    cleanup() { wineserver -k >/dev/null 2>&1 || true; stop_xvfb; }
    trap cleanup EXIT
    (wineserver -p; "$WINE" cmd /c exit) >/dev/null 2>&1 </dev/null
    ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)" "${CTEST_ARGS[@]}"
  )
}

# Static checks first (layer rules, format, clang-tidy): a break stops the run before the long
# builds, naming the file and line. LINT_FORMAT=0 / LINT_TIDY=0 leave a step out while working.
if ! "$ROOT/scripts/lint.sh"; then
  echo "lint: failed (see above)"
  exit 1
fi

CTEST_ARGS=("$@")
status=0
summary=()
total_passed=0
total_failed=0
for arch in $archs; do
  t0=$(date +%s)
  if ! build_tree "$arch"; then
    status=1
    summary+=("$arch: build failed")
    continue
  fi
  t1=$(date +%s)
  if [ "$arch" = i686 ] && [ "$runs32" = 0 ]; then
    summary+=("i686: built in $((t1 - t0)) s; not tested: $(host_32bit_reason)")
    continue
  fi
  echo "== $arch suite =="
  log="$BUILD_ROOT/$arch/ctest.log"
  suite=0
  test_tree "$arch" 2>&1 | tee "$log" || suite=$?
  t2=$(date +%s)
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of' "$log" | tail -1 || true)
  if [ -n "$line" ]; then
    failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    count=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
    total_passed=$((total_passed + count - failed))
    total_failed=$((total_failed + failed))
  else
    line="no CTest summary (see $log)"
    suite=1
  fi
  [ "$suite" = 0 ] || status=1
  summary+=("$arch: tested: $line (build $((t1 - t0)) s, tests $((t2 - t1)) s)")
done

# The pure modules under AddressSanitizer, UndefinedBehaviorSanitizer and libFuzzer, natively.
if [ "${SKIP_NATIVE:-0}" != 1 ]; then
  echo "== native lane =="
  if SKIP_SETUP=1 "$ROOT/scripts/native.sh"; then summary+=("native: passed"); else status=1; summary+=("native: failed (see above)"); fi
fi

echo "== summary =="
for line in "${summary[@]}"; do echo "$line"; done
echo "total: $total_passed passed, $total_failed failed"
exit $status
