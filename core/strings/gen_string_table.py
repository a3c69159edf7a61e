#!/usr/bin/env python3
"""Turns a text table (id<TAB>text, UTF-8) into a C++ table of UTF-16 texts.

    gen_string_table.py strings.tsv out.cpp
        the program's own table (core_strings::kStringTable)
    gen_string_table.py --language TABLE.tsv out.cpp [--english strings.tsv --keep KEEP]
        a language library's table (lang::kStringTable). Every text must be
        returnable (under 511 units). With --english, TABLE is a translation
        of strings.tsv: each of its ids must be one of strings.tsv, its printf
        conversions must be the English text's in kind and order, and a text
        equal to the English one is an error unless its id is on the KEEP list
        (one id a line, '#' comments). Ids of strings.tsv it lacks are served
        in English; their number is printed.
"""
import argparse
import re
import sys

TEXT_LIMIT = 511  # units; a 512-unit buffer cannot return a text this long

CONVERSION = re.compile(
    r'%(?:%|[-+ #0]*(?:\d+|\*)?(?:\.(?:\d+|\*))?(hh|h|ll|l|L|q|j|z|t|I64)?([diouxXeEfFgGaAcCsSpn]))')


def unescape(text):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == '\\' and i + 1 < len(text):
            n = text[i + 1]
            out.append({'n': '\n', 't': '\t', '\\': '\\', 'r': '\r'}.get(n, '\\' + n))
            i += 2
        else:
            out.append(c)
            i += 1
    return ''.join(out)


def literal(text):
    units = text.encode('utf-16-le')
    parts = []
    for k in range(0, len(units), 2):
        u = units[k] | (units[k + 1] << 8)
        ch = chr(u) if u < 0xD800 or u > 0xDFFF else None
        if ch is not None and 0x20 <= u < 0x7F and ch not in '"\\?':
            parts.append(ch)
        else:
            parts.append('\\x%04x""' % u)
    return 'u"' + ''.join(parts) + '"'


def units(text):
    return len(text.encode('utf-16-le')) // 2


def read_table(src):
    rows = {}
    with open(src, encoding='utf-8') as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip('\n')
            if not line or line.startswith('#'):
                continue
            key, sep, text = line.partition('\t')
            if not sep or not key.strip().isdigit():
                sys.exit(f'{src}:{number}: expected id<TAB>text')
            ident = int(key)
            if ident in rows:
                sys.exit(f'{src}:{number}: id {ident} appears twice')
            rows[ident] = unescape(text)
    return rows


def read_keep(path):
    keep = set()
    with open(path, encoding='utf-8') as f:
        for number, line in enumerate(f, 1):
            line = line.split('#', 1)[0].strip()
            if not line:
                continue
            if not line.isdigit():
                sys.exit(f'{path}:{number}: expected an id')
            keep.add(int(line))
    return keep


def conversions(text):
    """The printf conversions of a text in order: (length, kind); %% is none."""
    return [(m.group(1) or '', m.group(2)) for m in CONVERSION.finditer(text) if m.group(2)]


def check_translation(src, rows, english, keep):
    errors = []
    for ident in sorted(rows):
        text = rows[ident]
        if ident not in english:
            errors.append(f'{src}: id {ident}: not an id of the English table')
            continue
        if conversions(text) != conversions(english[ident]):
            errors.append(f'{src}: id {ident}: printf conversions differ from the English text\'s '
                          f'({"".join("%" + a + b for a, b in conversions(english[ident])) or "none"})')
        if text == english[ident] and ident not in keep:
            errors.append(f'{src}: id {ident}: equal to the English text but not on the keep list')
    return errors


def check_limits(src, rows):
    return [f'{src}: id {ident}: {units(text)} units, {TEXT_LIMIT} or more can never be returned'
            for ident, text in sorted(rows.items()) if units(text) >= TEXT_LIMIT]


def write(dst, source_name, rows, include, namespace):
    with open(dst, 'w', encoding='utf-8') as out:
        out.write(f'// Generated from {source_name}; do not edit.\n')
        out.write(f'#include "{include}"\n\nnamespace {namespace} {{\n\n')
        out.write('const StringTableEntry kStringTable[] = {\n')
        for ident in sorted(rows):
            out.write(f'    {{{ident}u, {literal(rows[ident])}}},\n')
        out.write('};\n\n')
        out.write('const size_t kStringTableSize = sizeof(kStringTable) / sizeof(kStringTable[0]);\n\n')
        out.write(f'}}  // namespace {namespace}\n')


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--language', action='store_true')
    parser.add_argument('--english')
    parser.add_argument('--keep')
    parser.add_argument('src')
    parser.add_argument('dst')
    args = parser.parse_args()
    rows = read_table(args.src)
    name = args.src.rsplit('/', 1)[-1]
    if not args.language:
        write(args.dst, name, rows, 'core/string_table.h', 'core_strings')
        return
    errors = check_limits(args.src, rows)
    if args.english:
        english = read_table(args.english)
        keep = read_keep(args.keep) if args.keep else set()
        errors += check_translation(args.src, rows, english, keep)
        missing = sorted(set(english) - set(rows))
        if missing:
            print(f'{name}: {len(missing)} of the English texts are not translated and are served in English '
                  f'(ids {", ".join(map(str, missing[:20]))}{", ..." if len(missing) > 20 else ""})')
            for ident in missing:
                rows[ident] = english[ident]
    if errors:
        sys.exit('\n'.join(errors))
    write(args.dst, name, rows, 'language/string_table.h', 'lang')


if __name__ == '__main__':
    main()
