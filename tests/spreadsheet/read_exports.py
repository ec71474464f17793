#!/usr/bin/env python3
"""Reads kelvaro-cli's CSV and TSV copies with Python's csv module, as a spreadsheet program
reads them, and compares every cell with the matrix that was copied, bit for bit.

  read_exports.py KELVARO_CLI
"""
import csv
import io
import random
import struct
import subprocess
import sys
import tempfile

rng = random.Random(13)


def number():
    """Ordinary values, negative zeros, and tiny and huge exponents."""
    return rng.choice([rng.uniform(-10, 10), -0.0, 5e-324, 1.7976931348623157e308,
                       rng.uniform(-1, 1) * 10.0 ** rng.randint(-300, 300)])


def pane_token(z):
    if isinstance(z, float):
        return repr(z)
    return repr(z.real) + ('' if z.imag < 0 else '+') + repr(z.imag) + 'i'


def cell_value(text, decimal_comma):
    if decimal_comma:
        text = text.replace(',', '.')
    return complex(text[:-1] + 'j') if text.endswith('i') else float(text)


def bits(z):
    """A zero imaginary part, of either sign, is copied as a real number."""
    z = complex(z)
    return struct.pack('<dd', z.real, z.imag if z.imag != 0 else 0.0)


matrix = [[number() if rng.random() < 0.5 else complex(number(), number()) for _ in range(5)]
          for _ in range(7)]
with tempfile.NamedTemporaryFile('w', suffix='.txt') as pane:
    pane.write(''.join(' '.join(pane_token(z) for z in row) + '\n' for row in matrix))
    pane.flush()
    for fmt, separator, delimiter in [('csv', '.', ','), ('csv', ',', ';'), ('tsv', '.', '\t'),
                                      ('tsv', ',', '\t')]:
        out = subprocess.run([sys.argv[1], '--decimal-separator=' + separator, '--a=' + pane.name,
                              'copy-a=' + fmt + '+full', '--print=clipboard'],
                             check=True, capture_output=True, text=True).stdout
        rows = list(csv.reader(io.StringIO(out), delimiter=delimiter))
        got = [[cell_value(c, separator == ',') for c in row] for row in rows]
        if [[bits(z) for z in row] for row in got] != [[bits(z) for z in row] for row in matrix]:
            sys.exit(f'{fmt} with "{separator}" reads back differently:\n{out}')
print('CSV and TSV read back bit for bit')
