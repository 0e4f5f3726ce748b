#!/usr/bin/env python3
"""Demo version service for Storvane, on loopback only.

Serves what a vendor's version service serves:
  GET /api/group/zor          the tool catalogue (UTF-8 JSON, optionally with a byte-order mark)
  GET /api/single/storvane    the current launcher version and its download address
  GET /icons/<file>           tool icons
  GET /download/<file>        tool executables and the launcher itself (from --tools-dir), with
                              an ETag; a Range of "bytes=N-" is answered with the rest (206) while
                              an If-Range names the current ETag, with the whole file otherwise
  GET /slow/<file>            the same at about 100 KB a second (a slow line)
  GET /edu/<file>             tutorial pages
Failure routes for tests and demos (each serves a real file from --tools-dir):
  GET /fail/404/<file>        404 with an error page
  GET /fail/truncate/<file>   full Content-Length, half the body, then the connection closes
  GET /fail/gone/<file>       no Content-Length, half the body, then the connection is reset
  GET /fail/cut/<file>        no Content-Length, half the body, then an orderly close
  GET /fail/empty/<file>      200 with an empty body
  GET /fail/html/<file>       200 with a portal's sign-in page
  GET /fail/gzip/<file>       the file compressed, sent with Content-Encoding: gzip
  GET /fail/encoded/<file>    the file compressed, sent with an encoding nobody decodes ("br")
Control (loopback callers only):
  POST /__control             JSON: {"launcher_version": "2.2", "launcher_down": "...",
                               "versions": {"<soft_store>": "<version>"} (null: none), "catalogue": {...},
                               "bom": true|false, "entries": N,
                               "single_raw": "<text>" (answered as is by /api/single/storvane,
                               UTF-8 encoded; null goes back to the JSON answer),
                               "down_ms": N (stop listening for N ms: connections are refused),
                               "digests": true|false (name soft_sha256 and soft_size of every
                               "{base}/download/<file>" found in --tools-dir; default false),
                               "misbehave": {"<path prefix>": "<behaviour>"} (null: none) for a
                               service that fails its users: "silent" (reads the request, never
                               answers), "stall" (headers, then nothing), "drip" (one byte a
                               second), "endless" (a body announced as 10^15 bytes that never
                               ends), "endless_unframed" (no length, never ends), "overlong"
                               (a download announced and sent 64 KB longer than the file)},
                               "via_only": true|false (refuse with 403 every request that
                               did not come through a proxy, which names itself in "Via")}
  GET  /__log                 the request lines seen so far, one per line

"{base}" in the catalogue file stands for this service's own address.
"""
import argparse
import copy
import gzip
import hashlib
import json
import os
import socket
import struct
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import urlsplit, unquote

CONTENT_TYPES = {".png": "image/png", ".jpg": "image/jpeg", ".ico": "image/x-icon",
                 ".html": "text/html; charset=utf-8", ".exe": "application/octet-stream"}


class State:
    def __init__(self, args):
        self.lock = threading.Lock()
        self.site = os.path.abspath(args.site)
        self.tools = os.path.abspath(args.tools_dir) if args.tools_dir else None
        with open(os.path.join(self.site, "catalogue.json"), encoding="utf-8") as f:
            self.base_catalogue = json.load(f)
        self.catalogue = None           # a whole catalogue set through /__control
        self.versions = {}
        self.launcher_version = args.launcher_version
        self.launcher_down = None
        self.single_raw = None
        self.down_ms = 0
        self.bom = not args.no_bom
        self.entries = args.entries
        self.digests = False
        self.misbehave = {}
        self.via_only = False
        self.log = []

    def add_digest(self, entry):
        """Names the size and SHA-256 of a download this service serves itself."""
        down = entry.get("soft_down")
        prefix = "{base}/download/"
        if not self.tools or not isinstance(down, str) or not down.startswith(prefix):
            return
        path = os.path.join(self.tools, down[len(prefix):])
        if os.path.isfile(path):
            with open(path, "rb") as f:
                body = f.read()
            entry["soft_sha256"] = hashlib.sha256(body).hexdigest()
            entry["soft_size"] = len(body)

    def catalogue_body(self, base):
        with self.lock:
            cat = copy.deepcopy(self.catalogue or self.base_catalogue)
            if self.entries and not self.catalogue:
                # Synthetic catalogues for benchmarks: cycle the demo entries.
                seed = cat["data"]
                cat["data"] = []
                for i in range(self.entries):
                    e = dict(seed[i % len(seed)])
                    e["soft_name"] = "%s %d" % (e["soft_name"], i + 1)
                    e["soft_store"] = "%s%d" % (e["soft_store"], i + 1)
                    cat["data"].append(e)
            for e in cat.get("data", []):
                v = self.versions.get(e.get("soft_store"))
                if v is not None:
                    e["soft_version"] = v
                if self.digests:
                    self.add_digest(e)
            bom = self.bom
        text = json.dumps(cat, ensure_ascii=False).replace("{base}", base)
        body = text.encode("utf-8")
        return (b"\xef\xbb\xbf" + body) if bom else body

    def single_body(self, base):
        with self.lock:
            if self.single_raw is not None:
                return self.single_raw.encode("utf-8")
            entry = {"soft_version": self.launcher_version,
                     "soft_down": self.launcher_down or "{base}/download/storvane.exe"}
            if self.digests:
                self.add_digest(entry)
            entry["soft_down"] = entry["soft_down"].replace("{base}", base)
            doc = {"code": 200, "data": [entry]}
        return json.dumps(doc, ensure_ascii=False).encode("utf-8")


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "StorvaneDemo/1.0"

    def log_message(self, fmt, *args):
        pass

    @property
    def state(self):
        return self.server.state

    def base(self):
        host = self.headers.get("Host") or "%s:%d" % self.server.server_address[:2]
        return "http://" + host

    def send_bytes(self, status, body, ctype="application/json; charset=utf-8", extra=()):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        for k, v in extra:
            self.send_header(k, v)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def not_found(self):
        self.send_bytes(404, "<html><body><h1>404 找不到文件</h1></body></html>".encode("utf-8"),
                        "text/html; charset=utf-8")

    def file_from(self, folder, name):
        if not folder or not name or "/" in name or "\\" in name or name.startswith("."):
            return None
        path = os.path.join(folder, name)
        if not os.path.isfile(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def do_HEAD(self):
        self.do_GET()

    def misbehaviour(self, path):
        with self.state.lock:
            for prefix, kind in self.state.misbehave.items():
                if path.startswith(prefix):
                    return kind
        return None

    def hold_until_gone(self, seconds=600):
        """Keeps the connection open, saying nothing, until the client closes it."""
        self.connection.settimeout(1.0)
        end = time.time() + seconds
        while time.time() < end:
            try:
                if not self.connection.recv(65536):
                    break
            except socket.timeout:
                continue
            except OSError:
                break
        self.close_connection = True

    def misbehave(self, kind, path):
        self.close_connection = True
        if kind == "silent":
            return self.hold_until_gone()
        if kind == "overlong":
            parts = path.strip("/").split("/")
            body = (self.file_from(self.state.tools, parts[-1]) or b"") + b"\0" * 65536
            return self.send_bytes(200, body, "application/octet-stream")
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if kind in ("stall", "drip", "endless"):
            self.send_header("Content-Length", {"stall": "100000", "drip": "100000"}.get(kind, "1000000000000000"))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.flush()
        try:
            if kind == "stall":
                return self.hold_until_gone()
            if kind == "drip":
                for _ in range(100000):
                    time.sleep(1.0)
                    self.wfile.write(b"{")
                    self.wfile.flush()
                return
            piece = b"[" * 65536
            while True:
                self.wfile.write(piece)
        except OSError:
            return

    def do_GET(self):
        with self.state.lock:
            self.state.log.append(self.command + " " + self.path)
        path = unquote(urlsplit(self.path).path)
        if path != "/__log" and self.state.via_only and not self.headers.get("Via"):
            return self.send_bytes(403, b'{"error":"only through a proxy"}')
        kind = self.misbehaviour(path)
        if kind:
            return self.misbehave(kind, path)
        if path == "/api/group/zor":
            return self.send_bytes(200, self.state.catalogue_body(self.base()))
        if path == "/api/single/storvane":
            return self.send_bytes(200, self.state.single_body(self.base()))
        if path == "/__log":
            with self.state.lock:
                body = ("\n".join(self.state.log) + "\n").encode("utf-8")
            return self.send_bytes(200, body, "text/plain; charset=utf-8")
        parts = path.strip("/").split("/")
        if len(parts) == 2 and parts[0] in ("icons", "edu"):
            body = self.file_from(os.path.join(self.state.site, parts[0]), parts[1])
            if body is None:
                return self.not_found()
            return self.send_bytes(200, body, CONTENT_TYPES.get(os.path.splitext(parts[1])[1], "application/octet-stream"))
        if len(parts) == 2 and parts[0] in ("download", "slow"):
            body = self.file_from(self.state.tools, parts[1])
            if body is None:
                return self.not_found()
            return self.send_file(body, 100000 if parts[0] == "slow" else 0)
        if len(parts) == 3 and parts[0] == "fail":
            return self.fail(parts[1], parts[2])
        return self.not_found()

    def send_file(self, body, rate):
        """The file or, for a Range of the file it still is, its rest; `rate` bytes a second at most."""
        etag = '"%s"' % hashlib.sha256(body).hexdigest()[:32]
        start = 0
        wanted = (self.headers.get("Range") or "").replace(" ", "")
        if_range = self.headers.get("If-Range")
        if (wanted.startswith("bytes=") and wanted.endswith("-") and wanted[6:-1].isdigit()
                and (if_range is None or if_range.strip() == etag)):
            start = int(wanted[6:-1])
            if start >= len(body):
                return self.send_bytes(416, b"", "application/octet-stream",
                                       [("Content-Range", "bytes */%d" % len(body))])
        self.send_response(206 if start else 200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(body) - start))
        self.send_header("ETag", etag)
        self.send_header("Accept-Ranges", "bytes")
        if start:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, len(body) - 1, len(body)))
        self.end_headers()
        if self.command == "HEAD":
            return
        piece = rate // 10 if rate else len(body)
        try:
            for at in range(start, len(body), max(piece, 1)):
                self.wfile.write(body[at:at + piece])
                self.wfile.flush()
                if rate:
                    time.sleep(0.1)
        except OSError:
            self.close_connection = True

    def fail(self, kind, name):
        body = self.file_from(self.state.tools, name) or b"\0" * 65536
        if kind == "404":
            return self.not_found()
        if kind == "empty":
            return self.send_bytes(200, b"", "application/octet-stream")
        if kind == "html":
            return self.send_bytes(200, b"<html><body>Please sign in to the network</body></html>", "text/html")
        if kind in ("gzip", "encoded"):
            packed = gzip.compress(body)
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Encoding", "gzip" if kind == "gzip" else "br")
            self.send_header("Content-Length", str(len(packed)))
            self.end_headers()
            self.wfile.write(packed)
            return
        half = body[: len(body) // 2]
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if kind == "truncate":
            self.send_header("Content-Length", str(len(body)))
        else:
            self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(half)
        self.wfile.flush()
        if kind == "gone":
            # An abortive close: the client sees a reset, not a clean end of the body.
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            # Closed here: the server's own shutdown would send an orderly end first, and the
            # half body would look complete.
            self.connection.close()
        self.close_connection = True

    def do_POST(self):
        if urlsplit(self.path).path != "/__control" or self.client_address[0] != "127.0.0.1":
            return self.not_found()
        length = int(self.headers.get("Content-Length") or 0)
        try:
            req = json.loads(self.rfile.read(length) or b"{}")
        except ValueError:
            return self.send_bytes(400, b'{"error":"bad json"}')
        st = self.state
        with st.lock:
            if "launcher_version" in req:
                st.launcher_version = req["launcher_version"]
            if "launcher_down" in req:
                st.launcher_down = req["launcher_down"]
            if "versions" in req:
                # null forgets every override; an object adds to them.
                if req["versions"] is None:
                    st.versions = {}
                else:
                    st.versions.update(req["versions"])
            if "catalogue" in req:
                st.catalogue = req["catalogue"]
            if "bom" in req:
                st.bom = bool(req["bom"])
            if "entries" in req:
                st.entries = int(req["entries"])
            if "single_raw" in req:
                st.single_raw = req["single_raw"]
            if "digests" in req:
                st.digests = bool(req["digests"])
            if "misbehave" in req:
                st.misbehave = dict(req["misbehave"] or {})
            if "via_only" in req:
                st.via_only = bool(req["via_only"])
            if "down_ms" in req:
                st.down_ms = max(0, int(req["down_ms"]))
            going_down = st.down_ms > 0
        self.send_bytes(200, b'{"ok":true}')
        if going_down:
            self.close_connection = True
            # shutdown() waits for serve_forever() to return, which runs on the main thread.
            threading.Thread(target=self.server.shutdown, daemon=True).start()


def listen(port, state):
    server = ThreadingHTTPServer(("127.0.0.1", port), Handler)
    server.daemon_threads = True
    server.state = state
    return server


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--port", type=int, default=18960, help="0 picks a free port")
    ap.add_argument("--port-file", help="write the chosen port here once listening")
    ap.add_argument("--site", default=os.path.join(here, "site"))
    ap.add_argument("--tools-dir", help="folder with the tool executables and storvane.exe")
    ap.add_argument("--launcher-version", default="2.1")
    ap.add_argument("--no-bom", action="store_true", help="serve the catalogue without a byte-order mark")
    ap.add_argument("--entries", type=int, default=0, help="serve a synthetic catalogue of N entries")
    args = ap.parse_args()

    state = State(args)
    server = listen(args.port, state)
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write(str(server.server_address[1]))
        os.replace(tmp, args.port_file)
    print("demo service on http://127.0.0.1:%d" % server.server_address[1], flush=True)
    port = server.server_address[1]
    try:
        while True:
            server.serve_forever()
            server.server_close()
            with state.lock:
                pause, state.down_ms = state.down_ms, 0
            if not pause:
                break
            time.sleep(pause / 1000.0)
            server = listen(port, state)
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
