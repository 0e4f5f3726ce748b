#!/usr/bin/env python3
"""Publishes a release of the tools as the static files of a version service, signed.

  publish.py keygen --out DIR
      Makes a P-256 key pair: DIR/private.pem (keep it secret), DIR/public.pem, and
      DIR/public.txt, the public key in the form a launcher build carries (printed too).

  publish.py build --source SRC --out OUT --key DIR/private.pem [--base-url URL] [--published N]
                   [--expires-days N]
      Reads SRC (below) and writes the whole service under OUT, replacing an earlier
      publication there. Serve OUT as static files at URL. Prints the publication time, the
      STORVANE_MIN_PUBLISHED a launcher built from now on should carry.

  publish.py verify --out OUT --public-key KEY
      Checks every signature, digest and size under OUT with openssl. KEY is the public key
      text, or a file holding it (public.txt or public.pem).

SRC holds:
  catalogue.json  {"tools": [{"name", "version", "introduce", "time", "store", "process",
                   "edu", "icon", "exe"}, ...]}. "store" and "process" are plain file names
                   (the tool's folder and its executable); "exe" names the executable's file
                   in SRC/files (default: "process"); "icon" a PNG in SRC/files; "edu" the
                   tutorial: a web address, or a file in SRC/files published under edu/.
  launcher.json   {"version", "exe"}: the launcher's own release, "exe" a file in SRC/files.
  files/          the executables, icons and tutorial pages named above.

OUT receives:
  api/group/zor            the catalogue answer: UTF-8 JSON with a byte-order mark,
                           {"code":200,"msg":"ok","data":[{soft_ico, soft_name, soft_version,
                           soft_introduce, soft_time, soft_store, soft_process, soft_down,
                           soft_edu, soft_sha256, soft_size}, ...],"answer":"zor",
                           "published":<unix seconds>,"expires":<unix seconds>}
  api/single/storvane      the launcher's answer, UTF-8 JSON without a byte-order mark:
                           {"code":200,"data":[{soft_version, soft_down, soft_sha256,
                           soft_size}],"answer":"storvane","published":...,"expires":...}
  api/.../*.sig            beside each answer: a DER ECDSA P-256 signature over SHA-256 of the
                           answer's exact bytes (byte-order mark included)
  download/, icon/, edu/   copies of the files; soft_down, soft_ico (and soft_edu when it names
                           a file) are absolute addresses under URL
soft_sha256 is the lower-case hex SHA-256 of the download, soft_size its length in bytes.
"answer" is the last segment of the answer's own address: a launcher with the key refuses an
answer served in the place of the other. "expires" is "published" + --expires-days (default 30)
days: after it a launcher with the key treats the answer as none, so publish again before then.
The same SRC and --published give the same answers byte for byte; the signatures differ on
each run (ECDSA draws a fresh random number each time) and all of them verify.
"""
import argparse
import base64
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from urllib.parse import quote, unquote, urlsplit

# DER SubjectPublicKeyInfo of an uncompressed P-256 key up to X||Y (what the launcher checks).
P256_INFO_PREFIX = bytes.fromhex("3059301306072a8648ce3d020106082a8648ce3d03010703420004")
CATALOGUE = "api/group/zor"
SINGLE = "api/single/storvane"
BOM = b"\xef\xbb\xbf"
TOOL_FIELDS = ("name", "version", "introduce", "time", "store", "process", "edu", "icon")
RESERVED_NAMES = {"CON", "PRN", "AUX", "NUL"} | {p + str(i) for p in ("COM", "LPT") for i in range(1, 10)}


class Refused(Exception):
    """A problem with the input, reported as one line and exit status 1."""


def openssl(*args, data=None):
    try:
        done = subprocess.run(["openssl", *args], input=data, capture_output=True)
    except FileNotFoundError:
        raise Refused("the openssl command is needed (Debian package openssl)")
    if done.returncode != 0:
        raise Refused("openssl %s failed: %s" % (args[0], done.stderr.decode(errors="replace").strip()))
    return done.stdout


def public_key_text(private_key):
    """The public half of a private key file, in the launcher's form; refuses other key kinds."""
    der = openssl("pkey", "-in", private_key, "-pubout", "-outform", "DER")
    if len(der) != len(P256_INFO_PREFIX) + 64 or not der.startswith(P256_INFO_PREFIX):
        raise Refused("%s is not a P-256 EC key" % private_key)
    return base64.b64encode(der).decode("ascii")


def public_key_pem(text):
    """The launcher's key form (or a whole PEM file) as PEM, after the launcher's own checks."""
    body = "".join(line.strip() for line in text.splitlines() if not line.strip().startswith("-----"))
    try:
        der = base64.b64decode(body, validate=True)
    except ValueError:
        raise Refused("the public key is not base64")
    if len(der) != len(P256_INFO_PREFIX) + 64 or not der.startswith(P256_INFO_PREFIX):
        raise Refused("the public key is not a P-256 EC key")
    lines = [body[i:i + 64] for i in range(0, len(body), 64)]
    return "-----BEGIN PUBLIC KEY-----\n" + "\n".join(lines) + "\n-----END PUBLIC KEY-----\n"


def plain_name(value, what):
    """The launcher's rule for folder and file names, and GBK, the launcher's text encoding."""
    if not isinstance(value, str) or not value or value in (".", ".."):
        raise Refused("%s must be a plain file name, not %r" % (what, value))
    if re.search(r'[\\/:*?"<>|\x00-\x1f]', value) or value[-1] in ". " or \
            value.split(".")[0].upper() in RESERVED_NAMES:
        raise Refused("%s must be a plain file name, not %r" % (what, value))
    try:
        value.encode("gbk")
    except UnicodeEncodeError:
        raise Refused("%s %r has characters the launcher cannot show (outside GBK)" % (what, value))
    return value


def read_json(path):
    try:
        with open(path, encoding="utf-8") as f:
            return json.load(f)
    except (OSError, ValueError) as e:
        raise Refused("cannot read %s: %s" % (path, e))


class Release:
    """Collects the files of one publication and the addresses they get."""

    def __init__(self, source, base_url):
        self.files = os.path.join(source, "files")
        self.base_url = base_url.rstrip("/")
        self.copies = {}  # path under OUT -> source file

    def publish(self, folder, name, what):
        plain_name(name, what)
        source = os.path.join(self.files, name)
        if not os.path.isfile(source):
            raise Refused("%s %s is missing from %s" % (what, name, self.files))
        self.copies[folder + "/" + name] = source
        return source, self.base_url + "/" + folder + "/" + quote(name)

    def download(self, name, what):
        source, url = self.publish("download", name, what)
        with open(source, "rb") as f:
            digest = hashlib.sha256(f.read()).hexdigest()
        return {"soft_down": url, "soft_sha256": digest, "soft_size": os.path.getsize(source)}


def tool_entry(release, tool, index):
    what = "tool %d" % (index + 1)
    if not isinstance(tool, dict):
        raise Refused("%s is not an object" % what)
    missing = [k for k in TOOL_FIELDS if k not in tool]
    if missing:
        raise Refused("%s lacks %s" % (what, ", ".join(missing)))
    plain_name(tool["store"], what + " store")
    plain_name(tool["process"], what + " process")
    edu = tool["edu"]
    if not re.match(r"https?://", str(edu), re.I):
        edu = release.publish("edu", edu, what + " tutorial")[1]
    download = release.download(tool.get("exe", tool["process"]), what + " executable")
    return {
        "soft_ico": release.publish("icon", tool["icon"], what + " icon")[1],
        "soft_name": tool["name"],
        "soft_version": tool["version"],
        "soft_introduce": tool["introduce"],
        "soft_time": tool["time"],
        "soft_store": tool["store"],
        "soft_process": tool["process"],
        "soft_down": download["soft_down"],
        "soft_edu": edu,
        "soft_sha256": download["soft_sha256"],
        "soft_size": download["soft_size"],
    }


def answer_name(path):
    """What an answer calls itself: the last segment of its address."""
    return path.rsplit("/", 1)[-1]


def answer_bytes(document, bom):
    text = json.dumps(document, ensure_ascii=False, separators=(",", ":"))
    return (BOM if bom else b"") + text.encode("utf-8")


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def replace_folder(new, out):
    """Puts the new publication in place of `out` with two renames, so a server sees one
    publication or the other, and never overwrites a folder that is not a publication."""
    old = None
    if os.path.exists(out):
        if os.listdir(out) and not os.path.isfile(os.path.join(out, CATALOGUE)):
            raise Refused("%s holds something other than a publication; give an empty or new folder" % out)
        old = tempfile.mkdtemp(prefix=".old-", dir=os.path.dirname(out))
        os.rmdir(old)
        os.rename(out, old)
    os.rename(new, out)
    if old:
        shutil.rmtree(old)


def build(args):
    if not os.path.isfile(args.key):
        raise Refused("no private key at %s (make one with: publish.py keygen --out DIR)" % args.key)
    key_text = public_key_text(args.key)
    if not re.match(r"https?://[^/]+", args.base_url, re.I):
        raise Refused("--base-url must be an http or https address, not %r" % args.base_url)
    tools = read_json(os.path.join(args.source, "catalogue.json"))
    launcher = read_json(os.path.join(args.source, "launcher.json"))
    if not isinstance(tools, dict) or not isinstance(tools.get("tools"), list):
        raise Refused("catalogue.json must be {\"tools\": [...]}")
    if not isinstance(launcher, dict) or "version" not in launcher or "exe" not in launcher:
        raise Refused("launcher.json must be {\"version\": ..., \"exe\": ...}")
    release = Release(args.source, args.base_url)
    entries = [tool_entry(release, tool, i) for i, tool in enumerate(tools["tools"])]
    stores = [e["soft_store"].lower() for e in entries]
    if len(set(stores)) != len(stores):
        raise Refused("two tools share one store folder")
    single = dict({"soft_version": launcher["version"]}, **release.download(launcher["exe"], "launcher executable"))
    published = int(time.time()) if args.published is None else args.published
    if published < 0 or args.expires_days < 0:
        raise Refused("--published and --expires-days must not be negative")
    dates = {"published": published, "expires": published + args.expires_days * 86400}
    answers = {
        CATALOGUE: answer_bytes(dict({"code": 200, "msg": "ok", "data": entries}, answer=answer_name(CATALOGUE),
                                     **dates), True),
        SINGLE: answer_bytes(dict({"code": 200, "data": [single]}, answer=answer_name(SINGLE), **dates), False),
    }

    out = os.path.abspath(args.out)
    os.makedirs(os.path.dirname(out), exist_ok=True)
    new = tempfile.mkdtemp(prefix=".new-", dir=os.path.dirname(out))
    try:
        for target, source in release.copies.items():
            os.makedirs(os.path.dirname(os.path.join(new, target)), exist_ok=True)
            shutil.copyfile(source, os.path.join(new, target))
        for target, data in answers.items():
            path = os.path.join(new, target)
            write(path, data)
            openssl("dgst", "-sha256", "-sign", args.key, "-out", path + ".sig", path)
        os.chmod(new, 0o755)
        replace_folder(new, out)
    except BaseException:
        shutil.rmtree(new, ignore_errors=True)
        raise
    print("published %d tools and the launcher %s under %s for %s (time %d, expires %d)"
          % (len(entries), launcher["version"], out, release.base_url, published, dates["expires"]))
    print("launchers built from now on: -DSTORVANE_MIN_PUBLISHED=%d" % published)
    print("signed with the key whose public form is:\n" + key_text)
    return 0


def keygen(args):
    os.makedirs(args.out, mode=0o700, exist_ok=True)
    private = os.path.join(args.out, "private.pem")
    if os.path.exists(private):
        raise Refused("%s exists already; a new key would orphan every build that carries the old one" % private)
    old_mask = os.umask(0o077)
    try:
        openssl("genpkey", "-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:P-256",
                "-pkeyopt", "ec_param_enc:named_curve", "-out", private)
    finally:
        os.umask(old_mask)
    text = public_key_text(private)
    write(os.path.join(args.out, "public.pem"), public_key_pem(text).encode("ascii"))
    write(os.path.join(args.out, "public.txt"), (text + "\n").encode("ascii"))
    print(text)
    return 0


def verify(args):
    key = args.public_key
    if os.path.isfile(key):
        with open(key, encoding="ascii") as f:
            key = f.read()
    out = args.out
    problems = []
    with tempfile.TemporaryDirectory() as scratch:
        pem = os.path.join(scratch, "public.pem")
        write(pem, public_key_pem(key).encode("ascii"))
        for answer in (CATALOGUE, SINGLE):
            path = os.path.join(out, answer)
            if not (os.path.isfile(path) and os.path.isfile(path + ".sig")):
                problems.append("%s or its signature is missing" % answer)
                continue
            try:
                openssl("dgst", "-sha256", "-verify", pem, "-signature", path + ".sig", path)
            except Refused:
                problems.append("%s: the signature does not verify with this key" % answer)
    downloads = 0
    for answer in (CATALOGUE, SINGLE):
        try:
            with open(os.path.join(out, answer), "rb") as f:
                data = f.read()
            document = json.loads(data[len(BOM):] if data.startswith(BOM) else data)
            entries = document["data"]
        except (OSError, ValueError, KeyError, TypeError):
            problems.append("%s is not an answer with data" % answer)
            continue
        if document.get("answer") != answer_name(answer):
            problems.append("%s does not name itself %r in \"answer\"" % (answer, answer_name(answer)))
        expires = document.get("expires")
        if not isinstance(expires, int) or expires <= time.time():
            problems.append("%s has expired (or names no \"expires\"); publish again" % answer)
        for entry in entries:
            links = [("download", entry.get("soft_down"))] + \
                    ([("icon", entry.get("soft_ico"))] if answer == CATALOGUE else [])
            for folder, url in links:
                tail = urlsplit(str(url)).path.split("/")[-2:]
                path = os.path.join(out, folder, unquote(tail[-1]))
                if tail[0] != folder or not os.path.isfile(path):
                    problems.append("%s: %s has no file under %s/" % (answer, url, folder))
                    continue
                if folder != "download":
                    continue
                downloads += 1
                digest = openssl("dgst", "-sha256", "-r", path).split()[0].decode("ascii")
                if digest != entry.get("soft_sha256") or os.path.getsize(path) != entry.get("soft_size"):
                    problems.append("%s: %s differs from its soft_sha256 or soft_size" % (answer, url))
    for p in problems:
        print("verify: " + p, file=sys.stderr)
    if problems:
        return 1
    print("verified 2 answers and %d downloads under %s" % (downloads, out))
    return 0


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = ap.add_subparsers(dest="command", required=True)
    k = sub.add_parser("keygen", help="make a signing key pair")
    k.add_argument("--out", required=True)
    b = sub.add_parser("build", help="publish SRC as static files under OUT")
    b.add_argument("--source", required=True)
    b.add_argument("--out", required=True)
    b.add_argument("--key", required=True, help="the private key (PEM)")
    b.add_argument("--base-url", default="http://127.0.0.1:18960",
                   help="where OUT will be served (default: the demo service's address)")
    b.add_argument("--published", type=int, help="publication time in unix seconds (default: now)")
    b.add_argument("--expires-days", type=int, default=30,
                   help="days after the publication time at which the answers expire (default: 30)")
    v = sub.add_parser("verify", help="check a publication's signatures and digests")
    v.add_argument("--out", required=True)
    v.add_argument("--public-key", required=True)
    args = ap.parse_args()
    try:
        return {"keygen": keygen, "build": build, "verify": verify}[args.command](args)
    except Refused as e:
        print("publish: %s" % e, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
