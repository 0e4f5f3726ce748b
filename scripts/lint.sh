#!/usr/bin/env bash
# Static checks of the sources that need no build: the layer rules of the includes.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
python3 "$ROOT/scripts/check-layers.py"
