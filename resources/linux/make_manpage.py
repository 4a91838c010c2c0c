#!/usr/bin/env python3
"""Makes kvtool.1 from its template and kvtool's own usage text, so the manual lists every command.

usage: make_manpage.py KVTOOL TEMPLATE VERSION OUTPUT
"""
import re
import subprocess
import sys


def roff(text):
    return text.replace('\\', '\\e').replace('-', '\\-')


def commands(kvtool):
    # With no arguments kvtool prints its usage on stderr: "  name  arguments  summary", one command a line.
    usage = subprocess.run([kvtool], capture_output=True, text=True).stderr.splitlines()
    rows = []
    for line in usage:
        if not line.startswith('  ') or line.strip().startswith('--'):
            continue
        name = line.split()[0]
        if len(name) <= 10 and len(line) > 28 and line[12] == ' ' and line[27] == ' ':
            args, summary = line[13:27].strip(), line[28:].strip()   # "  %-10s %-14s %s"
        else:
            m = re.match(r'\s+\S+\s+(.*?)\s{2,}(\S.*)$', line)
            args, summary = (m.group(1), m.group(2)) if m else ('', line[len(name) + 2:].strip())
        rows.append((name, args, summary))
    if not rows:
        sys.exit('make_manpage.py: no commands in the usage text of ' + kvtool)
    return rows


def main():
    kvtool, template, version, output = sys.argv[1:5]
    parts = []
    for name, args, summary in commands(kvtool):
        head = '.B ' + roff(name)
        if args:
            head = '.BI "' + roff(name) + ' " "' + roff(args) + '"'
        parts.append('.TP\n' + head + '\n' + roff(summary[0].upper() + summary[1:]) + '.')
    text = open(template, encoding='utf-8').read()
    text = text.replace('@VERSION@', version).replace('@COMMANDS@', '\n'.join(parts))
    open(output, 'w', encoding='utf-8').write(text)


if __name__ == '__main__':
    main()
