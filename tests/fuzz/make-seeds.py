#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz harnesses into corpus/<harness>/ (run from anywhere).
The seeds are checked in; this script documents how they were made and remakes them."""
import io
import os
import struct
import zipfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SEP = b"\n--\n"


def jar(entries, comment=b"", method=zipfile.ZIP_DEFLATED):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", method) as archive:
        for name, data in entries:
            archive.writestr(zipfile.ZipInfo(name, date_time=(2024, 1, 1, 0, 0, 0)), data, method)
        archive.comment = comment
    return buffer.getvalue()


def payload(text, archive):
    body = b"\xef\xbb\xbf" + text + b"\0"
    return b"\x7fELF stub" + body + struct.pack("<i", len(body)) + bytes(16) + archive


def version_block(key, value, value_length, text, children):
    """One block of a version information resource, padded so that the next one is aligned."""
    body = struct.pack("<H", 1 if text else 0) + (key + "\0").encode("utf-16-le")
    body += bytes(-(len(body) + 4) % 4) + value
    for child in children:
        body += bytes(-(len(body) + 4) % 4) + child
    block = struct.pack("<HH", len(body) + 4, value_length) + body
    return block + bytes(-len(block) % 4)


def version_info(tables):
    """A VS_VERSIONINFO resource with string tables of (language, [(name, value)])."""
    strings = [version_block(language, b"", 0, True,
                             [version_block(name, (value + "\0").encode("utf-16-le"),
                                            len(value) + 1, True, [])
                              for name, value in pairs])
               for language, pairs in tables]
    fixed = struct.pack("<13I", 0xFEEF04BD, 0x10000, 0x10000, 0, 0x10000, 0, 0x3F, 0,
                        0x40004, 1, 0, 0, 0)
    var = version_block("VarFileInfo", b"", 0, True,
                        [version_block("Translation", struct.pack("<HH", 0x409, 1200), 4, False, [])])
    return version_block("VS_VERSION_INFO", fixed, len(fixed), False,
                         [version_block("StringFileInfo", b"", 0, True, strings), var])


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png(width, height, depth, colour, rows, level, extra=b""):
    header = struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + extra +
            png_chunk(b"IDAT", zlib.compress(rows, level)) + png_chunk(b"IEND", b""))


def icon(images):
    """An icon file of (width, height, bits, data) images."""
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for width, height, bits, data in images:
        head += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
        body += data
    return head + body


def bitmap(width, height, bits, pixels, mask):
    return struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, bits, 0, 0, 0, 0, 0, 0) + pixels + mask


RGBA_ROWS = b"\0" + bytes(range(8)) + b"\1" + bytes(range(8, 16))


def utf16(text, big):
    return (b"\xfe\xff" if big else b"\xff\xfe") + text.encode("utf-16-be" if big else "utf-16-le")


CONFIG = b"mainclass com.example.Main\r\nvm -Xmx64m\nclasspath lib/*.jar;%APPLICATION_HOME%x\n" \
         b"message 13=Already running\n  MainClass = other\n"
HELLO = [("META-INF/", b""), ("META-INF/MANIFEST.MF", b"Manifest-Version: 1.0\r\n\r\n"),
         ("com/example/Main.class", b"\xca\xfe\xba\xbe" + bytes(40))]
SPLASH = b"\x89PNG\r\n\x1a\n" + bytes(range(64))
SIGNED = HELLO + [("META-INF/KEY.SF", b"sig"), ("META-INF/key.rsa", b"rsa"),
                  ("meta-inf/manifest.mf", b"other")]

def block(first, first_stamp, pids, count=None, stamps=None):
    """The registry fields of a shared instance block (the lock storages left out)."""
    fields = struct.pack("<17i", first, 5, 9, 0, 0, 3, first, 0, 8, 1, 0, 4, 0, 2, 1024, 1500, 11)
    fields += b"chunk".ljust(1024, b"\0")
    pids = list(pids) + [0] * (250 - len(pids))
    fields += struct.pack("<i250i", len([p for p in pids if p]) if count is None else count, *pids)
    stamps = list(stamps or []) + [0] * (250 - len(stamps or []))
    fields += struct.pack("<2I250I", first_stamp, 0, *stamps)
    return fields


def chunk(sender, message, index, last, length, data, chunk_length=None):
    """The mailbox fields of one chunk and its bytes."""
    n = len(data) if chunk_length is None else chunk_length
    fields = struct.pack("<17i", 1, message + 1, 7, 0, 0, 3, sender, 0, 7, 1, 0, message, index,
                         last, 1024, length, n)
    return fields + data


def message(sender, ident, body):
    chunks = [body[i:i + 1024] for i in range(0, max(len(body), 1), 1024)]
    last = len(chunks) - 1
    return SEP.join(chunk(sender, ident, i, last, len(body), c) for i, c in enumerate(chunks))


RUNTIME_INDEX_HEAD = b"wyn-runtime 1\nplatform windows-x86_64\nrelease 17.0.9\n"

SEEDS = {
    "payload": {
        "packed": payload(CONFIG, jar(HELLO)),
        "packed-comment": payload(b"mainclass A", jar(HELLO, comment=b"PK\x05\x06 in a comment")),
        "empty-archive": payload(b"mainclass A", b"PK\x05\x06" + bytes(18)),
        "no-payload": b"\x7fELF just a stub without anything behind it",
        "bad-length": b"stub" + struct.pack("<i", 0x7FFFFFFF) + bytes(16) + b"PK\x05\x06" + bytes(18),
        # The splash image as a stored and as a deflated entry (the harness looks it up).
        "splash-entry": payload(b"mainclass A\nsplash images/splash.png",
                                jar(HELLO + [("images/splash.png", SPLASH)], method=zipfile.ZIP_STORED)),
        "splash-entry-deflated": payload(b"mainclass A", jar(HELLO + [("images/splash.png", SPLASH)])),
    },
    "config_decoding": {
        "utf8": b"\xef\xbb\xbf" + CONFIG + b"\0after",
        "utf16le": utf16("mainclass Gr\u00fc\u00dfe\U0001F600\n", False) + b"\0",
        "utf16be-lone-surrogate": b"\xfe\xff\xd8\x00\x00b\x00\x00\x00c",
        "ansi": b"mainclass Caf\xe9\xc3\xa9\xe2\x82\n",
    },
    "config_store": {
        "utf8": b"\xef\xbb\xbf" + CONFIG,
        "utf16le": utf16(CONFIG.decode(), False),
        "utf16be": utf16(CONFIG.decode(), True),
        "ansi": b"mainclass Caf\xe9\nsplash s\xff.png\n",
        "external": b"disableexternal false\nmainclass Outer\0hidden" + SEP + b"\xef\xbb\xbf" + CONFIG,
        "disabled": b"mainclass Outer" + SEP + b"disableexternal TRUE\nmainclass Inner\n\0",
        "line-ends": b"a 1\r\r\nb 2\n\rc 3\r\n\r\nvm = x \n",
    },
    "value_expansion": {
        "forms": b"%FUZZ_A% ${FUZZ_B} $FUZZ_HIGH %{FUZZ_B}% %% $$ %unset% $unset ${unset}",
        "builtins": b"%APPLICATION_HOME%;$PWD;${WYN_APP_PATH};%home%",
        "registry": b"${HKCU\\Software\\Vendor\\Key\\Value|default} ${HKLM\\Key\\|} ${NoRoot|d} ${HKU\\x}",
        "open": b"${unterminated %also $",
        "command": b"|cat >> \"${FUZZ_SHELL}x\" '%FUZZ_SHELL%' $FUZZ_SHELL $(x `y` \\$FUZZ_B) # it's\n"
                   b"echo $$%FUZZ_B% \"$(cat ${FUZZ_B})\"",
    },
    "messages": {
        "overrides": b"message 13=Already %s running\\n\\t\\\\x\\\nmessage 6=Version %s is below %s %% %d\n"
                     b"message 0012=too high %s > %s %s %s\nmessage -5=neg\nmessage 99999999999=big\n"
                     b"message +7 = seven\nmessage 13=second\nmessage nothing\n",
        "expanded": b"message 1=%FUZZ% $HOME\\",
    },
    "command_line": {
        "quotes": b'a "b c" d\\"e f\\\\"g h* "i?" \\\\\\"j',
        "blanks": b' \t lead\t\ttrail  "" "open',
        "backslashes": b'\\\\server\\share\\ "\\\\" \\\\\\\\"x"',
    },
    "argument_list": {
        "unquoted": b"\x01*.txt\0dir/*\0two words/*\0plain",
        "quoted": b"\x02\"*\0dir*/*\0dir/we*\0dir/sub/*",
        "none": b"\x00*\0a b\0\"\0\\\\\0",
        # A backslash inside a component, once read as a separator on Linux.
        "backslash-inside-a-component": b"\x01**\\**",
    },
    "version": {
        "update": b"1.6.0_20" + SEP + b"1.6",
        "modern": b"17.0.2+8" + SEP + b"9",
        "odd": b"-1.99999999999" + SEP + b"1..2..3..4..5",
        "none": b"abc" + SEP + b"",
    },
    "instance_block": {
        "listed": block(1, 0, [1, 2, 0x7FFFFFFF, -1]),
        "full": block(1, 0, [1] * 250),
        "count-too-large": block(1, 7, [1, 1], count=251),
        "count-negative": block(-5, 0, [1], count=-3),
        "stale-first": block(0x7FFFFFF0, 12345, [1], stamps=[99]),
    },
    "instance_mailbox": {
        "three-chunks": message(1, 5, bytes(range(256)) * 10),
        "one-chunk": message(1, 6, b"\xac\xed\x00\x05t\x00\x05hello"),
        "empty": message(1, 7, b""),
        "interleaved": SEP.join([chunk(1, 8, 0, 1, 1500, bytes(1024)), chunk(2, 8, 0, 0, 3, b"abc"),
                                 chunk(1, 8, 1, 1, 1500, bytes(476))]),
        "unsound": SEP.join([chunk(1, 9, 0, 0, 5, b"abcde", chunk_length=2000),
                             chunk(1, 9, 1, 0, 268435457, b"x"), chunk(1, 9, -1, 3, -5, b"")]),
    },
    "tray_text": {
        "ascii": b"\x3fTooltip of the application",
        "utf8-cut": b"\x05a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80",
        "invalid": b"\x10\xff\xfe\xc3(\xe2\x82\0after",
        "one-byte-field": b"\x00abc",
    },
    "tray_image": {
        "stored": png(2, 2, 8, 6, RGBA_ROWS, 0),
        "stored-rgb": png(1, 2, 8, 2, b"\2\1\2\3\4\3\4\5", 0),
        "deflated": png(2, 2, 8, 6, RGBA_ROWS, 9),
    },
    "wynpack_icon": {
        "bitmap-32": icon([(2, 2, 32, bitmap(2, 2, 32, bytes(range(16)), bytes(8)))]),
        "bitmap-4": icon([(3, 1, 4, bitmap(3, 1, 4, bytes(64) + b"\x12\0\0\0", b"\x20\0\0\0"))]),
        "png-palette": icon([(3, 1, 32, png(3, 1, 2, 3, b"\0\x18", 9,
                                           png_chunk(b"PLTE", bytes(range(9))) +
                                           png_chunk(b"tRNS", b"\0\x80")))]),
        "png-and-bitmap": icon([(2, 2, 32, png(2, 2, 16, 2, b"\0" + bytes(12) + b"\0" + bytes(12), 6)),
                                (2, 2, 24, bitmap(2, 2, 24, bytes(16), bytes(8)))]),
    },
    "wynpack_version_info": {
        "launcher": version_info([("040904B0", [("CompanyName", "Example"),
                                                ("LauncherVersion", "wyn 0.1.0")])]),
        "two-tables": version_info([("040704B0", [("ProductName", "Beispiel")]),
                                    ("040904B0", [("LauncherVersion", "wyn 9.8.7")])]),
        "unprintable": version_info([("040904B0", [("LauncherVersion", "wyn\r\n\u00e9")])]),
    },
    "wynpack_config": {
        "utf8-mark": b"\xef\xbb\xbf" + CONFIG,
        "utf16le": utf16(CONFIG.decode(), False),
        "utf16be": utf16("mainclass Gr\u00fc\u00dfe\U0001F600\n", True),
        "cp1252": b"mainclass Caf\xe9\x80\x81\n",
        "nul": b"mainclass A\0B\n",
        "no-value": b"vm x\nmainclass\nmainclass B\n",
    },
    "wynpack_archive": {
        "hello": jar(HELLO),
        "signed": jar(SIGNED, method=zipfile.ZIP_STORED),
        "two": jar(HELLO) + SEP + jar(SIGNED),
        "comment": jar(HELLO, comment=b"a comment"),
    },
    "runtime_index": {
        "linux": RUNTIME_INDEX_HEAD + b"".join(
            b"file " + b"0123456789abcdef" * 4 + b" " + size + b" " + mode + b" " + path + b"\n"
            for size, mode, path in ((b"1024", b"644", b"lib/modules"),
                                     (b"0", b"4755", b"lib/server/libjvm.so"),
                                     (b"12", b"644", b"release"))),
        "hostile": RUNTIME_INDEX_HEAD + b"file " + b"0" * 64 + b" 1 644 ../x\n"
                   + b"file " + b"0" * 64 + b" 1 644 Lib/x\nfile " + b"0" * 64 + b" 1 644 lib\n",
    },
    "packed_entries": {
        "runtime": payload(b"mainclass a.B\n", jar(
            [("META-INF/wyn/runtime.index", RUNTIME_INDEX_HEAD),
             ("META-INF/wyn/runtime/bin/java", b"#!java" * 200),
             ("META-INF/wyn/runtime/release", b'JAVA_VERSION="17"\n')])),
        "stored": payload(b"mainclass a.B\n", jar([("META-INF/wyn/runtime/release", b"17\n")],
                                                  method=zipfile.ZIP_STORED)),
        "zeros": payload(b"mainclass a.B\n", jar([("big", bytes(200000))])),
    },
}

for harness, seeds in SEEDS.items():
    directory = os.path.join(HERE, "corpus", harness)
    os.makedirs(directory, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(directory, name), "wb") as seed:
            seed.write(data)
