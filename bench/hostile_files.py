#!/usr/bin/env python3
"""Writes small workbooks that demand far more memory than their size into the folder given:
a sparse used range, a huge inline string, many sheets on one part or substream, a lying member
size, a broken compound-document chain. bench/hostile_memory.sh reads each with the tools."""
import struct
import sys
import zipfile
import zlib
from pathlib import Path

NS = ('xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
      'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"')
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
PKG = "http://schemas.openxmlformats.org/package/2006/relationships"


def xlsx(path, sheet_chunks, sheets=1):
    """sheet_chunks: an iterable of byte strings, the worksheet part; every sheet uses it."""
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        z.writestr("_rels/.rels", f'<Relationships xmlns="{PKG}"><Relationship Id="rId1" '
                   f'Type="{REL}officeDocument" Target="xl/workbook.xml"/></Relationships>')
        names = "".join(f'<sheet name="S{i + 1}" sheetId="{i + 1}" r:id="rId1"/>'
                        for i in range(sheets))
        z.writestr("xl/workbook.xml", f"<workbook {NS}><sheets>{names}</sheets></workbook>")
        z.writestr("xl/_rels/workbook.xml.rels",
                   f'<Relationships xmlns="{PKG}"><Relationship Id="rId1" Type="{REL}worksheet" '
                   'Target="worksheets/s.xml"/></Relationships>')
        with z.open("xl/worksheets/s.xml", "w", force_zip64=True) as w:
            for chunk in sheet_chunks:
                w.write(chunk)


def sheet(body):
    yield f"<worksheet {NS}><sheetData>".encode()
    yield from body
    yield b"</sheetData></worksheet>"


def sparse(out):
    xlsx(out / "sparse_range.xlsx", sheet([
        b'<row r="1"><c r="A1"><v>1</v></c></row>',
        b'<row r="1048576"><c r="XFD1048576"><v>2</v></c></row>']))


def long_string(out, mib):
    def body():
        yield b'<row r="1"><c r="A1" t="inlineStr"><is><t>'
        block = b"a" * (1 << 20)
        for _ in range(mib):
            yield block
        yield b"</t></is></c></row>"
    xlsx(out / "long_inline_string.xlsx", sheet(body()))


def shared_part(out):
    rows = (f'<row r="{r}"><c r="A{r}"><v>{r}</v></c><c r="B{r}"><v>{r}</v></c></row>'.encode()
            for r in range(1, 100001))
    xlsx(out / "shared_part.xlsx", sheet(rows), sheets=2000)


def lying_size(out):
    """The central directory and local header claim 4 GiB - 1 for a member of a few bytes."""
    path = out / "lying_size.xlsx"
    sparse_path = out / "sparse_range.xlsx"
    data = bytearray(sparse_path.read_bytes())
    name = b"xl/worksheets/s.xml"
    # central directory entry: signature, ..., uncompressed size at offset 24
    at = data.find(b"PK\x01\x02" )
    while at >= 0:
        n = struct.unpack_from("<H", data, at + 28)[0]
        if data[at + 46:at + 46 + n] == name:
            if struct.unpack_from("<I", data, at + 24)[0] != 0xFFFFFFFF:
                struct.pack_into("<I", data, at + 24, 0xFFFFFFFE)
        at = data.find(b"PK\x01\x02", at + 4)
    path.write_bytes(bytes(data))


def xls_shared_substream(out):
    import xlwt
    wb = xlwt.Workbook()
    first = wb.add_sheet("S1")
    for r in range(20000):
        first.write(r, 0, r)
        first.write(r, 1, r * 2)
    for i in range(2, 1001):
        wb.add_sheet(f"S{i}")
    path = out / "shared_substream.xls"
    wb.save(str(path))
    data = bytearray(path.read_bytes())
    # BOUNDSHEET records (0x0085): the first 4 bytes are the substream's offset; point all at S1
    offsets = []
    at = data.find(b"\x85\x00")
    while at >= 0:
        ln = struct.unpack_from("<H", data, at + 2)[0]
        if 8 <= ln <= 8 + 2 * 31 + 4:
            offsets.append(at)
        at = data.find(b"\x85\x00", at + 2)
    first_pos = struct.unpack_from("<I", data, offsets[0] + 4)[0]
    for o in offsets:
        struct.pack_into("<I", data, o + 4, first_pos)
    path.write_bytes(bytes(data))


def xls_broken_chain(out):
    import xlwt
    wb = xlwt.Workbook()
    wb.add_sheet("S1").write(0, 0, 1)
    path = out / "broken_chain.xls"
    wb.save(str(path))
    data = bytearray(path.read_bytes())
    # the directory's first sector (header offset 0x30) points past every sector
    struct.pack_into("<I", data, 0x30, 0x7FFFFFF0)
    (out / "broken_directory.xls").write_bytes(bytes(data))
    data = bytearray(path.read_bytes())
    # the allocation table: mark every sector as a chain end, so the Workbook stream breaks
    fat0 = struct.unpack_from("<I", data, 0x4C)[0]
    base = 512 * (fat0 + 1)
    for i in range(0, 128):
        v = struct.unpack_from("<I", data, base + 4 * i)[0]
        if v < 0xFFFFFFFA:
            struct.pack_into("<I", data, base + 4 * i, 0xFFFFFFFE)
    path.write_bytes(bytes(data))


if __name__ == "__main__":
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    sparse(out)
    long_string(out, int(sys.argv[2]) if len(sys.argv) > 2 else 512)
    shared_part(out)
    lying_size(out)
    xls_shared_substream(out)
    xls_broken_chain(out)
