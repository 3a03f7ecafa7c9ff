#!/usr/bin/env python3
"""An independent reading of the address book's two text imports, written
from their rules alone, for the tests to compare against.

    import_oracle.py numbers|lines FILE

prints one card per line: the fax number and the name joined by U+001F
(the number-list import gives the number as both), in UTF-8.
"""
import re
import sys


def reads_as_text(text):
    """Whether a UTF-8 reading is plainly text: every two-byte character is
    an accented Latin letter in a word with an ASCII letter, or a middle dot
    between two three-byte characters."""
    width = [len(c.encode('utf-8')) for c in text]
    words = re.finditer(r'[A-Za-z\u00c0-\u00d6\u00d8-\u00f6\u00f8-\u024f]+', text)
    latin_words_fit = all(re.search(r'[A-Za-z]', w.group()) or
                          all(width[i] == 1 for i in range(w.start(), w.end()))
                          for w in words)
    for i, c in enumerate(text):
        if width[i] != 2 or re.match(r'[\u00c0-\u00d6\u00d8-\u00f6\u00f8-\u024f]', c):
            continue
        dot = c == '\u00b7' and 0 < i < len(text) - 1 and width[i - 1] >= 3 and width[i + 1] >= 3
        if not dot:
            return False
    return latin_words_fit


def decode(data):
    if data.startswith(b'\xff\xfe') or data.startswith(b'\xfe\xff'):
        text = data.decode('utf-16', errors='ignore')
    elif data.startswith(b'\xef\xbb\xbf'):
        text = data[3:].decode('utf-8', errors='ignore')
    else:
        try:
            text = data.decode('utf-8')
            if not reads_as_text(text):
                text = data.decode('gb18030', errors='ignore')
        except UnicodeDecodeError:
            text = data.decode('gb18030', errors='ignore')
    # What XML cannot hold goes.
    return ''.join(c for c in text
                   if (ord(c) >= 0x20 or c in '\t\n\r') and c not in '\ufffe\uffff')


def gbk_size(text):
    return len(text.encode('gbk', errors='replace'))


def cut(text, limit):
    kept = ''
    for c in text:
        if gbk_size(kept + c) > limit:
            break
        kept += c
    return kept


def numbers(text):
    for token in re.split(r'[|;,\r\n]', text):
        if token:
            number = cut(token, 47)
            yield number, number


def lines(text):
    for match in re.finditer(r'([^\r\n]*)(\r\n|\r|\n|$)', text):
        content, end = match.group(1), match.group(2)
        if not content and not end:
            continue
        content = cut(content, 1023)
        if gbk_size(content) + len(end) < 8:
            continue
        separator = re.search(r'[|;, \t]', content)
        if not separator or separator.start() == 0:
            continue
        number = cut(content[:separator.start()], 255)
        name = cut(content[separator.start() + 1:].lstrip(' \t'), 255)
        yield number, name


def main():
    kind, path = sys.argv[1], sys.argv[2]
    with open(path, 'rb') as f:
        text = decode(f.read())
    reader = numbers if kind == 'numbers' else lines
    out = sys.stdout.buffer
    for number, name in reader(text):
        out.write((number + '\x1f' + name + '\n').encode('utf-8'))


if __name__ == '__main__':
    main()
