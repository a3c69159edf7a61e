#!/usr/bin/env python3
"""Turns strings.tsv (id<TAB>text, UTF-8) into a C++ table of UTF-16 texts."""
import sys


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


def main(src, dst):
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
    with open(dst, 'w', encoding='utf-8') as out:
        out.write('// Generated from strings.tsv; do not edit.\n')
        out.write('#include "core/string_table.h"\n\nnamespace core_strings {\n\n')
        out.write('const StringTableEntry kStringTable[] = {\n')
        for ident in sorted(rows):
            out.write(f'    {{{ident}u, {literal(rows[ident])}}},\n')
        out.write('};\n\n')
        out.write('const size_t kStringTableSize = sizeof(kStringTable) / sizeof(kStringTable[0]);\n\n')
        out.write('}  // namespace core_strings\n')


if __name__ == '__main__':
    main(sys.argv[1], sys.argv[2])
