#!/usr/bin/env bash
# CTest fixture steps for signed answers served by nginx: the demo release published with the
# test key (tests/support/test_signing_key) once as it should be and once per way an answer can
# be wrong, each under a folder of its own that tests use as the service's base address:
#   good/      published at 2000
#   old/       published at 1000, correctly signed
#   nosig/     published at 3000, without the .sig files
#   tampered/  published at 3000, answers changed after signing
#   nodigest/  published at 3000, the first entry without soft_sha256, signed after the change
#   nosize/    published at 3000, the first entry without soft_size, signed after the change
#   expired/   published at 3000, correctly signed, expired at once
#   swapped/   published at 3000, correctly signed, each answer served in the other's place
#   bigsig/    published at 3000, each .sig its signature followed by zeros up to 64 MB
#   newer/     published at 3000, correctly signed
# Every folder but good/ and newer/ offers the first tool as 9.9.9 and the launcher as 2.2;
# good/ and newer/ offer the launcher as 2.2 and the tools as released. All but expired/ expire
# a century after their publication.
#   signed_service_fixture.sh start STATE_DIR TOOL_EXE...
#   signed_service_fixture.sh release STATE_DIR PORT NEW_LAUNCHER TOOL_EXE...
#   signed_service_fixture.sh stop STATE_DIR
# The port is written to STATE_DIR/nginx/port. "release" serves only the release as it should be,
# published now, at the root of the given port, as a launcher built for that address asks it;
# beside it, in STATE_DIR/variants, later releases for the same address that a test copies over
# the served files: release/ (the served one, to go back to), update/ (the first tool as 1.0.4,
# published 100 s later), selfupdate/ (also the launcher as 2.2, NEW_LAUNCHER as its
# download, published 200 s later) and expired/ (the catalogue offering the first tool as 9.9.9,
# published with the release but expired at once; as the launcher's answer, the release's
# catalogue answer).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
NGINX_FIXTURE="$ROOT/tests/support/nginx_fixture.sh"
KEY="$ROOT/tests/support/test_signing_key/private.pem"
cmd=$1 state=$2

edit_answer() {  # edit_answer FILE PYTHON-EXPRESSION-OVER-doc
  python3 - "$1" "$2" <<'PY'
import json, sys
path, expr = sys.argv[1], sys.argv[2]
raw = open(path, "rb").read()
bom = raw[:3] if raw.startswith(b"\xef\xbb\xbf") else b""
doc = json.loads(raw[len(bom):])
exec(expr)
open(path, "wb").write(bom + json.dumps(doc, ensure_ascii=False, separators=(",", ":")).encode("utf-8"))
PY
}

publish() {  # publish VARIANT PUBLISHED FIRST_TOOL_VERSION [EXPIRES_DAYS]
  local src="$state/src-$1"
  rm -rf "$src" && mkdir -p "$src" && cp -r "$state/src/files" "$src/"
  python3 - "$ROOT/demo/release" "$src" "$3" <<'PY'
import json, sys
release, out, version = sys.argv[1:4]
tools = json.load(open(release + "/catalogue.json", encoding="utf-8"))
tools["tools"][0]["version"] = version
json.dump(tools, open(out + "/catalogue.json", "w", encoding="utf-8"), ensure_ascii=False)
json.dump({"version": "2.2", "exe": "storvane.exe"}, open(out + "/launcher.json", "w"))
PY
  python3 "$ROOT/tools/publish.py" build --source "$src" --out "$state/www/$1" --key "$KEY" \
    --base-url "http://127.0.0.1:$(cat "$state/nginx/port")/$1" --published "$2" \
    --expires-days "${4:-36500}" >/dev/null
}

prepare() {  # prepare TOOL_EXE...
  bash "$NGINX_FIXTURE" stop "$state/nginx"
  rm -rf "$state/src" "$state"/src-* "$state/www"
  mkdir -p "$state/src/files" "$state/www"
  cp "$@" "$ROOT"/demo/service/site/icons/*.png "$ROOT"/demo/service/site/edu/*.html "$state/src/files/"
  # The launcher's own file is not what is under test: a demo tool stands in for it.
  cp "$1" "$state/src/files/storvane.exe"
}

case "$cmd" in
  release)
    port=$3 new_launcher=$4
    shift 4
    prepare "$@"
    cp "$ROOT"/demo/release/*.json "$state/src/"
    bash "$NGINX_FIXTURE" start "$state/nginx" "$state/www" "$port"
    trap 'bash "$NGINX_FIXTURE" stop "$state/nginx"' ERR
    now=$(date +%s)
    python3 "$ROOT/tools/publish.py" build --source "$state/src" --out "$state/www" --key "$KEY" \
      --base-url "http://127.0.0.1:$port" --published "$now" >/dev/null
    rm -rf "$state/variants" && mkdir -p "$state/variants"
    cp -r "$state/www" "$state/variants/release"
    for variant in update selfupdate; do
      src="$state/src-$variant" launcher_version=2.1 offset=100
      [ "$variant" = selfupdate ] && launcher_version=2.2 offset=200
      rm -rf "$src" && mkdir -p "$src" && cp -r "$state/src/files" "$src/"
      [ "$variant" = selfupdate ] && cp "$new_launcher" "$src/files/storvane.exe"
      python3 - "$ROOT/demo/release" "$src" "$launcher_version" <<'PY'
import json, sys
release, out, launcher_version = sys.argv[1:4]
tools = json.load(open(release + "/catalogue.json", encoding="utf-8"))
tools["tools"][0]["version"] = "1.0.4"
json.dump(tools, open(out + "/catalogue.json", "w", encoding="utf-8"), ensure_ascii=False)
json.dump({"version": launcher_version, "exe": "storvane.exe"}, open(out + "/launcher.json", "w"))
PY
      python3 "$ROOT/tools/publish.py" build --source "$src" --out "$state/variants/$variant" --key "$KEY" \
        --base-url "http://127.0.0.1:$port" --published "$((now + offset))" >/dev/null
    done
    src="$state/src-expired"
    rm -rf "$src" && mkdir -p "$src" && cp -r "$state/src/files" "$state/src/launcher.json" "$src/"
    python3 - "$ROOT/demo/release" "$src" <<'PY'
import json, sys
tools = json.load(open(sys.argv[1] + "/catalogue.json", encoding="utf-8"))
tools["tools"][0]["version"] = "9.9.9"
json.dump(tools, open(sys.argv[2] + "/catalogue.json", "w", encoding="utf-8"), ensure_ascii=False)
PY
    python3 "$ROOT/tools/publish.py" build --source "$src" --out "$state/variants/expired" --key "$KEY" \
      --base-url "http://127.0.0.1:$port" --published "$now" --expires-days 0 >/dev/null
    for file in storvane storvane.sig; do
      cp "$state/www/api/group/zor${file#storvane}" "$state/variants/expired/api/single/$file"
    done
    ;;
  start)
    shift 2
    prepare "$@"
    bash "$NGINX_FIXTURE" start "$state/nginx" "$state/www" 0
    trap 'bash "$NGINX_FIXTURE" stop "$state/nginx"' ERR
    publish good 2000 1.0.3
    publish newer 3000 1.0.3
    publish old 1000 9.9.9
    publish nosig 3000 9.9.9
    rm "$state/www/nosig/api/group/zor.sig" "$state/www/nosig/api/single/storvane.sig"
    publish tampered 3000 1.0.3
    edit_answer "$state/www/tampered/api/group/zor" 'doc["data"][0]["soft_version"] = "9.9.9"'
    edit_answer "$state/www/tampered/api/single/storvane" 'doc["data"][0]["soft_down"] = "http://127.0.0.1:9/x.exe"'
    publish nodigest 3000 9.9.9
    for answer in api/group/zor api/single/storvane; do
      edit_answer "$state/www/nodigest/$answer" 'del doc["data"][0]["soft_sha256"]'
      openssl dgst -sha256 -sign "$KEY" -out "$state/www/nodigest/$answer.sig" "$state/www/nodigest/$answer"
    done
    publish nosize 3000 9.9.9
    for answer in api/group/zor api/single/storvane; do
      edit_answer "$state/www/nosize/$answer" 'del doc["data"][0]["soft_size"]'
      openssl dgst -sha256 -sign "$KEY" -out "$state/www/nosize/$answer.sig" "$state/www/nosize/$answer"
    done
    publish expired 3000 9.9.9 0
    publish swapped 3000 9.9.9
    swapped="$state/www/swapped/api"
    for file in "" .sig; do
      mv "$swapped/group/zor$file" "$swapped/zor$file"
      mv "$swapped/single/storvane$file" "$swapped/group/zor$file"
      mv "$swapped/zor$file" "$swapped/single/storvane$file"
    done
    publish bigsig 3000 9.9.9
    # Sparse: no disk space, and nginx serves it at once.
    truncate -s 64M "$state/www/bigsig/api/group/zor.sig" "$state/www/bigsig/api/single/storvane.sig"
    ;;
  stop)
    bash "$NGINX_FIXTURE" stop "$state/nginx"
    ;;
  *)
    echo "usage: $0 start STATE_DIR TOOL_EXE... | release STATE_DIR PORT NEW_LAUNCHER TOOL_EXE... | stop STATE_DIR" >&2
    exit 2
    ;;
esac
