#!/usr/bin/env python3
"""Generates the text tables of the foundation library.

Run from the project root on a Debian machine with the package unicode-data
installed (glibc provides iconv):

    python3 tools/gen_unicode_tables.py

It writes foundation/CodePageTables.inc and foundation/UnicodeTables.inc. Both
files are committed, so a build never runs this script; run it again only to
move to a newer Unicode version, and commit its output with it.

Sources:
  - code pages: glibc iconv, asked byte by byte for the upper half (0x80..0xFF)
    of each single-byte code page. A byte iconv rejects is one the code page
    leaves undefined; it maps to the code unit of the same value, as the Win32
    converter does.
  - upper case: field 12 (simple upper-case mapping) of UnicodeData.txt for
    U+00E0..U+FF5A. Mappings onto ASCII (U+0131 dotless i, U+017F long s) are
    left out: folding them onto I and S would make "i" and "s" searches match
    letters of other languages. The Greek letters with ypogegrammeni get their
    prosgegrammeni capitals (U+1F80 -> U+1F88) because that is what the simple
    mapping says (the full mapping, two characters, does not fit one unit).
  - ASCII look-alikes for U+00A0..U+FF5E, from the Latin-1, Latin Extended,
    Greek, Cyrillic, General Punctuation and Halfwidth/Fullwidth blocks:
    decompositions whose first character is an ASCII letter or digit (or
    that repeat one ASCII character), letter names ("LATIN SMALL LETTER O
    WITH STROKE" -> o), Greek transliterated by ISO 843 and Cyrillic by
    ISO 9 (first letter, diacritics dropped), and a short list of
    punctuation and symbols below.
"""

import ctypes
import ctypes.util
import os
import re
import sys

UNICODE_DATA = "/usr/share/unicode/UnicodeData.txt"
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Code page number -> glibc iconv name.
CODE_PAGES = [
    (850, "IBM850"),
    (1250, "CP1250"),
    (1251, "CP1251"),
    (1252, "CP1252"),
    (1253, "CP1253"),
    (1254, "CP1254"),
    (1255, "CP1255"),
    (1256, "CP1256"),
    (1257, "CP1257"),
    (1258, "CP1258"),
    (28591, "ISO-8859-1"),
    (28592, "ISO-8859-2"),
]

UPPER_FIRST, UPPER_LAST = 0x00E0, 0xFF5A
FOLD_FIRST, FOLD_LAST = 0x00A0, 0xFF5E
FOLD_BLOCKS = [
    (0x00A0, 0x024F),  # Latin-1 Supplement, Latin Extended-A and -B
    (0x02B0, 0x02FF),  # Spacing Modifier Letters (code page 1252 has two)
    (0x0370, 0x03FF),  # Greek and Coptic
    (0x0400, 0x04FF),  # Cyrillic
    (0x1E00, 0x1EFF),  # Latin Extended Additional
    (0x1F00, 0x1FFF),  # Greek Extended
    (0x2000, 0x206F),  # General Punctuation
    (0xFF01, 0xFF5E),  # Fullwidth ASCII
]

# Punctuation, symbols and letters that neither a decomposition nor a name gives.
FOLD_EXTRA = {
    0x00A1: "!", 0x00A2: "c", 0x00A3: "L", 0x00A5: "Y", 0x00A6: "|", 0x00A8: '"',
    0x00A9: "C", 0x00AB: "<", 0x00AC: "-", 0x00AD: "-", 0x00AE: "R", 0x00AF: "-",
    0x00B0: "o", 0x00B1: "+", 0x00B4: "'", 0x00B5: "u", 0x00B7: ".", 0x00B8: ",",
    0x00BB: ">", 0x00BF: "?", 0x00D7: "x",
    0x00C6: "A", 0x00E6: "a", 0x00D0: "D", 0x00F0: "d", 0x00DE: "T", 0x00FE: "t",
    0x00DF: "s", 0x0131: "i", 0x0138: "k", 0x014A: "N", 0x014B: "n", 0x0152: "O",
    0x0153: "o", 0x017F: "s", 0x01E2: "A", 0x01E3: "a", 0x01FC: "A", 0x01FD: "a",
    0x1E9E: "S",
    0x02B9: "'", 0x02BA: '"', 0x02BC: "'", 0x02C6: "^", 0x02C8: "'", 0x02CB: "`",
    0x02CD: "_", 0x02DC: "~",
    0x2010: "-", 0x2011: "-", 0x2012: "-", 0x2013: "-", 0x2014: "-", 0x2015: "-",
    0x2016: "|", 0x2017: "_", 0x2018: "'", 0x2019: "'", 0x201A: ",", 0x201B: "'",
    0x201C: '"', 0x201D: '"', 0x201E: '"', 0x201F: '"', 0x2020: "+", 0x2021: "+",
    0x2022: "*", 0x2023: ">", 0x2030: "%", 0x2031: "%", 0x2032: "'", 0x2033: '"',
    0x2035: "`", 0x2036: '"', 0x2039: "<", 0x203A: ">", 0x203D: "?", 0x2043: "-",
    0x2044: "/", 0x204E: "*", 0x2052: "%", 0x2053: "~",
}

# ISO 843, first letter of each transliteration.
GREEK = {
    "ALPHA": "a", "BETA": "v", "GAMMA": "g", "DELTA": "d", "EPSILON": "e", "ZETA": "z",
    "ETA": "i", "THETA": "t", "IOTA": "i", "KAPPA": "k", "LAMDA": "l", "MU": "m",
    "NU": "n", "XI": "x", "OMICRON": "o", "PI": "p", "RHO": "r", "SIGMA": "s",
    "FINAL SIGMA": "s", "TAU": "t", "UPSILON": "y", "PHI": "f", "CHI": "c", "PSI": "p",
    "OMEGA": "o",
}

# ISO 9 without its diacritics; hard and soft signs have no letter.
CYRILLIC = {
    "A": "a", "BE": "b", "VE": "v", "GHE": "g", "DE": "d", "IE": "e", "IO": "e", "ZHE": "z",
    "ZE": "z", "I": "i", "SHORT I": "j", "KA": "k", "EL": "l", "EM": "m", "EN": "n", "O": "o",
    "PE": "p", "ER": "r", "ES": "s", "TE": "t", "U": "u", "EF": "f", "HA": "h", "TSE": "c",
    "CHE": "c", "SHA": "s", "SHCHA": "s", "YERU": "y", "E": "e", "YU": "u", "YA": "a",
    "DJE": "d", "GJE": "g", "UKRAINIAN IE": "e", "DZE": "z", "BYELORUSSIAN-UKRAINIAN I": "i",
    "YI": "i", "JE": "j", "LJE": "l", "NJE": "n", "TSHE": "c", "KJE": "k", "SHORT U": "u",
    "DZHE": "d", "GHE WITH UPTURN": "g",
}

# Latin letters whose names are words, not one letter.
LATIN_WORDS = {"AE": "a", "OE": "o", "IJ": "i", "DZ": "d", "LJ": "l", "NJ": "n"}


def read_unicode_data():
    names, decomps, uppers = {}, {}, {}
    with open(UNICODE_DATA, encoding="utf-8") as f:
        for line in f:
            fields = line.rstrip("\n").split(";")
            cp = int(fields[0], 16)
            if cp > 0xFFFF:
                break
            names[cp] = fields[1]
            if fields[5]:
                parts = fields[5].split()
                if parts[0].startswith("<"):
                    parts = parts[1:]
                decomps[cp] = [int(p, 16) for p in parts]
            if fields[12]:
                uppers[cp] = int(fields[12], 16)
    return names, decomps, uppers


def full_decomposition(cp, decomps):
    if cp not in decomps:
        return [cp]
    out = []
    for c in decomps[cp]:
        out.extend(full_decomposition(c, decomps))
    return out


def fold_by_decomposition(cp, decomps):
    if cp not in decomps:
        return None
    chars = full_decomposition(cp, decomps)
    first = chars[0]
    if first < 0x80 and chr(first).isalnum():
        return chr(first)
    # Repeats such as U+2025 (two dots) or U+203C (two exclamation marks).
    if all(c == first for c in chars) and 0x20 <= first < 0x7F:
        return chr(first)
    return None


def fold_by_name(name):
    m = re.match(r"^(LATIN|GREEK|CYRILLIC) (CAPITAL|SMALL) LETTER (.+)$", name)
    if not m:
        return None
    script, case, rest = m.groups()
    letter = None
    if script == "LATIN":
        word = rest.split(" ")[0]
        if len(word) == 1:
            letter = word.lower()
        elif word in LATIN_WORDS and (rest == word or rest.startswith(word + " WITH")):
            letter = LATIN_WORDS[word]
    else:
        table = GREEK if script == "GREEK" else CYRILLIC
        if rest in table:
            letter = table[rest]
        else:
            base = rest.split(" WITH ")[0]
            letter = table.get(base)
    if letter is None:
        return None
    return letter.upper() if case == "CAPITAL" else letter


def build_fold_table(names, decomps):
    entries = []
    for first, last in FOLD_BLOCKS:
        for cp in range(max(first, FOLD_FIRST), min(last, FOLD_LAST) + 1):
            if cp not in names:
                continue
            ascii_char = FOLD_EXTRA.get(cp)
            if ascii_char is None and cp in decomps and full_decomposition(cp, decomps) == [0x20]:
                ascii_char = " "  # no-break and typographic spaces
            if ascii_char is None:
                ascii_char = fold_by_decomposition(cp, decomps)
            if ascii_char is None:
                ascii_char = fold_by_name(names[cp])
            if ascii_char is not None:
                entries.append((cp, ascii_char))
    entries.sort()
    return entries


def build_upper_table(uppers):
    pairs = []
    for cp in range(UPPER_FIRST, UPPER_LAST + 1):
        up = uppers.get(cp)
        if up is None or up == cp or up < 0x80:
            continue
        pairs.append((cp, up))
    return pairs


class Iconv:
    """glibc iconv through ctypes: the same converter the program calls."""

    def __init__(self):
        self.libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
        self.libc.iconv_open.restype = ctypes.c_void_p
        self.libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
        self.libc.iconv.restype = ctypes.c_size_t
        self.libc.iconv.argtypes = [ctypes.c_void_p] + [ctypes.c_void_p] * 4
        self.libc.iconv_close.argtypes = [ctypes.c_void_p]

    def decode_byte(self, name, byte):
        """UTF-16 code units for one byte, or None when iconv rejects it."""
        cd = self.libc.iconv_open(b"UTF-16LE", name.encode())
        if cd == ctypes.c_void_p(-1).value:
            sys.exit(f"iconv does not know {name}")
        try:
            inbuf = ctypes.create_string_buffer(bytes([byte]), 1)
            outbuf = ctypes.create_string_buffer(16)
            inptr = ctypes.c_char_p(ctypes.addressof(inbuf))
            outptr = ctypes.c_char_p(ctypes.addressof(outbuf))
            inleft = ctypes.c_size_t(1)
            outleft = ctypes.c_size_t(16)
            r = self.libc.iconv(cd, ctypes.byref(inptr), ctypes.byref(inleft),
                                ctypes.byref(outptr), ctypes.byref(outleft))
            if r == ctypes.c_size_t(-1).value or inleft.value != 0:
                return None
            # CP1255 and CP1258 hold a base letter back to combine it with a
            # following mark: flush it.
            r = self.libc.iconv(cd, None, None, ctypes.byref(outptr), ctypes.byref(outleft))
            if r == ctypes.c_size_t(-1).value:
                return None
            data = outbuf.raw[: 16 - outleft.value]
            return [int.from_bytes(data[i:i + 2], "little") for i in range(0, len(data), 2)]
        finally:
            self.libc.iconv_close(cd)


def build_code_page(conv, name):
    table = []
    for byte in range(0x80, 0x100):
        units = conv.decode_byte(name, byte)
        if units is None or len(units) != 1:
            table.append(byte)
        else:
            table.append(units[0])
    return table


def write(path, text):
    with open(os.path.join(ROOT, path), "w", encoding="utf-8") as f:
        f.write(text)


def hex_rows(values, per_row=8):
    rows = []
    for i in range(0, len(values), per_row):
        rows.append("    " + ", ".join(values[i:i + per_row]) + ",")
    return "\n".join(rows)


def main():
    names, decomps, uppers = read_unicode_data()
    with open(UNICODE_DATA.replace("UnicodeData.txt", "ReadMe.txt"), encoding="utf-8") as f:
        version = re.search(r"Version (\d+\.\d+\.\d+)", f.read()).group(1)

    conv = Iconv()
    out = ["// Generated by tools/gen_unicode_tables.py from glibc iconv; do not edit.",
           "// Bytes 0x80..0xFF of each code page; undefined bytes map to themselves.", ""]
    for number, name in CODE_PAGES:
        table = build_code_page(conv, name)
        out.append(f"// {name}")
        out.append(f"constexpr char16_t kCodePage{number}[128] = {{")
        out.append(hex_rows([f"0x{u:04X}" for u in table]))
        out.append("};")
        out.append("")
    out.append("constexpr CodePageTableEntry kCodePageTables[] = {")
    for number, _ in CODE_PAGES:
        out.append(f"    {{{number}, kCodePage{number}}},")
    out.append("};")
    write("foundation/CodePageTables.inc", "\n".join(out) + "\n")

    upper = build_upper_table(uppers)
    fold = build_fold_table(names, decomps)
    out = [f"// Generated by tools/gen_unicode_tables.py from UnicodeData.txt {version}; do not edit.",
           f"// {len(upper)} simple upper-case mappings (U+{UPPER_FIRST:04X}..U+{UPPER_LAST:04X}),"
           f" {len(fold)} ASCII look-alikes (U+{FOLD_FIRST:04X}..U+{FOLD_LAST:04X}), both sorted.", "",
           "constexpr CasePair kUpperCasePairs[] = {"]
    out.append(hex_rows([f"{{0x{lo:04X}, 0x{up:04X}}}" for lo, up in upper], 6))
    out.append("};")
    out.append("")
    out.append("constexpr FoldEntry kFoldToAscii[] = {")
    out.append(hex_rows([f"{{0x{cp:04X}, 0x{ord(ch):02X}, 0}}" for cp, ch in fold], 6))
    out.append("};")
    write("foundation/UnicodeTables.inc", "\n".join(out) + "\n")
    print(f"code pages: {len(CODE_PAGES)}, upper-case pairs: {len(upper)}, look-alikes: {len(fold)}")


if __name__ == "__main__":
    main()
