#!/usr/bin/env python3
"""Reads a Windows executable as data and finds the calls that would jump to
address 0: indirect calls and jumps through a pointer slot in the import data
that holds 0 in the file and that no import descriptor names. The loader fills
the slots of the import descriptors; a delay-load slot holds its loader thunk
from the start; any other import-data slot stays 0 at run time. Such a slot is
invisible until the call is made, and in one architecture only, so the check
runs on every Windows tree's screensaver without executing it.

  import_slot_check.py <objdump> <executable>

Prints one line per file; exit status 1 when a slot holds 0 or the file cannot
be read."""
import re
import struct
import subprocess
import sys


def sections_of(data, pe):
    count = struct.unpack_from('<H', data, pe + 6)[0]
    optional_size = struct.unpack_from('<H', data, pe + 20)[0]
    table = pe + 24 + optional_size
    result = []
    for i in range(count):
        entry = table + 40 * i
        name = data[entry:entry + 8].rstrip(b'\0').decode('latin-1')
        vsize, rva, raw_size, raw = struct.unpack_from('<IIII', data, entry + 8)
        result.append((name, rva, max(vsize, raw_size), raw, raw_size))
    return result


def main():
    objdump, path = sys.argv[1], sys.argv[2]
    data = open(path, 'rb').read()
    if data[:2] != b'MZ':
        print(f'{path}: not a Windows executable')
        return 1
    pe = struct.unpack_from('<I', data, 60)[0]
    if data[pe:pe + 4] != b'PE\0\0':
        print(f'{path}: no PE header')
        return 1
    magic = struct.unpack_from('<H', data, pe + 24)[0]
    wide = magic == 0x20b
    ptr_size, ptr_fmt = (8, '<Q') if wide else (4, '<I')
    base = struct.unpack_from(ptr_fmt, data, pe + 24 + (24 if wide else 28))[0]
    directories = pe + 24 + (112 if wide else 96)
    sections = sections_of(data, pe)

    def file_offset(rva, size):
        for _, start, extent, raw, raw_size in sections:
            if start <= rva < start + extent:
                inside = rva - start
                return raw + inside if inside + size <= raw_size else None
        return None

    def in_import_data(rva):
        return any(name == '.idata' and start <= rva < start + extent
                   for name, start, extent, _, _ in sections)

    # Slots the import descriptors name: each FirstThunk array up to its 0 entry.
    filled = set()
    import_rva = struct.unpack_from('<I', data, directories + 8)[0]
    index = 0
    while import_rva:
        descriptor = file_offset(import_rva + 20 * index, 20)
        first_thunk = struct.unpack_from('<I', data, descriptor + 16)[0] if descriptor is not None else 0
        if first_thunk == 0:
            break
        slot = first_thunk
        while True:
            at = file_offset(slot, ptr_size)
            if at is None or struct.unpack_from(ptr_fmt, data, at)[0] == 0:
                break
            filled.add(slot)
            slot += ptr_size
        index += 1

    listing = subprocess.run([objdump, '-d', path], capture_output=True, text=True)
    if listing.returncode != 0:
        print(f'{path}: {objdump} failed: {listing.stderr.strip()}')
        return 1
    # i686: "call *0x57ab1c"; x86_64: "call *0x16fc52(%rip)  # 0x140170eb0".
    absolute = re.compile(r'\s(?:call|jmp)\s+\*0x([0-9a-f]+)\s*$')
    relative = re.compile(r'\s(?:call|jmp)\s+\*-?0x[0-9a-f]+\(%rip\)\s+#\s*0x([0-9a-f]+)')
    calls = 0
    zero = set()
    for line in listing.stdout.splitlines():
        match = absolute.search(line) or relative.search(line)
        if not match:
            continue
        rva = int(match.group(1), 16) - base
        if not in_import_data(rva):
            continue  # a pointer the program stores itself (GL entry points, callbacks)
        calls += 1
        if rva in filled:
            continue
        at = file_offset(rva, ptr_size)
        if at is None or struct.unpack_from(ptr_fmt, data, at)[0] == 0:
            zero.add(rva)
    if zero:
        shown = ' '.join(hex(base + rva) for rva in sorted(zero)[:20])
        print(f'FAIL: {path}: {calls} calls through import slots; {len(zero)} slots hold 0 in the file '
              f'and no import descriptor fills them: {shown}')
        return 1
    if calls == 0:
        print(f'FAIL: {path}: no call through an import slot found (unreadable listing?)')
        return 1
    print(f'{path}: {calls} calls through import slots, every slot filled by the loader or a thunk')
    return 0


if __name__ == '__main__':
    sys.exit(main())
