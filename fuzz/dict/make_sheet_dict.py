#!/usr/bin/env python3
"""Writes sheet.dict: the words the engine's sources look for (keywords, functions, units, zones,
currencies) and a few shapes of the sheet language, for the document fuzz target.
Run from the repository root after the vocabulary grows: python3 fuzz/dict/make_sheet_dict.py"""
import glob
import re

SOURCES = (glob.glob('core/parser/*.cpp') + glob.glob('core/phrases/*.cpp') + glob.glob('core/document/*.cpp') +
           ['core/values/UnitTables.cpp', 'core/values/Zones.cpp', 'core/rates/Currencies.cpp'])
SHAPES = ['\n', '\n\n', ' ', ' in ', ' to ', '#', '//', '"', ':', '(', ')', '+', '-', '*', '/', '^', '%', '=', '==',
          '<=', '!=', '&', '|', '<<', '>>', '1,000', '0.5', '1e3', '0x1F', '2024-03-05', '5/3/2024', '9:30',
          '9:30 pm', '2024-03-05T14:30Z', '$', '\u20ac', '\u00a3', 'line1', 'ans', 'total', 'sum', 'average']
WORD = re.compile(r"[A-Za-z\u00b0\u00b5\u03bc\u03c0\u03c4\u03c6\u00b2\u00b3\u221a$\u20ac\u00a3\u00a5][\w\u00b0\u00b2\u00b3/'. -]{0,22}")


def unescape(text):
    return re.sub(r'\\[uU]([0-9A-Fa-f]{4,8})', lambda m: chr(int(m.group(1), 16)), text)


def entry(text):
    out = ''
    for ch in text:
        if ch in '\\"':
            out += '\\' + ch
        elif 32 <= ord(ch) < 127:
            out += ch
        else:
            out += ''.join('\\x%02X' % b for b in ch.encode('utf-8'))
    return '"%s"' % out


words = set()
for path in SOURCES:
    for m in re.finditer(r'"((?:[^"\\\n]|\\.){1,24})"', open(path, encoding='utf-8').read()):
        text = unescape(m.group(1))
        if WORD.fullmatch(text):
            words.add(text)
        # Unit names with their plural: "meter+s|metre+s".
        if re.fullmatch(r"[a-z '\-]+(\+s)?(\|[a-z '\-]+(\+s)?)*", text) and ('|' in text or '+s' in text):
            for alias in text.split('|'):
                words.update([alias[:-2], alias[:-2] + 's'] if alias.endswith('+s') else [alias])
with open('fuzz/dict/sheet.dict', 'w', encoding='ascii') as f:
    f.write('# Written by make_sheet_dict.py: words of the sheet language.\n')
    for text in sorted(words) + SHAPES:
        f.write(entry(text) + '\n')
