#!/usr/bin/env python3
"""Writes the seed corpora in fuzz/corpus/<target>/: small, hand-made inputs
that reach each loader's main paths, so that a short fuzz run starts deep.

    python3 fuzz/make_seeds.py [path/to/wendlock-cli]

The CLI (default: build/bin/wendlock-cli) makes the protected pages the
unlocker starts from; every other seed is written from here.
"""
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
CORPUS = os.path.join(HERE, "corpus")


def put(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# ---- project files --------------------------------------------------------

def vxp_string(text, wide=True):
    if not wide:
        raw = text.encode("utf-8")
        assert len(raw) < 0xFF
        return bytes([len(raw)]) + raw
    units = text.encode("utf-16-le")
    n = len(units) // 2
    if n < 0xFF:
        head = b"\xff\xfe\xff" + bytes([n])
    elif n < 0xFFFE:
        head = b"\xff\xfe\xff\xff" + struct.pack("<H", n)
    else:
        head = b"\xff\xfe\xff\xff\xff\xff" + struct.pack("<I", n)
    return head + units


def vxp_int(value):
    return struct.pack("<i", value)


def vxp_file(version, files=(), users=(), texts=None, ints=None):
    """A project file of the given version: items missing from older
    versions are left out, as those versions wrote them."""
    texts = texts or {}
    ints = ints or {}
    out = vxp_string(version)
    out += struct.pack("<H", len(files)) if len(files) < 0xFFFF else b"\xff\xff" + struct.pack("<I", len(files))
    for path in files:
        out += vxp_string(path)
    out += vxp_int(ints.get("backup", 1)) + vxp_int(ints.get("mode", 0)) + vxp_string(texts.get("password", "tangelo"))
    out += vxp_int(len(users))
    for user in users:
        for value in user:
            out += vxp_string(value)
    out += vxp_int(ints.get("expire", 1)) + vxp_int(ints.get("days", 365)) + vxp_int(ints.get("incorrect", 0))
    for key in ("alert", "url", "target"):
        out += vxp_string(texts.get(key, ""))
    out += vxp_int(1) + vxp_int(1) + vxp_string(texts.get("template", ""))
    out += vxp_int(1) + vxp_int(ints.get("charset", 0)) + vxp_int(1)
    if version < "1.3":
        return out
    out += vxp_int(1)  # refresh
    if version >= "1.5":
        out += vxp_int(1) + vxp_int(1)
    out += b"".join(vxp_int(1) for _ in range(9))
    if version >= "1.4":
        out += vxp_int(1)
    out += vxp_int(1) + vxp_string(texts.get("lock", "http://www.example.com/"))
    out += vxp_int(1) + vxp_string(texts.get("referrer", "http://www.example.com/"))
    return out


def project_seeds():
    users = [("ann", "one", "Ann Example", "ann@example.com", "Sales"),
             ("B\u00f6b", "tw\u00f6", "", "", "\u05e9\u05dc\u05d5\u05dd \U0001F510")]
    texts = {"alert": "Wrong \"password\" </script>", "url": "http://example.com/?a=1&b=2",
             "target": "_blank", "template": "/opt/wendlock/Templates/SinglePassword/Classic.htm",
             "password": "p\u00e4ss\\word"}
    put("project_file", "default-2.4.vxp", vxp_file("2.4"))
    put("project_file", "full-2.4.vxp", vxp_file("2.4", ["/site/index.html", "/site/a b/\u00e9t\u00e9.htm"],
                                                   users, texts, {"mode": 1, "charset": 32}))
    put("project_file", "v1.2.vxp", vxp_file("1.2", ["/old/page.htm"]))
    put("project_file", "v1.3.vxp", vxp_file("1.3", ["/old/page.htm"], users[:1]))
    put("project_file", "v1.4.vxp", vxp_file("1.4", [], users[:1], texts))
    put("project_file", "v1.5.vxp", vxp_file("1.5", ["x"]))
    # Old writers' one-byte strings and the longer length forms.
    narrow = vxp_string("1.3", wide=False) + vxp_file("1.3")[len(vxp_string("1.3")):]
    put("project_file", "narrow-version.vxp", narrow)
    put("project_file", "long-string.vxp", vxp_file("2.4", ["/" + "d" * 300 + "/page.htm"]))
    put("project_file", "out-of-range.vxp", vxp_file("2.4", [], [], {}, {"mode": 7, "charset": 99, "expire": -1}))
    put("project_file", "truncated.vxp", vxp_file("2.4", ["/site/index.html"])[:40])
    put("project_file", "empty.vxp", b"")


def json_seeds():
    put("project_json", "minimal.json", "{}")
    put("project_json", "full.json", json.dumps({
        "version": "2.4", "files": ["/site/index.html", "/site/\u00e9.htm"], "backup": 0, "passwordMode": 1,
        "password": "x", "users": [{"userName": "ann", "password": "one", "fullName": "Ann", "email": "a@x",
                                    "description": "d"}, {"userName": "\u05e9", "password": "\"\\"}],
        "loginExpire": 2, "expireDays": 30, "incorrectAction": 1, "alertText": "Wrong </script>",
        "redirectUrl": "http://example.com/", "redirectTarget": "_top", "charset": 32, "copyHead": 0,
        "protectLoginPages": 1, "protectAfterLogin": 1, "noRightClick": 1, "locationLock": 1,
        "locationLockUrl": "http://example.com/\u0000", "referrerLock": 1, "referrerLockUrl": "\ud83d\ude00"},
        indent=2))
    put("project_json", "bad-range.json", '{"charset": 1000, "passwordMode": 2}')
    put("project_json", "bad-type.json", '{"files": "not a list", "users": [1]}')
    put("project_json", "escapes.json", '{"alertText": "\\ud800 \\u0000 \\n \\"", "files": ["\\udc00"]}')


# ---- user lists -----------------------------------------------------------

def user_list_seeds():
    put("user_list", "exported.csv",
        b'"ann","one","Ann Example","ann@example.com","Sales"\r\n"bob","two","","",""\r\n')
    put("user_list", "unquoted.csv", b"ann,one,Ann\ncarl,three\n\n  dora , four  \n,\nsolo\n")
    put("user_list", "quotes.csv", b'"a""b","c,d"  "e"\n"x" "y"\n"unclosed,still\n"q"z,w\n')
    put("user_list", "latin1.csv", b'"caf\xe9","na\xefve\x00pw","\xa0x\xa0"\r\n"dup","1"\r\n"dup","2"\r\n')


def files_list_seeds():
    put("files_list", "exported.lst", b"/srv/site/index.html\r\n/srv/site/caf\xe9/menu.htm\r\n")
    put("files_list", "hand-made.lst",
        b"  /a b/page.htm \t\n\n\r\n/dup.htm\n/dup.htm\r\n\xa0/nbsp.htm\xa0\n\x85next\nlast-without-end")
    put("files_list", "inner-cr.lst", b"/a\rb.htm\r\n\r\r\n")


# ---- page rewriter --------------------------------------------------------

def rewriter_input(template, page, row, flags):
    """FuzzedDataProvider layout: the template is a random-length string
    (backslashes doubled, ended by a backslash and one more byte), the page
    the remaining bytes; the flags (2 bytes) and the charset row (1 byte) are
    taken from the end."""
    return (template.replace(b"\\", b"\\\\") + b"\\x" + page + bytes([row])
            + bytes([flags & 0xFF, flags >> 8]))


def rewriter_seeds():
    template = (b"<html><head><title>Login</title></head>\r\n<BODY class=\"login\">\r\n"
                b"<form id=\"vxpform\"><input id=\"vxppass\"></form>\r\n</body></html>\r\n")
    page = (b"<!DOCTYPE html>\r\n<html><HEAD><meta charset=\"utf-8\"><title>Caf\xc3\xa9</title></HEAD>\r\n"
            b"<body>\r\n" + b"".join(b"<p>line %d \xe2\x82\xac</p>\n" % i for i in range(14)) + b"</body></html>\r\n")
    put("page_rewriter", "utf8-default.bin", rewriter_input(template, page, 0, 0x0D))
    put("page_rewriter", "latin1-options.bin",
        rewriter_input(template, page.replace(b"\xc3\xa9", b"\xe9"), 17, 0x0FFD))
    put("page_rewriter", "multi-user.bin", rewriter_input(template, page, 32, 0x0C0B))
    put("page_rewriter", "no-head.bin", rewriter_input(b"<body>only</body>", b"<p>x</p>", 0, 0x05))
    put("page_rewriter", "utf16.bin",
        rewriter_input(template, "<p>\u00e9\u4e2d</p>\r\nnext\n".encode("utf-16-le"), 29, 0x08))
    put("page_rewriter", "long-line.bin", rewriter_input(template, b"<head></head>" + b"x" * 2100 + b"\r\n", 0, 0x1D))
    put("page_rewriter", "shift-jis.bin",
        rewriter_input(template, "<head></head><p>\u65e5\u672c\u8a9e</p>\n".encode("shift_jis"), 28, 0x04))
    put("page_rewriter", "iso-2022-jp.bin",
        rewriter_input(template, "<head></head><p>\u65e5\u672c</p>\n".encode("iso2022_jp"), 14, 0x14))


def login_settings_seeds():
    def text(value):
        raw = value.encode("utf-16-le")
        return raw.replace(b"\\", b"\\\\") + b"\\x"
    strings = ["Wrong \"password\" \\ </script><!--", "http://example.com/?q='x'\n", "_blank",
               "http://example.com/\u202e\U0001F510", "\u0000ref", "p\u00e4ss"]
    front = b"".join(text(s) for s in strings) + b"8secret!" + text("ann") + text("one") + text("B\u00f6b") + text("")
    # From the end: flags (4 bytes), expiry mode (1), expiry days (4), user count (1).
    back = bytes([2]) + struct.pack(">i", 30) + bytes([1]) + struct.pack("<I", 0x3FFFF)
    put("login_settings", "hostile.bin", front + back)
    put("login_settings", "plain.bin", text("Invalid Password!") + bytes([0]) + struct.pack(">i", 365) + bytes([1])
        + struct.pack("<I", 0))


def charset_seeds():
    def codec_input(data, row, cuts=0x0123456789ABCDEF):
        return data + struct.pack("<Q", cuts) + bytes([row])
    put("charset_codec", "utf8.bin", codec_input("caf\u00e9 \u20ac \U0001F510\r\n".encode("utf-8"), 32))
    put("charset_codec", "default-mixed.bin", codec_input(b"caf\xe9 \x81 \xc3\xa9 \xf0\x9f", 0))
    put("charset_codec", "sjis.bin", codec_input("\u65e5\u672c\u8a9e\uff71".encode("shift_jis"), 28))
    put("charset_codec", "eucjp.bin", codec_input("\u65e5\u672c\u8a9e".encode("euc_jp"), 42))
    put("charset_codec", "iso2022jp.bin", codec_input("a\u65e5\u672cb".encode("iso2022_jp"), 14))
    put("charset_codec", "hz.bin", codec_input("a\u4e2d\u6587~b".encode("hz"), 10))
    put("charset_codec", "utf16.bin", codec_input("x\u00e9\U0001F510".encode("utf-16-le"), 29))
    put("charset_codec", "utf7.bin", codec_input("a\u00e9+b".encode("utf-7"), 31))
    put("charset_codec", "iso2022kr.bin", codec_input("\uac00a".encode("iso2022_kr"), 16))
    put("charset_codec", "auto-jp.bin", codec_input("\u65e5\u672c".encode("euc_jp"), 4))
    put("charset_codec", "auto-kr.bin", codec_input("\uac00\ub098".encode("cp949"), 5))


# ---- protected pages for the unlocker --------------------------------------

def unlocker_seeds(cli):
    work = tempfile.mkdtemp(prefix="wendlock-seeds-")
    try:
        app = os.path.join(work, "app")
        for mode in ("SinglePassword", "MultiUsers"):
            os.makedirs(os.path.join(app, "Script", mode))
            with open(os.path.join(app, "Script", mode, "wendlock.js"), "w") as f:
                f.write("function vxpcheck() {}\n")
        template = os.path.join(work, "login.htm")
        with open(template, "w") as f:
            f.write("<html><head></head><body><form id=vxpform></form></body></html>\n")
        env = dict(os.environ, WENDLOCK_APP_DIR=app)
        page = "<html><head><title>t</title></head><body>\n" + "".join("<p>%d caf\u00e9</p>\n" % i for i in range(12))
        for name, extra in (("single.htm", ["--password", "secret"]),
                            ("multi.htm", ["--users", os.path.join(work, "users.csv")])):
            with open(os.path.join(work, "users.csv"), "w") as f:
                f.write('"ann","secret"\r\n"bob","other"\r\n')
            path = os.path.join(work, name)
            with open(path, "w", encoding="utf-8") as f:
                f.write(page)
            subprocess.run([cli, "protect", "--no-backup", "--template", template] + extra + [path],
                           env=env, check=True, stdout=subprocess.DEVNULL)
            with open(path, "rb") as f:
                put("page_unlocker", name, f.read())
    finally:
        shutil.rmtree(work)


def main():
    cli = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "bin", "wendlock-cli")
    project_seeds()
    json_seeds()
    user_list_seeds()
    files_list_seeds()
    rewriter_seeds()
    login_settings_seeds()
    charset_seeds()
    unlocker_seeds(cli)


if __name__ == "__main__":
    main()
