#!/usr/bin/env python3
"""The string-table generator refuses broken translations, naming the id, and
passes the shipped tables."""
import os
import subprocess
import sys
import tempfile

root = sys.argv[1]
generator = os.path.join(root, 'core/strings/gen_string_table.py')
english = os.path.join(root, 'core/strings/strings.tsv')
mandarin = os.path.join(root, 'language/strings-zh.tsv')
keep = os.path.join(root, 'language/strings-zh.keep')
failures = []


def run(table, extra=()):
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, 'table.tsv')
        with open(src, 'w', encoding='utf-8') as f:
            f.write(table)
        out = os.path.join(tmp, 'out.cpp')
        p = subprocess.run([sys.executable, generator, '--language', '--english', english,
                            '--keep', keep, *extra, src, out], capture_output=True, text=True)
        return p.returncode, p.stdout + p.stderr


with open(mandarin, encoding='utf-8') as f:
    shipped = f.read()


def replaced(ident, text):
    lines = shipped.split('\n')
    for i, line in enumerate(lines):
        if line.startswith(f'{ident}\t'):
            lines[i] = f'{ident}\t{text}'
            return '\n'.join(lines)
    raise SystemExit(f'id {ident} is not in the shipped table')


cases = [
    ('a foreign id', shipped + '99999\t多余\n', 99999),
    ('"%d" made "%s"', replaced(1171, '%s 分钟'), 1171),
    ('two conversions swapped', replaced(64365, 'DSP 应答无效：标识 %d，长度 %d，索引 %d'), 64365),
    ('a conversion dropped', replaced(569, '可用'), 569),
    ('511 units', replaced(64250, '错' * 511), 64250),
    ('an untranslated text', replaced(134, 'Tools'), 134),
]
for what, table, ident in cases:
    code, output = run(table)
    if code == 0 or f'id {ident}' not in output:
        failures.append(f'{what}: exit {code}, output {output!r}')

code, output = run(shipped)
if code != 0 or 'not translated' in output:
    failures.append(f'the shipped Mandarin table: exit {code}, {output!r}')
with tempfile.TemporaryDirectory() as tmp:
    p = subprocess.run([sys.executable, generator, '--language', english,
                        os.path.join(tmp, 'en.cpp')], capture_output=True, text=True)
    if p.returncode != 0:
        failures.append(f'the English table: {p.stderr}')

# An id the translation lacks is served in English, and counted.
lines = [l for l in shipped.split('\n') if not l.startswith('134\t')]
code, output = run('\n'.join(lines))
if code != 0 or '1 of the English texts are not translated' not in output:
    failures.append(f'a missing text: exit {code}, {output!r}')

if failures:
    print('\n'.join(failures))
    sys.exit(1)
print(f'{len(cases)} broken tables refused, shipped tables pass')
