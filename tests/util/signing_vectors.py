#!/usr/bin/env python3
"""Makes the signature vectors of crypto_test with the openssl command (the test program,
running under Wine, cannot run it):

  key.pem, public.txt       a P-256 key pair; public.txt is the key in the form ParsePublicKey takes
  other_public.txt          another P-256 key
  p384_public.txt           a key on another curve, in the same form
  message.bin               the signed message
  good.sig, good.raw        a DER signature, and the same signature as r||s (read by openssl)
  short.sig                 a DER signature with an integer shorter than 32 bytes
  padded.sig                a DER signature whose r has 33 bytes (a leading zero byte)

usage: signing_vectors.py OUT_DIR
"""
import base64
import os
import re
import shutil
import subprocess
import sys


def openssl(*args, data=None):
    return subprocess.run(["openssl", *args], input=data, check=True, capture_output=True).stdout


def public_text(key_path):
    der = openssl("pkey", "-in", key_path, "-pubout", "-outform", "DER")
    return base64.b64encode(der).decode("ascii") + "\n"


def integer_lengths(der):
    # Only to sort openssl's signatures into kinds; the test parses them itself.
    r_len = der[3]
    return r_len, der[4 + r_len + 1]


def raw_of(der_path):
    listing = openssl("asn1parse", "-inform", "DER", "-in", der_path).decode("ascii")
    values = re.findall(r"INTEGER\s*:([0-9A-Fa-f]+)", listing)
    assert len(values) == 2, listing
    return b"".join(bytes.fromhex(v.rjust(64, "0")) for v in values)


def main():
    out = sys.argv[1]
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    path = lambda name: os.path.join(out, name)
    for name, curve in (("key.pem", "P-256"), ("other.pem", "P-256"), ("p384.pem", "P-384")):
        openssl("genpkey", "-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:" + curve, "-out", path(name))
    for key, text in (("key.pem", "public.txt"), ("other.pem", "other_public.txt"), ("p384.pem", "p384_public.txt")):
        with open(path(text), "w") as f:
            f.write(public_text(path(key)))

    message = b"published answer\n" + bytes(range(256)) * 4
    with open(path("message.bin"), "wb") as f:
        f.write(message)

    # ECDSA signatures differ on every run; sign until each kind has turned up (a short
    # integer about once in 128 signatures).
    wanted = {"good.sig": lambda r, s: True,
              "short.sig": lambda r, s: min(r, s) < 32,
              "padded.sig": lambda r, s: r == 33}
    for _ in range(20000):
        if not wanted:
            break
        der = openssl("dgst", "-sha256", "-sign", path("key.pem"), path("message.bin"))
        r, s = integer_lengths(der)
        for name, fits in list(wanted.items()):
            if fits(r, s):
                with open(path(name), "wb") as f:
                    f.write(der)
                del wanted[name]
    if wanted:
        sys.exit("signing_vectors: openssl never gave " + ", ".join(wanted))

    with open(path("good.raw"), "wb") as f:
        f.write(raw_of(path("good.sig")))
    # The DER signatures must be good ones by openssl's own check, or the test proves nothing.
    with open(path("public.pem"), "wb") as f:
        f.write(openssl("pkey", "-in", path("key.pem"), "-pubout"))
    for name in ("good.sig", "short.sig", "padded.sig"):
        openssl("dgst", "-sha256", "-verify", path("public.pem"), "-signature", path(name), path("message.bin"))


if __name__ == "__main__":
    main()
