# Sourced: host_runs_32bit tells whether this host runs 32-bit x86 programs, by running one.
# Some hosts run 64-bit user code only (their kernel has IA-32 emulation off); there the 32-bit
# Wine cannot start and only the x86_64 build can be tested. STORVANE_HOST_64_ONLY=1 makes any
# host answer as such a host does, so that path is exercised everywhere.
# The probe is a 93-byte static i386 ELF program that only calls exit(32): it needs no library,
# so its answer depends on the kernel alone.
host_runs_32bit() {
  [ "${STORVANE_HOST_64_ONLY:-0}" = 1 ] && return 1
  local probe status=0
  probe=$(mktemp "${TMPDIR:-/tmp}/storvane-i386-probe.XXXXXX") || return 1
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\x31\xdb\xb3\x20\x31\xc0\x40\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  [ "$status" = 32 ]
}

# Why the host cannot run the i686 suite, in one line (after host_runs_32bit said no).
host_32bit_reason() {
  if [ "${STORVANE_HOST_64_ONLY:-0}" = 1 ]; then
    echo "STORVANE_HOST_64_ONLY=1 asks to behave as a host that runs 64-bit code only"
  else
    echo "this host does not run 32-bit programs (a static i386 probe did not start; IA-32 emulation is off)"
  fi
}
