#!/usr/bin/env python3
# Writes the datapackets that check a load's memory: many fields with rows that set none of them, and a
# long text carried into many versions that leave it out. Run from this folder; the files are kept in
# the repository, so the tests do not need this script.
import struct


def xml_many_fields(fields, rows):
    parts = ['<?xml version="1.0" standalone="yes"?>  <DATAPACKET Version="2.0"><METADATA><FIELDS>']
    parts += ['<FIELD attrname="f%d" fieldtype="i4"/>' % i for i in range(fields)]
    parts.append('</FIELDS><PARAMS/></METADATA><ROWDATA>')
    parts.append('<ROW/>' * rows)
    parts.append('</ROWDATA></DATAPACKET>')
    return ''.join(parts).encode('latin-1')


def binary_header(columns, rows):
    return struct.pack('<IHHIHIIH', 0xBDE01996, 1, 0, 24, columns, rows, 1, 0)


def binary_column(name, code, params=b'', count=0):
    return bytes([len(name)]) + name + struct.pack('<IHH', code, 0, count) + params


def binary_many_columns(columns, rows):
    out = bytearray(binary_header(columns, rows))
    for _ in range(columns):
        out += binary_column(b'a', (1 << 16) | 4)
    out += struct.pack('<H', 0)
    null_mask = bytes([0x55]) * ((columns + 3) // 4)
    for _ in range(rows):
        out += bytes([0]) + null_mask
    return bytes(out)


def change_log(versions):
    return [n for v in range(2, versions + 1) for n in (v, v - 1, 8)]


def row_states(versions):
    return [1] + [9] * (versions - 2) + [8]


def xml_carried_text(text_bytes, versions):
    log = ' '.join(str(n) for n in change_log(versions))
    parts = ['<?xml version="1.0" standalone="yes"?>  <DATAPACKET Version="2.0"><METADATA><FIELDS>',
             '<FIELD attrname="id" fieldtype="i4"/>',
             '<FIELD attrname="memo" fieldtype="bin.hex" SUBTYPE="Text"/>',
             '</FIELDS><PARAMS CHANGE_LOG="%s"/></METADATA><ROWDATA>' % log]
    states = row_states(versions)
    parts.append('<ROW RowState="1" id="1" memo="%s"/>' % ('x' * text_bytes))
    parts += ['<ROW RowState="%d" id="1"/>' % s for s in states[1:]]
    parts.append('</ROWDATA></DATAPACKET>')
    return ''.join(parts).encode('latin-1')


def binary_carried_text(text_bytes, versions):
    out = bytearray(binary_header(2, versions))
    out += binary_column(b'id', (1 << 16) | 4)
    subtype = b'\x07SUBTYPE' + struct.pack('<II', (9 << 16) | 4 | (1 << 22), 4) + b'Text'
    out += binary_column(b'memo', (11 << 16) | 4 | (1 << 22), subtype, 1)
    log = change_log(versions)
    out += struct.pack('<H', 1) + b'\x0aCHANGE_LOG' + struct.pack('<II', (2 << 16) | 4 | (1 << 23), len(log))
    out += b''.join(struct.pack('<I', n) for n in log)
    states = row_states(versions)
    out += bytes([states[0], 0]) + struct.pack('<iI', 1, text_bytes) + b'x' * text_bytes
    for s in states[1:]:
        out += bytes([s, 0x08]) + struct.pack('<i', 1)  # the text: unchanged
    return bytes(out)


files = {
    'many-fields-empty-rows.xml': xml_many_fields(2000, 12000),
    'many-columns-null-rows.bin': binary_many_columns(8192, 64),
    'text-carried-into-many-versions.xml': xml_carried_text(65536, 3000),
    'text-carried-into-many-versions.bin': binary_carried_text(65536, 3000),
}
for name, data in files.items():
    with open(name, 'wb') as f:
        f.write(data)
