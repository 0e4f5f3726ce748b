#!/usr/bin/env python3
"""Checks that the source layers hold: a file includes only headers of its own layer or of the
layers below it. Order, lowest first: util; net and sys (side by side, neither includes the
other); uilib (with the skin-UI library's contract, exui_api.h); catalogue; app. up.exe's sources
(updater/) may use util, net and sys; the skin-UI library (exui/) util, itself and its contract.
Prints every include that breaks a rule and exits 1 when there is one."""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')

# What each layer may include, by the first part of the quoted path.
ALLOWED = {
    "util": {"util"},
    "net": {"util", "net"},
    "sys": {"util", "sys"},
    "uilib": {"util", "net", "sys", "uilib", "contract"},
    "catalogue": {"util", "net", "sys", "uilib", "contract", "catalogue"},
    "app": {"util", "net", "sys", "uilib", "contract", "catalogue", "app"},
    "updater": {"util", "net", "sys", "updater"},
    "exui": {"util", "exui", "contract"},
}
LAYERS = set(ALLOWED) - {"exui"}


def layer_of_include(path: str, own: str):
    if path in ("exui_api.h", "exui/include/exui_api.h"):
        return "contract"
    head = path.split("/", 1)[0]
    if "/" not in path:
        return own  # a neighbour in the same folder
    if head in LAYERS:
        return head
    if head == "exui":
        return "exui"
    return None  # generated or third-party


def layer_of_file(path: pathlib.Path):
    parts = path.relative_to(ROOT).parts
    if parts[0] == "src" and len(parts) > 2:
        return parts[1]
    if parts[0] in ("updater", "exui"):
        return parts[0]
    return None


def main() -> int:
    roots = [ROOT / "src", ROOT / "updater", ROOT / "exui"] + [pathlib.Path(p) for p in sys.argv[1:]]
    broken = []
    for root in roots:
        for path in sorted(root.rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            own = layer_of_file(path)
            if own not in ALLOWED:
                continue
            for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = layer_of_include(match.group(1), own)
                if target is not None and target not in ALLOWED[own]:
                    broken.append(f"{path.relative_to(ROOT)}:{number}: {own} may not include \"{match.group(1)}\"")
    for line in broken:
        print(line)
    if broken:
        print(f"layers: {len(broken)} include(s) break the layer rules")
        return 1
    print("layers: every include keeps to the layer rules")
    return 0


if __name__ == "__main__":
    sys.exit(main())
