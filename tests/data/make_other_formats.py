#!/usr/bin/python3
"""Writes the separated-text fixtures and the .xlsx cases LibreOffice does not write.

  make_other_formats.py OUTDIR          the CSV cases and the openpyxl workbooks into OUTDIR
  make_other_formats.py big OUTDIR ROWS  big.xlsx and big.csv of ROWS rows, for the benchmark
  make_other_formats.py normalise FILE  rewrites a ZIP container (.xlsx, .ods) with fixed time
                                        stamps, so that converting again gives the same bytes

Run with Debian's python3 and python3-openpyxl (make_conversions.sh calls it).
"""
import os
import re
import sys
import zipfile

HEAD = ["バーコード", "品名", "名称", "価格"]
ROWS = [
    ["4901234567894", "文具", "ボールペン 黒", "150"],
    ["0012345678905", "食品", "先頭がゼロの JAN", "98"],   # a JAN with a leading zero
    ["4912345678904", "日用品", "価格が小数", "1.50"],
    ["4923456789014", "家具", "行が短い"],                 # a ragged row: no price
]


def jan_ok(code):
    s = sum(int(c) * (3 if i % 2 else 1) for i, c in enumerate(code[:12]))
    return (10 - s % 10) % 10 == int(code[12])


def csv_line(fields, sep=","):
    out = []
    for f in fields:
        if any(c in f for c in ',"\r\n\t'):
            f = '"' + f.replace('"', '""') + '"'
        out.append(f)
    return sep.join(out)


def write(path, text, encoding, bom=False):
    with open(path, "wb") as f:
        if bom:
            f.write(b"\xef\xbb\xbf")
        f.write(text.encode(encoding))


def csv_cases(out):
    lines = [csv_line(HEAD)] + [csv_line(r) for r in ROWS]
    body = "\r\n".join(lines) + "\r\n"
    write(os.path.join(out, "csv-utf8.csv"), body, "utf-8")
    write(os.path.join(out, "csv-bom.csv"), body, "utf-8", bom=True)
    write(os.path.join(out, "csv-cp932.csv"), body, "cp932")
    tab = "\n".join("\t".join(r) for r in [HEAD] + ROWS) + "\n"
    write(os.path.join(out, "csv-tab.txt"), tab, "utf-8")
    quoted = [HEAD,
              ["4901234567894", "文具", "改行を\r\n含む名称", "400"],
              ["4912345678904", "雑貨", 'カンマ,と"引用符"', "500"]]
    write(os.path.join(out, "csv-quoted.csv"), "\r\n".join(csv_line(r) for r in quoted) + "\r\n", "utf-8")
    write(os.path.join(out, "empty.csv"), "", "utf-8")


def xlsx_cases(out):
    import datetime
    import openpyxl
    from openpyxl.utils.datetime import CALENDAR_MAC_1904

    # Dates in the 1904 date system (the cells hold the serial numbers, the date format marks
    # them) and Boolean cells.
    wb = openpyxl.Workbook()
    wb.epoch = CALENDAR_MAC_1904
    ws = wb.active
    ws.title = "sheet1"
    ws.append(HEAD + ["日付", "在庫"])
    ws.append(["4901234567894", "文具", "ペン", 150, datetime.datetime(2024, 3, 15), True])
    ws.append(["4912345678904", "食品", "お茶", 98, datetime.datetime(1999, 12, 31, 13, 30), False])
    path = os.path.join(out, "dates1904-openpyxl.xlsx")
    wb.properties.created = wb.properties.modified = datetime.datetime(2024, 1, 1)
    wb.save(path)
    normalise(path)


def lying_container(src, dst):
    """A copy of an .xlsx whose central directory claims each part unpacks to 4 GB."""
    data = bytearray(open(src, "rb").read())
    pos = data.find(b"PK\x01\x02")
    while pos >= 0:
        data[pos + 24:pos + 28] = (0xFFFFFFF0).to_bytes(4, "little")
        pos = data.find(b"PK\x01\x02", pos + 4)
    open(dst, "wb").write(bytes(data))


def encrypted_container(dst):
    """The container of a password-encrypted .xlsx: a compound file holding an EncryptionInfo
    stream (agile encryption, version 4.4) and an EncryptedPackage stream. The package bytes
    are filler; the reader refuses the file on its streams' names alone. Written with libgsf
    (gir1.2-gsf-1), as no program at hand encrypts an .xlsx."""
    import gi
    gi.require_version("Gsf", "1")
    from gi.repository import Gsf
    out = Gsf.OutputStdio.new(dst)
    ole = Gsf.OutfileMSOle.new(out)
    info = ole.new_child("EncryptionInfo", False)
    descriptor = (b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n'
                  b'<encryption xmlns="http://schemas.microsoft.com/office/2006/encryption">'
                  b'<keyData saltSize="16" blockSize="16" keyBits="256" hashSize="64" '
                  b'cipherAlgorithm="AES" cipherChaining="ChainingModeCBC" hashAlgorithm="SHA512" '
                  b'saltValue="AAAAAAAAAAAAAAAAAAAAAA=="/></encryption>')
    info.write(b"\x04\x00\x04\x00\x40\x00\x00\x00" + descriptor)
    info.close()
    package = ole.new_child("EncryptedPackage", False)
    package.write((4096).to_bytes(8, "little") + bytes(range(256)) * 16)
    package.close()
    ole.close()


def repeated_cells(dst):
    """A small .ods whose one row, repeated 65,535 times, repeats a number 256 times across:
    16,776,960 cells from a few hundred bytes."""
    content = ('<?xml version="1.0" encoding="UTF-8"?>'
               '<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
               'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
               'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2">'
               '<office:body><office:spreadsheet><table:table table:name="sheet1">'
               '<table:table-row table:number-rows-repeated="65535">'
               '<table:table-cell table:number-columns-repeated="256" office:value-type="float" '
               'office:value="1"><text:p>1</text:p></table:table-cell></table:table-row>'
               '</table:table></office:spreadsheet></office:body></office:document-content>')
    with zipfile.ZipFile(dst, "w") as z:
        info = zipfile.ZipInfo("mimetype", date_time=(1980, 1, 1, 0, 0, 0))
        z.writestr(info, "application/vnd.oasis.opendocument.spreadsheet")
        info = zipfile.ZipInfo("content.xml", date_time=(1980, 1, 1, 0, 0, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        z.writestr(info, content)


def truncated(src, dst):
    data = open(src, "rb").read()
    open(dst, "wb").write(data[:len(data) // 2])


def big(out, n):
    """big.xlsx and big.csv with the rows of make_fixtures.py's big.xls, for the benchmark."""
    import csv
    import openpyxl
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    from make_fixtures import HEAD as head, ITEMS, code
    wb = openpyxl.Workbook(write_only=True)
    ws = wb.create_sheet("sheet1")
    ws.append(head)
    rows = []
    for r in range(n):
        cat, name = ITEMS[r % len(ITEMS)]
        rows.append([int(code(r)), cat, "%s %d" % (name, r + 1), 100 + (r * 37) % 2900])
    for row in rows:
        ws.append(row)
    wb.save(os.path.join(out, "big.xlsx"))
    with open(os.path.join(out, "big.csv"), "w", encoding="utf-8", newline="") as f:
        w = csv.writer(f, lineterminator="\r\n")
        w.writerow(head)
        w.writerows(rows)


def normalise(path):
    with zipfile.ZipFile(path) as z:
        entries = [(i, z.read(i.filename)) for i in z.infolist()]
    with zipfile.ZipFile(path, "w") as z:
        for info, data in entries:
            if info.filename in ("docProps/core.xml", "meta.xml", "docProps/app.xml"):
                data = re.sub(rb"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(\.\d+)?Z?", b"2024-01-01T00:00:00Z", data)
                data = re.sub(rb"<meta:generator>.*?</meta:generator>", b"", data)
                data = re.sub(rb"<meta:editing-duration>.*?</meta:editing-duration>", b"", data)
            fixed = zipfile.ZipInfo(info.filename, date_time=(1980, 1, 1, 0, 0, 0))
            fixed.compress_type = info.compress_type
            fixed.external_attr = 0o644 << 16
            z.writestr(fixed, data)


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "normalise":
        normalise(sys.argv[2])
    elif len(sys.argv) == 4 and sys.argv[1] == "big":
        big(sys.argv[2], int(sys.argv[3]))
    else:
        assert all(jan_ok(r[0]) for r in ROWS)
        target = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
        csv_cases(target)
        xlsx_cases(target)
        lying_container(os.path.join(target, "sample.xlsx"), os.path.join(target, "unpacks-too-big.xlsx"))
        truncated(os.path.join(target, "sample.xlsx"), os.path.join(target, "truncated.xlsx"))
        encrypted_container(os.path.join(target, "encrypted.xlsx"))
        repeated_cells(os.path.join(target, "repeated-cells.ods"))
        truncated(os.path.join(target, "sample.ods"), os.path.join(target, "truncated.ods"))
