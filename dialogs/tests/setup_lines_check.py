#!/usr/bin/env python3
"""Reads a setup file (the tagged text format) and computes the lines the
setup viewer shows for it, from the line tables, the value texts and the
string table; compares them with the lines the program wrote beside the
file ("<file>.lines": number, tab, text). Exit status 0 when they agree."""
import math
import os
import re
import struct
import sys


def load_strings(path):
    table = {}
    for raw in open(path, encoding='utf-8'):
        raw = raw.rstrip('\n')
        if not raw or raw.startswith('#') or '\t' not in raw:
            continue
        key, text = raw.split('\t', 1)
        text = text.replace('\\\\', '\0').replace('\\n', '\n').replace('\\t', '\t').replace('\0', '\\')
        table[int(key)] = text
    return table


def read_setup(path):
    """Flat tags, plus the marker, bandwidth and trigger blocks."""
    tags, markers, block, current = {}, [], {}, None
    for raw in open(path, encoding='utf-8'):
        line = raw.strip()
        if line in ('<marker>', '<bandwidth>', '<trigger>', '<limit>'):
            current = line[1:-1]
            block = {}
            continue
        if line in ('</marker>', '</bandwidth>', '</trigger>', '</limit>'):
            if current == 'marker':
                markers.append(block)
            else:
                tags[current] = block
            current = None
            continue
        m = re.match(r'^<([^=<>]+?) = ?(.*)>$', line)
        if not m:
            continue
        (block if current else tags)[m.group(1).strip()] = m.group(2).strip()
    return tags, markers


def single(x):
    return struct.unpack('f', struct.pack('f', x))[0]


class Lines:
    def __init__(self, strings, tags, markers, instrument_path, size):
        self.s, self.t, self.markers = strings, tags, markers
        self.path, self.size = instrument_path, size

    def T(self, i):
        return self.s[i]

    # --- value texts
    def unit_name(self, code):
        ids = {0: 561, 6: 621, 22: 670, 26: 1198, 20: 670}
        return self.T(ids[code])

    def fv(self, hz):
        unit = 0 if hz < 1000 else 1 if hz < 10**6 else 2 if hz < 10**9 else 3
        text = ('% 11.6f' % (hz / 1000.0**unit)).lstrip(' ')
        if unit != 0 and '.' in text:
            text = text.rstrip('0')
            while len(text) - text.index('.') - 1 < 6:
                text += '0'
        return text + ' ' + self.T([887, 685, 686, 687][unit])

    def size_text(self, n):
        if n < 1023:
            return '%d bytes' % n
        if n < 1048575:
            return '%.1f Kbytes' % (n // 1024)
        return '%.1f Mbytes' % (n // 1048576)

    def date_time(self, text):
        h, mi, se, mo, d, y = map(int, re.split('[: /]', text))
        h12 = 12 if h == 0 else h - 12 if h > 12 else h
        half = self.T(496 if h < 12 else 497)
        return '%02d:%02d:%02d %s ' % (h12, mi, se, half) + '%02d/%02d/%04d' % (d, mo, y)

    def level(self, dbm):
        v = single(dbm)
        return (('% +6.1f' if v > 0 else '% 6.1f') % v).lstrip(' ')

    # --- line forms
    def row(self, label, value):
        return self.T(label) + '\t' + value

    def colon(self, label, value):
        return self.T(label) + ':\t' + value

    def text_row(self, label, value):
        l = self.T(label)
        return l + (' ' if ':' in l else ': ') + '\t' + value

    def onoff(self, on):
        return self.T(308 if on else 309)

    def num(self, key, block=None):
        src = self.t[block] if block else self.t
        return int(float(src[key]))

    # --- lines
    def shared(self, n):
        t = self.t
        cls, mid = t['measurement class'], t['measurement id']
        mode_name = {('vna', 'general'): 872, ('vna', 'frequency sweep'): 856,
                     ('vna', 'distance to fault'): 866, ('vna', 'cable loss'): 867,
                     ('specan', 'general'): 871}.get((cls, mid), 870)
        return {
            0: lambda: self.text_row(747, t['setup label']),
            1: lambda: self.text_row(751, self.path),
            2: lambda: self.T(752) + ': \t' + self.size_text(self.size),
            3: lambda: self.text_row(346, self.T(mode_name)),
            # The setup type is no part of the file: a setup read from one
            # has changed since it was made.
            5: lambda: self.text_row(876, self.T(655)),
            6: lambda: self.row(742, self.date_time(t['creation date'])),
            7: lambda: self.row(743, self.date_time(t['change date'])),
            9: lambda: self.row(1074, self.date_time(t['last used date'])),
            10: lambda: self.T(992),
            12: lambda: self.text_row(1062, self.T(959)),
            13: lambda: self.text_row(1011, self.T(959)),
        }.get(n, lambda: '')()

    def common(self, n):
        t = self.t
        if 14 <= n <= 17:
            key = ['frequency start', 'frequency stop', 'frequency center', 'frequency span'][n - 14]
            label = [657, 660, 661, 662][n - 14]
            return self.row(label, self.fv(int(t[key])) if key in t else '')
        if 42 <= n <= 47:
            state = int(self.markers[n - 42]['marker state'])
            return self.row(675 + n - 42, self.T({1: 308, 0: 309}.get(state, 703)))
        if n == 25:
            off = float(t['amplitude offset'])
            return self.row(669, (('% +6.3f' if off > 0 else '% 6.3f') % off).lstrip(' ') + ' ' +
                            self.unit_name(0))
        if n == 48:
            return self.T(681) + ':'
        if n in (49, 50):
            return self.T(755 if n == 49 else 756)
        return ''

    def vna(self, n):
        t = self.t
        unit = self.unit_name(int(t['measure unit']))
        lines = {
            20: lambda: self.T(663),
            22: lambda: self.row(666, ('% 6.3f' % float(t['minimum level'])).lstrip(' ') + ' ' + unit),
            23: lambda: self.row(667, ('% 6.3f' % float(t['maximum level'])).lstrip(' ') + ' ' + unit),
            34: lambda: self.row(671, self.T({353: 693, 705: 694, 1409: 1045}.get(
                int(t['data points']), 692))),
            51: lambda: self.row(762, self.T([658, 763, 764, 765][int(t['dtf smooth'])])),
            52: lambda: self.row(757, self.T(759 if int(t['dtf unit']) == 1 else 758)),
            67: lambda: self.row(1043, {0: '+12V', 1: '+24V'}.get(int(t['dcbias type']), '')),
        }
        return lines[n]() if n in lines else self.common(n)

    def specan(self, n):
        t, bw = self.t, self.t['bandwidth']
        auto = lambda m: self.T(555 if int(m) == 0 else 798)
        # A saved trigger mode of any value reads back as 3.
        trig = 3
        thr_mode = int(t['threshold mode'])
        mod = int(t['modulation type'])
        side = self.fv(int(t['sideband frequency']))
        unit = int(t['measure unit'])
        ref_dbm = 10 * math.log10(float(t['reference level']) * 1000)
        lines = {
            26: lambda: self.row(888, self.T(899 + int(bw['resolution bandwidth'])) + ' ' +
                                 auto(bw['resolution bandwidth mode']) + ' ' + self.T(187)),
            27: lambda: self.row(890, self.T(897 + int(bw['video bandwidth'])) + ' ' +
                                 auto(bw['video bandwidth mode']) + ' ' + self.T(187)),
            28: lambda: self.row(925, '%d' % int(bw['rbw to vbw ratio'])),
            29: lambda: self.row(926, '%d' % int(bw['span to rbw ratio'])),
            30: lambda: self.colon(795, self.level(ref_dbm) + ' ' + self.unit_name(unit)),
            31: lambda: self.colon(220, ('% 6.1f' % float(t['reference stepping'])).lstrip(' ') +
                                   ' ' + self.unit_name(26)),
            32: lambda: self.colon(797, '%d ' % int(t['attenuation level']) + self.T(670)),
            33: lambda: self.colon(799, self.onoff(int(t['preamp mode']) == 0)),
            38: lambda: self.colon(800, self.T(308) + ' %d' % int(t['averaging count'])
                                   if int(t['averaging mode']) == 1 else self.T(309)),
            40: lambda: self.row(817, self.T({0: 255, 1: 1126, 2: 254, 3: 253}.get(
                int(t['detection mode']), 703))),
            41: lambda: self.row(789, self.T([63001, 63003, 63005, 64211, 63002, 63004][trig]
                                             if 0 <= trig < 6 else 703)),
            56: lambda: self.colon(942, '%d%%' % int(int(t['threshold percent']) / 10)
                                   if thr_mode == 0 else
                                   '%d ' % int(int(t['threshold']) / 10) + self.T(851)),
            # The file keeps no channel number: a setup read from it has none.
            57: lambda: self.row(936, ''),
            58: lambda: self.row(954, self.fv(int(t['center distance']))),
            59: lambda: self.row(944, {2: lambda: self.T(945), 3: lambda: self.T(946),
                                       4: lambda: self.T(947) + ' - ' + side,
                                       5: lambda: self.T(948) + ' - ' + side}.get(
                                           mod, lambda: self.T(496))()),
            61: lambda: self.row(943, self.fv(int(t['channel width']))),
            68: lambda: self.row(64369, self.onoff(int(t['waterfall mode']) == 1)),
        }
        return lines[n]() if n in lines else self.common(n)

    def line(self, n):
        if n <= 13 and n not in (4, 8, 11):
            return self.shared(n)
        cls = self.t['measurement class']
        if cls == 'vna':
            return self.vna(n)
        if cls == 'power':
            return {54: self.row(774, ''), 55: self.row(775, '')}.get(n, '')
        return self.specan(n)


def main():
    strings_path, setup_path = sys.argv[1], sys.argv[2]
    tags, markers = read_setup(setup_path)
    name = os.path.basename(setup_path)
    lines = Lines(load_strings(strings_path), tags, markers,
                  '\\FlashFX Disk\\My Setups\\' + name, os.path.getsize(setup_path))
    expected = {}
    for n in range(69):
        text = lines.line(n)
        if text:
            expected[n] = text
    shown = {}
    for raw in open(setup_path + '.lines', encoding='utf-8'):
        number, text = raw.rstrip('\n').split('\t', 1)
        shown[int(number)] = text
    bad = 0
    for n in sorted(set(expected) | set(shown)):
        if expected.get(n) != shown.get(n):
            print('%s line %d: shown %r, the file says %r' % (name, n, shown.get(n), expected.get(n)))
            bad += 1
    return 1 if bad else 0


if __name__ == '__main__':
    sys.exit(main())
