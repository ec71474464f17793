#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into fuzz/corpus/<target>/seed-*; with --check,
only says which are missing or differ from what it would write (exit status 1), as ctest runs it.

The targets read their input with FuzzedDataProvider: strings from the front (a backslash
followed by another character ends a string early, two backslashes stand for one), single
bytes for choices from the back. These helpers lay inputs out the same way. Run it again after
changing how a target reads its input; inputs that once failed (crash-*, leak-*, timeout-*)
are kept by hand beside the seeds.
"""

import os
import re
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")
COMMAND_TABLE = os.path.join(HERE, os.pardir, "commands", "command_table.h")


def text(s, terminate=True):
    """One ConsumeRandomLengthString: the text, then an end mark."""
    body = s.encode("latin-1").replace(b"\\", b"\\\\")
    return body + (b"\\x" if terminate else b"")


STALE = []


def write(target, name, data):
    directory = os.path.join(CORPUS, target)
    path = os.path.join(directory, "seed-" + name)
    if "--check" in sys.argv:
        if not os.path.exists(path) or open(path, "rb").read() != data:
            STALE.append(os.path.relpath(path, HERE))
        return
    os.makedirs(directory, exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


# fuzz_element: the token from the front; from the back the decimal separator (odd: ","),
# the display format (odd: polar) and the precision item (0-8 "1".."8", 8 "e", ...).
PRECISION = {"1": 0, "2": 1, "3": 2, "4": 3, "5": 4, "6": 5, "7": 6, "8": 7, "e": 8}


def element(token, precision="3", polar=False, comma=False):
    return token.encode("latin-1") + bytes([PRECISION[precision], int(polar), int(comma)])


ELEMENT_SEEDS = {
    "i": element("i"), "plus-i": element("+i"), "minus-i": element("-i"),
    "2i": element("2i"), "minus-2i": element("-2i"), "3-i": element("3-i"),
    "comma": element("1,5+2,5i", comma=True), "both-separators": element("1.000,5"),
    "polar": element("5(30)"), "polar-minus-90": element("1(-90)", polar=True),
    "plus-2i": element("+2i"), "exponent-i": element("2e-3i", precision="e"),
    "upper-i": element("1+2I"), "spaces": element(" 1 +  2 i "),
    "long-digits": element("0." + "0" * 30 + "123456789012345678901234567890"),
    "huge": element("1e308"), "beyond": element("1e309"), "tiny": element("4.9e-324"),
    "sign-sign": element("1+-2i", precision="8"), "exponent-form": element("-0.00125", "e"),
}

# fuzz_exact: tokens from the front; from the back the decimal separator (odd: ",") and
# the number of columns less one.
def exact(tokens, columns=1, comma=False):
    return b"".join(text(t) for t in tokens) + bytes([columns - 1, int(comma)])


EXACT_SEEDS = {
    "fractions": exact(["2/3", "-5/7+1/2i", "3/4i", "0.1"], columns=2),
    "decimals": exact(["2.5e-3", "-1.25E+2", "1,5", ".5", "e5"], comma=True),
    "polar": exact(["5(90)", "2(180)", "1(-90)", "3(30)", "1(360)", "2(-270)"], columns=2),
    "signs": exact(["i", "-i", "3-i", "1+-2i", "6/-4", "-0"], columns=3),
    "refused": exact(["1/0", "1e-999999999", "2/3x", "1/"]),
}

# fuzz_commands: precision, x, Row, Column, pane A, pane B, then each action's name (as
# kelvaro-cli names it) and its argument, if it takes one, from the front; from the back the
# separator (0 ".", 1 ",", 2 none) and the display format.


def operation_labels():
    """The action of every row of kCommandTable, in the table's order."""
    with open(COMMAND_TABLE, encoding="latin-1") as f:
        source = f.read()
    start = source.index("inline constexpr std::array kCommandTable")
    rows = source[start:source.index("});", start)]
    string = r'"((?:[^"\\]|\\.)*)"'
    labels = re.findall(r"\{\s*" + string + r",\s*" + string + r",\s*" + string, rows)
    if len(labels) < 43:
        sys.exit("seeds.py: cannot read the operations of " + COMMAND_TABLE)
    return [label for _, _, label in labels]


COMMANDS = operation_labels()
TAKES_TEXT = {"x", "rows", "columns", "precision"}


def commands(a, b, actions, x="1", precision="3", rows="3", columns="3", separator=0,
             polar=False, arguments=()):
    arguments = list(arguments)
    named = []
    for name in actions:
        named.append(text(name))
        if name in TAKES_TEXT:
            named.append(text(arguments.pop(0)))
    front = b"".join(text(s) for s in [precision, x, rows, columns, a, b]) + b"".join(named)
    return front + bytes([int(polar), separator])


def seed_name(label):
    """seed-op-LABEL, every character but letters and digits as _ and its code ("A_2bB")."""
    return "op-" + "".join(c if c.isalnum() else "_%02x" % ord(c) for c in label)


EXAMPLE_A = "1 0 3+2.5i\n0 1 0\n0 0 1.5"
EXAMPLE_B = "1 0 3-2.5i\n0 1 0\n0 0 1.5"
REAL = "4 1 2\n1 5 3\n2 3 6"
COMMAND_SEEDS = {seed_name(name): commands(REAL, EXAMPLE_B, [name], x="2") for name in COMMANDS}
COMMAND_SEEDS.update({
    "example-AplusB": commands(EXAMPLE_A, EXAMPLE_B, ["A+B", "A*B", "inv(A)"]),
    "short-row": commands("1 2 3\n4 5", "1\n2\n3", ["A*B", "A'*B", "Dim(A)"]),
    "quoted": commands('"1+2i" 3\n""" 4', "1 1\n1 1", ["align-a", "A", "A./B"]),
    "polar-panes": commands("5(30) 1(-90)\n2 3", "1 2\n3 4", ["format=polar", "A-B", "B^x"],
                            polar=True, x="-2"),
    "comma": commands("1,5 2\n3 4,25", "1 0\n0 1", ["A/B", "dot-to-comma", "comma-to-dot"],
                      separator=1),
    "fill": commands("", "", ["fill-a", "fill-b", "A&B", "A#B"], x="i", rows="2", columns="3"),
    "power-cycle": commands("0 1\n1 0", "1 1\n0 1", ["A^x", "B^x"], x="2147483647"),
    "power-negative": commands("2 0\n0 4", "0 1\n1 0", ["A^x", "B^x"], x="-3"),
    "singular": commands("1 2\n2 4", "i 0\n0 i", ["inv(A)", "A/B", "Det(B)", "LU(A)"]),
    "exponent-format": commands(REAL, "-2 0.00125\n1e5 3", ["A", "Svd(B)", "Eig(A)"],
                                precision="e"),
    "swap-result": commands("1 2", "3 4", ["clear-result", "swap-a-result", "rows", "fill-a"],
                            arguments=["2"]),
    "bad-token": commands("1 2x\n3 4", "1 2\n3 4", ["A+B", "Chol(A)", "QR(A)"]),
})

# fuzz_project: the bytes of a project file.


def extended(value):
    """The 80-bit form of a double, as a project file stores it (normal doubles and zero)."""
    value = float(value)
    if value == 0:
        return struct.pack("<QH", 0, 0x8000 if str(value).startswith("-") else 0)
    mantissa, exponent = abs(value).hex().split("p")
    whole, fraction = mantissa[2:].split(".") if "." in mantissa else (mantissa[2:], "0")
    bits = (int(whole, 16) << 52 | int(fraction.ljust(13, "0"), 16)) << 11
    sign = 0x8000 if value < 0 else 0
    return struct.pack("<QH", bits, sign | (int(exponent) + 16383))


def matrix(rows):
    if not rows:
        return struct.pack("<ii", 0, 0)
    out = struct.pack("<ii", len(rows), len(rows[0]))
    return out + b"".join(extended(v) for row in rows for v in row)


def project(x, precision, a, b):
    return extended(x) + struct.pack("<i", precision) + matrix(a) + matrix(b)


EXAMPLE = project(1.0, 3, [[1.0, 2.0]], [])
PROJECT_SEEDS = {
    "example": EXAMPLE,
    "both": project(-2.5, 5, [[1, 0, 3], [0, 1, 0], [0, 0, 1.5]], [[1e-300, -7], [3e300, 0.1]]),
    "cut-short": EXAMPLE[:-3],
    "negative-count": extended(1.0) + struct.pack("<iii", 3, -1, 2),
    "announces-more": extended(1.0) + struct.pack("<iii", 3, 0x7FFFFFFF, 0x7FFFFFFF),
    "nan-and-inf": extended(1.0) + struct.pack("<iii", 3, 1, 2) + struct.pack("<QH", 0xC000000000000000, 0x7FFF)
                   + struct.pack("<QH", 0x8000000000000000, 0xFFFF) + matrix([]),
    "unnormal": extended(1.0) + struct.pack("<iii", -4, 1, 1) + struct.pack("<QH", 1, 0x4000) + matrix([]),
    "trailing-bytes": EXAMPLE + b"\x01\x02\x03",
}


# fuzz_paste: the text from the front; from the back the decimal separator (odd: ",") and the
# precision (odd: exponent form).


def paste(clipboard, comma=False):
    return clipboard.encode("latin-1") + bytes([0, int(comma)])


PASTE_SEEDS = {
    "tsv": paste("1\t2,5\n-3e-7\t4+2i\n", comma=True),
    "csv": paste('"1,5";2\r\n3;inf\r\n'),
    "csv-comma": paste("L\n1,2\n3,4\n\nU\n5,6\n7,8\n"),
    "latex": paste("A = \\begin{bmatrix}\n1 & 2\\times10^{-3} \\\\\n\\infty i & \\mathrm{NaN}\n"
                   "\\end{bmatrix},\\quad\n\\lambda = \\begin{pmatrix} 1 \\end{pmatrix}"),
    "markdown": paste("**L**\n\n| | |\n|--:|--:|\n| 1 | 2 |\n| 3 | 4 |\n"),
    "octave": paste("x = [1 + 2i, -i; complex(Inf,-0) 3 +4j];\ny = [1]"),
    "numpy": paste("np.array([[1., 2.+3.j], [np.nan, complex(1, -np.inf)]], dtype=complex)"),
    "numpy-1d": paste("[[1, 2,], [3, 4]]"),
    "pane": paste("5(30) -i\n\n1,5 \"2\"\n"),
    "ragged": paste("1 2\n3\n"),
}


def main():
    for name, data in ELEMENT_SEEDS.items():
        write("fuzz_element", name, data)
    for name, data in EXACT_SEEDS.items():
        write("fuzz_exact", name, data)
    for name, data in COMMAND_SEEDS.items():
        write("fuzz_commands", name, data)
    for name, data in PROJECT_SEEDS.items():
        write("fuzz_project", name, data)
    for name, data in PASTE_SEEDS.items():
        write("fuzz_paste", name, data)
    for path in STALE:
        print(path + ": missing or out of date: run fuzz/seeds.py", file=sys.stderr)
    return 1 if STALE else 0


if __name__ == "__main__":
    sys.exit(main())
