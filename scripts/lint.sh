#!/usr/bin/env bash
# Static checks of the sources: the layer rules of the includes, the format (.clang-format) of
# every C++ source and header, and clang-tidy (.clang-tidy) over the product's sources as the
# i686 cross build compiles them. Every step runs; each one that fails says why, and the script
# exits 1 when any failed.
#
#   LINT_FORMAT=0   skips the format check
#   LINT_TIDY=0     skips clang-tidy
#   LINT_JOBS=N     clang-tidy processes at once (default: the number of cores)
#
# clang-tidy needs a compile database. build/lint/cmake is a configured (never built) i686 tree
# made here when missing and refreshed on every run, so new sources are in it; its commands are
# rewritten for clang into build/lint/compile_commands.json (scripts/lint-compile-db.py).
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"

FORMAT_DIRS=(src exui updater tests bench demo)
TIDY_DIRS=(src exui updater)
LINT_DIR="$ROOT/build/lint"
JOBS=${LINT_JOBS:-$(nproc)}
failed=()

fail_step() {  # step, reason
  echo "lint: $1 failed: $2" >&2
  failed+=("$1")
}

need_tool() {  # tool, step
  if ! command -v "$1" >/dev/null 2>&1; then
    fail_step "$2" "$1 is not installed (scripts/setup.sh installs it)"
    return 1
  fi
  # Another major version formats and checks differently from the one the settings were made for.
  local major
  major=$("$1" --version | sed -n 's/.*version \([0-9]*\)\..*/\1/p' | head -1)
  if [ "$major" != 14 ]; then
    echo "lint: $1 is version ${major:-unknown}, the settings are made for 14: expect differences" >&2
  fi
}

# --- layers -------------------------------------------------------------------------------------
if ! python3 "$ROOT/scripts/check-layers.py"; then
  fail_step layers "an include breaks the layer rules (listed above)"
fi

# --- format -------------------------------------------------------------------------------------
if [ "${LINT_FORMAT:-1}" != 0 ] && need_tool clang-format format; then
  mapfile -d '' sources < <(find "${FORMAT_DIRS[@]}" -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
  differing=$(printf '%s\0' "${sources[@]}" | xargs -0 -P"$JOBS" -n16 sh -c '
    for f; do clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || echo "$f"; done' sh | sort)
  if [ -n "$differing" ]; then
    count=$(printf '%s\n' "$differing" | wc -l)
    printf '%s\n' "$differing" | head -20 | sed 's/^/  /' >&2
    [ "$count" -gt 20 ] && echo "  ... and $((count - 20)) more" >&2
    fail_step format "$count of ${#sources[@]} files differ from .clang-format (see one with: clang-format --dry-run FILE)"
  else
    echo "lint: format: ${#sources[@]} files match .clang-format"
  fi
fi

# --- clang-tidy ---------------------------------------------------------------------------------
tidy_database() {
  local log="$LINT_DIR/configure.log"
  mkdir -p "$LINT_DIR"
  if [ ! -f "$LINT_DIR/cmake/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$LINT_DIR/cmake" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw32.cmake" \
      -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >"$log" 2>&1
  else
    cmake "$LINT_DIR/cmake" >"$log" 2>&1
  fi || { tail -20 "$log" >&2; fail_step tidy "configuring $LINT_DIR/cmake for its compile database failed (see above)"; return 1; }
  python3 "$ROOT/scripts/lint-compile-db.py" "$LINT_DIR/cmake/compile_commands.json" \
    "$LINT_DIR/compile_commands.json" "$ROOT" "${TIDY_DIRS[@]}" >/dev/null \
    || { fail_step tidy "the compile database could not be rewritten for clang"; return 1; }
}

if [ "${LINT_TIDY:-1}" != 0 ] && need_tool clang-tidy tidy && tidy_database; then
  out="$LINT_DIR/tidy"
  rm -rf "$out"
  mkdir -p "$out"
  mapfile -t units < <(python3 -c 'import json, sys
for e in json.load(open(sys.argv[1])): print(e["file"])' "$LINT_DIR/compile_commands.json")
  t0=$(date +%s)
  # One log per source; a header's findings show up once per source that includes it.
  printf '%s\n' "${units[@]}" | xargs -P"$JOBS" -I{} sh -c '
    log="$1/$(echo "$2" | tr / _).log"
    clang-tidy -p "$3" --quiet "$2" >"$log" 2>&1 || echo "$2" >>"$1/failed"' sh "$out" {} "$LINT_DIR"
  t1=$(date +%s)
  if [ -s "$out/failed" ]; then
    # Findings are printed once each, with their notes; a source that did not compile shows its errors.
    cat "$out"/*.log | awk '
      /^error: / { print; keep = 0; next }
      /^[^ ].*:[0-9]+:[0-9]+: (warning|error): / { keep = !seen[$0]++ }
      /warnings? generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter/ { next }
      keep' | sed "s#^$ROOT/##" >&2
    findings=$(cat "$out"/*.log | grep -E '^[^ ].*:[0-9]+:[0-9]+: (warning|error): ' | sort -u | wc -l)
    fail_step tidy "$findings findings in $(sort -u "$out/failed" | wc -l) of ${#units[@]} sources ($((t1 - t0)) s)"
  else
    echo "lint: clang-tidy: ${#units[@]} sources clean ($((t1 - t0)) s)"
  fi
fi

if [ ${#failed[@]} -gt 0 ]; then
  echo "lint: failed: ${failed[*]}" >&2
  exit 1
fi
echo "lint: passed"
