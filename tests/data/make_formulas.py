#!/usr/bin/python3
"""Writes the workbooks with formula results and other rarer records (Excel 97-2003, BIFF8).

xlwt writes the cells and the formulas' token arrays but stores no formula results (every
formula reads as an empty text), and it never writes phonetic runs, MULRK or small CONTINUE
pieces. This script takes xlwt's workbook stream and edits its records the way Excel writes
them: it stores a result in each FORMULA record, puts the text results into STRING records
(a long one split over CONTINUE records, with the 8/16-bit flag byte changing between pieces),
rewrites the shared string table in small CONTINUE pieces with rich text and phonetic runs,
merges runs of RK cells into MULRK, and fixes the sheets' stream offsets. The container is
written by xlwt's own compound-file writer.

Run with Debian's python3 and python3-xlwt:  /usr/bin/python3 make_formulas.py [OUTDIR]
Writes formulas.xls, plain-cells.xls, dates1904.xls, protected.xls and old-format.xls.
"""
import os
import struct
import sys

import xlwt
from xlwt.CompoundDoc import XlsDoc

FORMULA, EOF, DATEMODE, FILEPASS, CONTINUE = 0x0006, 0x000A, 0x0022, 0x002F, 0x003C
BOUNDSHEET, MULRK, SST, EXTSST, STRING, RK, BOF = 0x0085, 0x00BD, 0x00FC, 0x00FF, 0x0207, 0x027E, 0x0809

LONG_TEXT = "あ" * 4200 + "x" * 3000   # a text result longer than one record holds


def records(data):
    pos = 0
    while pos < len(data):
        rid, n = struct.unpack_from("<HH", data, pos)
        yield [rid, data[pos + 4:pos + 4 + n]]
        pos += 4 + n


def join(recs):
    return b"".join(struct.pack("<HH", rid, len(body)) + body for rid, body in recs)


def substreams(data):
    """Globals first, then each sheet: lists of records from BOF to EOF."""
    out, cur = [], []
    for rec in records(data):
        cur.append(rec)
        if rec[0] == EOF:
            out.append(cur)
            cur = []
    return out


def read_sst(recs):
    """The strings of an SST record and its CONTINUE records: (text, runs bytes)."""
    segs = [recs[0][1]] + [b for _, b in recs[1:]]
    seg, off = 0, 8
    count = struct.unpack_from("<I", segs[0], 4)[0]

    def take(n):
        nonlocal seg, off
        out = b""
        while n:
            if off >= len(segs[seg]):
                seg, off = seg + 1, 0
            k = min(n, len(segs[seg]) - off)
            out += segs[seg][off:off + k]
            off += k
            n -= k
        return out

    strings = []
    for _ in range(count):
        cch, flags = struct.unpack("<HB", take(3))
        runs = struct.unpack("<H", take(2))[0] if flags & 8 else 0
        ext = struct.unpack("<I", take(4))[0] if flags & 4 else 0
        high, text = flags & 1, ""
        while cch:
            if off >= len(segs[seg]):
                seg, off = seg + 1, 0
                high = take(1)[0] & 1
            size = 2 if high else 1
            k = min(cch, (len(segs[seg]) - off) // size)
            raw = take(k * size)
            text += raw.decode("utf_16_le" if high else "latin1")
            cch -= k
        strings.append((text, take(4 * runs)))
        take(ext)
    return strings


def phonetic(kana):
    """An ExtRst block carrying a reading in katakana, as Japanese Excel stores one."""
    st = struct.pack("<HH", len(kana), len(kana)) + kana.encode("utf_16_le")
    body = struct.pack("<HH", 0, 0x0001) + struct.pack("<HH", 1, len(kana)) + st
    body += struct.pack("<HHH", 0, 0, len(kana))
    return struct.pack("<HH", 1, len(body)) + body


def piece(rest, room):
    """Width flag and character count of the next piece of a string: 8 bits a character as
    long as the characters allow, else 16 bits."""
    flag = 0 if ord(rest[0]) < 256 else 1
    n = size = 0
    while n < len(rest):
        if flag == 0 and ord(rest[n]) >= 256:
            break
        width = 1 if flag == 0 else len(rest[n].encode("utf_16_le"))
        if size + width > room:
            break
        size += width
        n += 1
    return flag, n


def encode(text, flag):
    return text.encode("utf_16_le" if flag else "latin1")


def write_sst(strings, readings, limit):
    """SST and CONTINUE records of at most limit bytes each; string headers are never split,
    characters are, and each piece chooses its own width."""
    out, cur = [], bytearray(struct.pack("<II", len(strings), len(strings)))
    first = [True]

    def flush():
        out.append([SST if first[0] else CONTINUE, bytes(cur)])
        first[0] = False
        cur.clear()

    for text, runs in strings:
        ext = phonetic(readings[text]) if text in readings else b""
        head_len = 3 + (2 if runs else 0) + (4 if ext else 0)
        if len(cur) + head_len + 2 > limit:
            flush()
        flag, n = piece(text, limit - len(cur) - head_len) if text else (0, 0)
        flags = flag | (8 if runs else 0) | (4 if ext else 0)
        cur += struct.pack("<HB", len(text), flags)
        if runs:
            cur += struct.pack("<H", len(runs) // 4)
        if ext:
            cur += struct.pack("<I", len(ext))
        cur += encode(text[:n], flag)
        rest = text[n:]
        while rest:
            flush()
            flag, n = piece(rest, limit - 1)
            cur += bytes([flag]) + encode(rest[:n], flag)
            rest = rest[n:]
        for blob in (runs, ext):
            while blob:
                if len(cur) >= limit:
                    flush()
                k = limit - len(cur)
                cur += blob[:k]
                blob = blob[k:]
    flush()
    return out


def string_records(text, split):
    """A STRING record and its CONTINUE records, split after split characters and then where
    the text changes from 16-bit to 8-bit characters."""
    head = struct.pack("<HB", len(text), 1)
    recs = [[STRING, head + text[:split].encode("utf_16_le")]]
    rest = text[split:]
    wide = rest.rstrip("x")
    narrow = rest[len(wide):]
    if wide:
        recs.append([CONTINUE, b"\x01" + wide.encode("utf_16_le")])
    if narrow:
        recs.append([CONTINUE, b"\x00" + narrow.encode("latin1")])
    return recs


def result_bytes(value):
    if isinstance(value, bool):
        return bytes([1, 0, int(value), 0, 0, 0, 0xFF, 0xFF])
    if isinstance(value, (int, float)):
        return struct.pack("<d", float(value))
    if isinstance(value, tuple):  # ("error", code)
        return bytes([2, 0, value[1], 0, 0, 0, 0xFF, 0xFF])
    if value == "":
        return bytes([3, 0, 0, 0, 0, 0, 0xFF, 0xFF])
    return bytes([0, 0, 0, 0, 0, 0, 0xFF, 0xFF])


def edit_sheet(recs, results, merge_rk_row):
    out = []
    for rid, body in recs:
        if rid == FORMULA:
            row, col = struct.unpack_from("<HH", body, 0)
            value = results[(row, col)]
            body = body[:6] + result_bytes(value) + body[14:]
            out.append([rid, body])
            if isinstance(value, str) and value:
                out.extend(string_records(value, 4110) if len(value) > 4000 else
                           [[STRING, struct.pack("<HB", len(value), 1) + value.encode("utf_16_le")]])
            continue
        out.append([rid, body])
    if merge_rk_row is None:
        return out
    # Merge the RK cells of one row into a MULRK record.
    merged, run = [], []
    for rid, body in out:
        if rid == RK and struct.unpack_from("<H", body, 0)[0] == merge_rk_row:
            run.append(body)
            continue
        if run:
            row, first = struct.unpack_from("<HH", run[0], 0)
            data = struct.pack("<HH", row, first) + b"".join(b[4:10] for b in run)
            merged.append([MULRK, data + struct.pack("<H", first + len(run) - 1)])
            run = []
        merged.append([rid, body])
    return merged


def assemble(globals_recs, sheets):
    """The stream with each BOUNDSHEET pointing at its sheet's BOF."""
    sheet_bytes = [join(s) for s in sheets]
    size = len(join(globals_recs))
    offsets, pos = [], size
    for b in sheet_bytes:
        offsets.append(pos)
        pos += len(b)
    fixed, i = [], 0
    for rid, body in globals_recs:
        if rid == BOUNDSHEET:
            body = struct.pack("<I", offsets[i]) + body[4:]
            i += 1
        fixed.append([rid, body])
    return join(fixed) + b"".join(sheet_bytes)


def save(path, stream, stream_name="Workbook"):
    XlsDoc().save(path, stream)
    if stream_name != "Workbook":
        with open(path, "rb") as f:
            data = bytearray(f.read())
        old = "Workbook\x00".encode("utf_16_le")
        at = data.index(old)
        new = (stream_name + "\x00").encode("utf_16_le")
        data[at:at + 64] = new.ljust(64, b"\x00")
        data[at + 64:at + 66] = struct.pack("<H", len(new))
        with open(path, "wb") as f:
            f.write(bytes(data))


def build():
    wb = xlwt.Workbook(encoding="utf-8")
    results = {}

    ws = wb.add_sheet("sheet1")
    for c, h in enumerate(["バーコード", "品名", "名称", "価格", "税込価格", "備考"]):
        ws.write(0, c, h)

    def formula(r, c, text, value):
        ws.write(r, c, xlwt.Formula(text))
        results[(r, c)] = value

    # 1: a tax-inclusive price from a formula
    ws.write(1, 0, 4901234567894); ws.write(1, 1, "文具"); ws.write(1, 2, "ボールペン")
    ws.write(1, 3, 100); formula(1, 4, "ROUND(D2*1.1,0)", 110.0); ws.write(1, 5, "税込計算")
    # 2: barcode, item name and price as formula results (text and number)
    formula(2, 0, '"49000123"&"45679"', "4900012345679"); formula(2, 1, '"食"&"品"', "食品")
    ws.write(2, 2, "緑茶"); formula(2, 3, "4900012345679-4900012345529", 150.0)
    formula(2, 4, "ROUND(D3*1.08,0)", 162.0); formula(2, 5, "D3>100", True)
    # 3: error, empty text and a fraction
    ws.write(3, 0, "4900012345747"); ws.write(3, 1, "日用品"); formula(3, 2, '""', "")
    formula(3, 3, "1/0", ("error", 0x07)); formula(3, 4, "D2/3", 100 / 3); formula(3, 5, "1=0", False)
    # 4: a text result longer than one record
    ws.write(4, 0, 4900012345816); ws.write(4, 1, "雑貨"); formula(4, 2, 'REPT("あ",4200)&REPT("x",3000)', LONG_TEXT)
    ws.write(4, 3, 500); formula(4, 4, "D5*1.1", 550.0000000000001)
    # 5: formatted but empty (blank cells only), then one more record
    plain = xlwt.easyxf("pattern: pattern solid, fore_colour yellow")
    for c in range(6):
        ws.write(5, c, "", plain)
    ws.write(6, 0, 4900012345885); ws.write(6, 1, "家具"); ws.write(6, 2, "椅子"); ws.write(6, 3, 9800)
    for r in (7, 8):
        for c in range(6):
            ws.write(r, c, "", plain)

    ws2 = wb.add_sheet("cells")
    for c, h in enumerate(["日付", "真偽", "エラー", "数値", "文字", "日時"]):
        ws2.write(0, c, h)
    ymd = xlwt.easyxf(num_format_str="yyyy/mm/dd")
    builtin = xlwt.easyxf(num_format_str="M/D/YY")
    stamp = xlwt.easyxf(num_format_str="yyyy/mm/dd hh:mm")
    clock = xlwt.easyxf(num_format_str="h:mm:ss")
    price = xlwt.easyxf(num_format_str='"¥"#,##0;[Red]"¥"-#,##0')
    sci = xlwt.easyxf(num_format_str="0.00E+00")
    ws2.write(1, 0, 45292, ymd)            # 2024-01-01
    ws2.write(1, 1, True); ws2.row(1).set_cell_error(2, 0x2A)
    ws2.write(1, 3, 0.1 + 0.2); ws2.write(1, 4, "ふりがな付き"); ws2.write(1, 5, 45292.75, stamp)
    ws2.write(2, 0, 36526, builtin)        # 2000-01-01
    ws2.write(2, 1, False); ws2.row(2).set_cell_error(2, 0x07)
    ws2.write(2, 3, 1e20); ws2.write_rich_text(2, 4, [("太字", xlwt.Font()), ("と普通", xlwt.Font())])
    ws2.write(2, 5, 0.5, clock)
    ws2.write(3, 0, 1, ymd)                # 1900-01-01
    ws2.write(3, 3, 1234567.891, price); ws2.write(3, 4, "Latin ü and 日本語 in one string")
    ws2.write(3, 5, 12345.678, sci)
    # A row of whole numbers, merged into one MULRK record below.
    for c, v in enumerate([11, 22, 33, 44, 55, 66]):
        ws2.write(4, c, v)
    # A shared string long enough to cross several CONTINUE pieces, switching width each time.
    ws2.write(5, 4, "Latin then 日本語 across pieces " * 8)

    # Full-width Latin names (letter case matters to them too), an empty header cell and a
    # repeated name; the table starts in column B, row 2.
    ws3 = wb.add_sheet("Ｗｉｄｅ")
    for c, h in enumerate(["ＪＡＮ", None, "価格", "価格"]):
        if h is not None:
            ws3.write(1, c + 1, h)
    ws3.write(2, 1, "4900012345600"); ws3.write(2, 2, "空の見出し"); ws3.write(2, 3, 100); ws3.write(2, 4, 200)

    return wb, results


def main(out):
    os.makedirs(out, exist_ok=True)
    wb, results = build()
    stream = wb.get_biff_data()
    parts = substreams(stream)
    glob = parts[0]
    sheets = [edit_sheet(parts[1], results, None), edit_sheet(parts[2], {}, 4), parts[3]]

    # The same cells with xlwt's own shared string table, for readers that cannot take the
    # small pieces below (FreeXL, the test oracle, reads uninitialised memory on them).
    save(os.path.join(out, "plain-cells.xls"), assemble(glob, sheets))

    # Rewrite the shared strings in small pieces, with a reading for one of them.
    sst_at = next(i for i, (rid, _) in enumerate(glob) if rid == SST)
    end = sst_at + 1
    while glob[end][0] == CONTINUE:
        end += 1
    strings = read_sst(glob[sst_at:end])
    glob = glob[:sst_at] + write_sst(strings, {"ふりがな付き": "フリガナツキ"}, 61) + \
        [r for r in glob[end:] if r[0] != EXTSST]

    save(os.path.join(out, "formulas.xls"), assemble(glob, sheets))

    # The same workbook counting dates from 1904.
    glob1904 = [[rid, struct.pack("<H", 1) if rid == DATEMODE else body] for rid, body in glob]
    save(os.path.join(out, "dates1904.xls"), assemble(glob1904, sheets))

    # Protected with a password: FILEPASS right after the BOF (the rest is left readable, which
    # does not matter: the reader must refuse at FILEPASS).
    filepass = [FILEPASS, struct.pack("<HHH", 1, 1, 1) + bytes(48)]
    save(os.path.join(out, "protected.xls"), assemble([glob[0], filepass] + glob[1:], sheets))

    # An Excel 95 workbook: BIFF5 in a stream called "Book".
    bof5 = [BOF, struct.pack("<HHHH", 0x0500, 0x0005, 0x0DBB, 0x07CC)]
    save(os.path.join(out, "old-format.xls"), join([bof5, [EOF, b""]]) + bytes(4096), "Book")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__)))
