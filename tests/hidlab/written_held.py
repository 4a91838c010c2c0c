#!/usr/bin/env python3
"""Compares what a program wrote to the keyboard with what the keyboard's memory holds.

Usage: written_held.py LOG KEYTABLES MACROS
  LOG        the keyboard model's log ("kvsim log"): each command report received, as "vendor: 04 ..."
  KEYTABLES  "kvsim dump keytables" (the three key tables, 3 x 378 bytes)
  MACROS     "kvsim dump macros" (the macro area)
Every key table and macro write between the last begin (command 1) and its end (command 2) must be held
byte for byte at its offset, the three key tables must be written whole, and the macro area written.
Exit 0 when so; otherwise one line per difference.
"""
import sys

BEGIN, END, WRITE_KEYTABLE, WRITE_MACROS = 1, 2, 8, 10
KEYTABLE_BYTES = 3 * 378


def dump_bytes(path):
    data = bytearray()
    for line in open(path):
        head, sep, rest = line.partition(":")
        if sep and len(head) == 4:
            data += bytes(int(x, 16) for x in rest.split())
    return data


def reports(path):
    out = []
    for line in open(path):
        _, sep, rest = line.partition(" vendor:")
        if sep:
            out.append(bytes(int(x, 16) for x in rest.split()))
    return out


def main():
    log, tables_path, macros_path = sys.argv[1:4]
    sent = reports(log)
    begins = [i for i, r in enumerate(sent) if r[3] == BEGIN]
    if not begins:
        print("no write bracket (begin) among %d reports" % len(sent))
        return 1
    bracket = sent[begins[-1]:]
    if not any(r[3] == END for r in bracket):
        print("the last write bracket has no end")
        return 1
    held = {WRITE_KEYTABLE: dump_bytes(tables_path), WRITE_MACROS: dump_bytes(macros_path)}
    covered = {WRITE_KEYTABLE: set(), WRITE_MACROS: set()}
    problems = 0
    for r in bracket:
        if r[3] not in held:
            continue
        length, offset = r[4], r[5] | (r[6] << 8)
        payload = r[8:8 + length]
        area = held[r[3]]
        if area[offset:offset + length] != payload:
            print("command %d at offset %d: %d bytes written, memory holds %s" %
                  (r[3], offset, length, area[offset:offset + length].hex()))
            problems += 1
        covered[r[3]].update(range(offset, offset + length))
    if len(covered[WRITE_KEYTABLE]) != KEYTABLE_BYTES:
        print("key tables written: %d bytes of %d" % (len(covered[WRITE_KEYTABLE]), KEYTABLE_BYTES))
        problems += 1
    if not covered[WRITE_MACROS]:
        print("no macro area written")
        problems += 1
    print("%d reports in the bracket; key table bytes %d, macro bytes %d written; %d differences" %
          (len(bracket), len(covered[WRITE_KEYTABLE]), len(covered[WRITE_MACROS]), problems))
    return 1 if problems else 0


sys.exit(main())
