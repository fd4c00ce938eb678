#!/usr/bin/python3
# Makes the small workbooks of the reader tests for what files from the wild
# hold (run once; the files are committed):
#
#   /usr/bin/python3 tests/data/make-workbook-faults.py
#
# Every file is made by hand here (zipfile, and a minimal compound-file
# writer for .xls), so that each holds exactly the case it is for:
#
# - wild-empty-shared-string.xlsx: a cell <c t="s"><v/></c> between cards.
# - wild-part-case.xlsx: the shared strings part is xl/SharedStrings.xml while
#   the relationship names sharedStrings.xml.
# - wild-main-part.xlsx: the workbook is book/wb.xml, named by _rels/.rels;
#   its sheet and shared strings are named by its own relationships (one
#   relative, one absolute).
# - wild-dates*.xlsx/.xls/.ods: dates, a date with a time, a time alone,
#   numbers with number formats, in the 1900 and the 1904 date system; the
#   .xlsx also a t="d" cell.
# - wild-biff5.xls: an Excel 5.0/95 workbook ("Book" stream, BIFF5 LABEL
#   cells in code page 1251, a date).
# - wild-password.xlsx/.ods/.xls: encrypted workbooks (an OLE file with
#   EncryptionInfo and EncryptedPackage, a manifest with encryption-data, a
#   BIFF8 stream with FILEPASS).
#
# The cards of each readable file are read back with the reference readers
# (openpyxl for .xlsx, xlrd for .xls) and written as the study copy they
# must give, expected/NAME.xml (the .xls dates' expected/wild-dates-xls.xml);
# the .ods file is the twin of the .xlsx one and shares its expected copy, as
# the 1904 files share that of their 1900 twins. Needs python3-openpyxl, python3-xlrd.
import datetime
import io
import os
import struct
import sys
import zipfile

import openpyxl
import xlrd

HERE = os.path.dirname(os.path.abspath(__file__))
XML = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
NS = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" ' \
     'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
PKG = "http://schemas.openxmlformats.org/package/2006/relationships"


def rels(*items):
    return XML + '<Relationships xmlns="%s">%s</Relationships>' % (PKG, "".join(
        '<Relationship Id="%s" Type="%s%s" Target="%s"/>' % item for item in items))


TYPES = {"<workbook": "sheet.main", "<worksheet": "worksheet", "<sst": "sharedStrings", "<styleSheet": "styles"}


def content_types(parts):
    overrides = ""
    for part, data in parts:
        for root, kind in TYPES.items():
            if root + " " in data:
                overrides += ('<Override PartName="/%s" ContentType="application/vnd.openxmlformats-officedocument.'
                              'spreadsheetml.%s+xml"/>') % (part.replace("\\", "/"), kind)
    return XML + ('<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
                  '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
                  '<Default Extension="xml" ContentType="application/xml"/>%s</Types>') % overrides


def workbook(date1904=False):
    pr = '<workbookPr date1904="1"/>' if date1904 else ''
    return XML + '<workbook %s>%s<sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>' % (NS, pr)


def sst(strings):
    return XML + '<sst %s count="%d" uniqueCount="%d">%s</sst>' % (
        NS, len(strings), len(strings), "".join("<si><t>%s</t></si>" % t for t in strings))


def sheet(rows):
    return XML + '<worksheet %s><sheetData>%s</sheetData></worksheet>' % (NS, "".join(
        '<row r="%d">%s</row>' % (i + 1, row) for i, row in enumerate(rows)))


def write_zip(name, parts):
    with zipfile.ZipFile(os.path.join(HERE, name), "w", zipfile.ZIP_DEFLATED) as z:
        for part, data in parts:
            z.writestr(part, data)


def package(name, parts, main="xl/workbook.xml"):
    write_zip(name, [("[Content_Types].xml", content_types(parts)), ("_rels/.rels", rels(("rId1", REL, "officeDocument", main)))] + parts)


def s(ref, index):
    return '<c r="%s" t="s"><v>%d</v></c>' % (ref, index)


def standard_rels():
    return rels(("rId1", REL, "worksheet", "worksheets/sheet1.xml"), ("rId2", REL, "sharedStrings", "sharedStrings.xml"),
                ("rId3", REL, "styles", "styles.xml"))


STYLES_PLAIN = XML + '<styleSheet %s><cellXfs count="1"><xf numFmtId="0"/></cellXfs></styleSheet>' % NS


def make_empty_shared_string():
    package("wild-empty-shared-string.xlsx", [
        ("xl/workbook.xml", workbook()), ("xl/_rels/workbook.xml.rels", standard_rels()), ("xl/styles.xml", STYLES_PLAIN),
        ("xl/sharedStrings.xml", sst(["q1", "a1", "a2", "q3", "a3"])),
        ("xl/worksheets/sheet1.xml", sheet([s("A1", 0) + s("B1", 1),
                                            '<c r="A2" t="s"><v/></c>' + s("B2", 2),
                                            s("A3", 3) + s("B3", 4) + '<c r="C3" t="s"><v></v></c>']))])


def make_part_case():
    package("wild-part-case.xlsx", [
        ("xl/workbook.xml", workbook()), ("xl/_rels/workbook.xml.rels", standard_rels()), ("xl/styles.xml", STYLES_PLAIN),
        ("xl/SharedStrings.xml", sst(["Capital of France?", "Paris", "Capital of Peru?", "Lima"])),
        ("xl/worksheets/sheet1.xml", sheet([s("A1", 0) + s("B1", 1), s("A2", 2) + s("B2", 3)]))])


def make_main_part():
    package("wild-main-part.xlsx", [
        ("book/wb.xml", workbook()),
        ("book/_rels/wb.xml.rels", rels(("rId1", REL, "worksheet", "sheets/../s/one.xml"),
                                        ("rId2", REL, "sharedStrings", "/strings/table.xml"))),
        ("strings/table.xml", sst(["2 + 2", "four", "3 + 3", "six"])),
        ("book/s/one.xml", sheet([s("A1", 0) + s("B1", 1), s("A2", 2) + s("B2", 3)]))], main="book/wb.xml")


# The date cards: (question, serial in the 1900 system, number format).
DATES = [
    ("When did the war end?", 16682, 14),                   # m/d/yyyy
    ("Moon landing", 25404 + 20 / 24 + 17 / 1440, 164),      # yyyy-mm-dd hh:mm
    ("Time alone", 9 / 24 + 4 / 1440, 20),                   # h:mm
    ("Seconds too", 0.5 + 30 / 86400, 165),                  # [$-409]h:mm:ss AM/PM
    ("A plain number", 16682, 166),                          # 0.00
    ("General", 3.5, 0),
    ("Day and month name", 16682, 167),                      # d mmmm yyyy with quoted text
]
CODES = {164: "yyyy\\-mm\\-dd\\ hh:mm", 165: "[$-409]h:mm:ss\\ AM/PM", 166: "0.00", 167: 'd mmmm yyyy" (day)"'}


def is_date_format(fmt):
    return fmt in (14, 164, 167)


def date_styles():
    fmts = "".join('<numFmt numFmtId="%d" formatCode="%s"/>' % (i, c.replace('"', "&quot;")) for i, c in CODES.items())
    xfs = "".join('<xf numFmtId="%d" applyNumberFormat="1"/>' % f for _, _, f in DATES)
    return XML + '<styleSheet %s><numFmts count="%d">%s</numFmts><cellXfs count="%d"><xf numFmtId="0"/>%s</cellXfs></styleSheet>' % (
        NS, len(CODES), fmts, len(DATES) + 1, xfs)


def make_dates_xlsx(date1904):
    offset = 1462 if date1904 else 0
    questions = [q for q, _, _ in DATES] + ["Written as a date"]
    rows = []
    for i, (q, serial, _) in enumerate(DATES):
        value = serial - offset if is_date_format(DATES[i][2]) else serial
        rows.append(s("A%d" % (i + 1), i) + '<c r="B%d" s="%d"><v>%r</v></c>' % (i + 1, i + 1, value))
    n = len(DATES) + 1
    rows.append(s("A%d" % n, n - 1) + '<c r="B%d" t="d"><v>1945-09-02T00:00:00Z</v></c>' % n)
    name = "wild-dates-1904.xlsx" if date1904 else "wild-dates.xlsx"
    package(name, [
        ("xl/workbook.xml", workbook(date1904)), ("xl/_rels/workbook.xml.rels", standard_rels()),
        ("xl/styles.xml", date_styles()), ("xl/sharedStrings.xml", sst(questions)),
        ("xl/worksheets/sheet1.xml", sheet(rows))])
    return name


def make_dates_ods():
    o = 'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" ' \
        'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" ' \
        'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"'

    def text(t):
        return '<table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>' % t

    cells = [
        '<table:table-cell office:value-type="date" office:date-value="1945-09-02"><text:p>02.09.45</text:p></table:table-cell>',
        '<table:table-cell office:value-type="date" office:date-value="1969-07-20T20:17:00"><text:p>x</text:p></table:table-cell>',
        '<table:table-cell office:value-type="time" office:time-value="PT09H04M00S"><text:p>x</text:p></table:table-cell>',
        '<table:table-cell office:value-type="time" office:time-value="PT12H00M30S"><text:p>x</text:p></table:table-cell>',
        '<table:table-cell office:value-type="float" office:value="16682"><text:p>16682.00</text:p></table:table-cell>',
        '<table:table-cell office:value-type="float" office:value="3.5"><text:p>3.5</text:p></table:table-cell>',
        '<table:table-cell office:value-type="date" office:date-value="1945-09-02"><text:p>x</text:p></table:table-cell>',
        '<table:table-cell office:value-type="date" office:date-value="1945-09-02T00:00:00"><text:p>x</text:p></table:table-cell>',
    ]
    questions = [q for q, _, _ in DATES] + ["Written as a date"]
    rows = "".join("<table:table-row>%s%s</table:table-row>" % (text(q), c) for q, c in zip(questions, cells))
    # A null date other than the default changes nothing for date cells.
    content = XML + ('<office:document-content %s><office:body><office:spreadsheet>'
                     '<table:calculation-settings><table:null-date table:date-value="1904-01-01"/></table:calculation-settings>'
                     '<table:table table:name="Sheet1">%s</table:table></office:spreadsheet></office:body>'
                     '</office:document-content>') % (o, rows)
    write_zip("wild-dates.ods", [("mimetype", "application/vnd.oasis.opendocument.spreadsheet"), ("content.xml", content)])


# --- .xls: BIFF records and a minimal compound file -------------------------

def record(kind, data=b""):
    return struct.pack("<HH", kind, len(data)) + data


def u16str(text):  # XLUnicodeString, 8-bit form
    data = text.encode("latin-1")
    return struct.pack("<HB", len(data), 0) + data


def biff_stream(cells, biff5=False, date1904=False, filepass=False, code_page=1252):
    """A workbook stream: globals (FORMAT and XF records for DATES), one sheet
    "Sheet1" holding cells (row, col, kind, value, xf)."""
    version = 0x0500 if biff5 else 0x0600
    bof_size = 8 if biff5 else 16

    def bof(kind):
        return record(0x0809, struct.pack("<HH", version, kind) + b"\0" * (bof_size - 4))

    g = bof(0x0005)
    if filepass:
        g += record(0x002F, b"\x01\x00" + b"\x11" * 52)
    g += record(0x0042, struct.pack("<H", code_page))
    g += record(0x0022, struct.pack("<H", 1 if date1904 else 0))
    font = struct.pack("<HHHHHBBBB", 200, 0, 0x7FFF, 400, 0, 0, 0, 0, 0) + (b"\x05Arial" if biff5 else b"\x05\x00Arial")
    for _ in range(4):
        g += record(0x0031, font)
    for fid, code in CODES.items():
        g += record(0x041E, struct.pack("<H", fid) + (struct.pack("<B", len(code)) + code.encode("latin-1") if biff5 else u16str(code)))
    xf_size = 16 if biff5 else 20
    xfs = [0] * 16 + [f for _, _, f in DATES]
    for i, fmt in enumerate(xfs):
        attributes = 0xFFF5 if i < 15 else 0x0001  # style XFs, then cell XFs
        g += record(0x00E0, struct.pack("<HHH", 0, fmt, attributes) + b"\0" * (xf_size - 6))
    name = b"Sheet1"

    def boundsheet(at):
        if biff5:
            return record(0x0085, struct.pack("<IBBB", at, 0, 0, len(name)) + name)
        return record(0x0085, struct.pack("<IBBBB", at, 0, 0, len(name), 0) + name)

    sheet_at = len(g) + len(boundsheet(0)) + len(record(0x000A))
    g += boundsheet(sheet_at)
    g += record(0x000A)
    assert len(g) == sheet_at, (len(g), sheet_at)
    sh = bof(0x0010)
    for row, col, kind, value, xf in cells:
        head = struct.pack("<HHH", row, col, xf)
        if kind == "number":
            sh += record(0x0203, head + struct.pack("<d", value))
        elif biff5:  # LABEL with 8-bit characters in the code page
            data = value.encode("cp%d" % code_page)
            sh += record(0x0204, head + struct.pack("<H", len(data)) + data)
        else:
            sh += record(0x0204, head + u16str(value))
    sh += record(0x000A)
    return g + sh


def compound_file(stream_name, streams):
    """A compound file (version 3, 512-byte sectors) holding the streams at
    its root; each stream padded to 4096 bytes so that none goes to the
    mini stream."""
    sector = 512
    names = [stream_name] if isinstance(stream_name, str) else stream_name
    datas = [streams] if isinstance(streams, bytes) else streams
    datas = [d + b"\0" * max(0, 4096 - len(d)) for d in datas]
    datas = [d + b"\0" * (-len(d) % sector) for d in datas]
    fat = [0xFFFFFFFD, 0xFFFFFFFE]  # the FAT itself, the directory
    starts = []
    for d in datas:
        n = len(d) // sector
        starts.append(len(fat))
        fat += [len(fat) + i + 1 for i in range(n - 1)] + [0xFFFFFFFE]
    assert len(fat) <= sector // 4
    fat += [0xFFFFFFFF] * (sector // 4 - len(fat))

    def entry(name, kind, child, right, start, size):
        encoded = name.encode("utf-16-le") + b"\0\0"
        return (encoded + b"\0" * (64 - len(encoded)) + struct.pack("<HBB", len(encoded), kind, 1)
                + struct.pack("<III", 0xFFFFFFFF, right, child) + b"\0" * 16 + b"\0" * 4 + b"\0" * 16
                + struct.pack("<III", start, size, 0))

    directory = entry("Root Entry", 5, 1, 0xFFFFFFFF, 0xFFFFFFFE, 0)
    for i, (name, start, d) in enumerate(zip(names, starts, datas)):
        right = i + 2 if i + 1 < len(names) else 0xFFFFFFFF
        directory += entry(name, 2, 0xFFFFFFFF, right, start, len(d))
    assert len(directory) <= sector
    directory += (b"\0" * 64 + struct.pack("<HBB", 0, 0, 0) + struct.pack("<III", 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF)
                  + b"\0" * 48) * ((sector - len(directory)) // 128)
    header = (b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + b"\0" * 16 + struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6)
              + b"\0" * 6 + struct.pack("<IIIIIIIII", 0, 1, 1, 0, 4096, 0xFFFFFFFE, 0, 0xFFFFFFFE, 0)
              + struct.pack("<I", 0) + struct.pack("<I", 0xFFFFFFFF) * 108)
    assert len(header) == sector
    return header + struct.pack("<%dI" % (sector // 4), *fat) + directory + b"".join(datas)


def xls_date_cells():
    cells = []
    for i, (q, serial, _) in enumerate(DATES):
        cells.append((i, 0, "text", q, 15))
        cells.append((i, 1, "number", serial, 16 + i))
    return cells


def make_dates_xls(date1904):
    cells = [(r, c, k, (v - 1462 if (date1904 and k == "number" and is_date_format(DATES[r][2])) else v), xf)
             for r, c, k, v, xf in xls_date_cells()]
    name = "wild-dates-1904.xls" if date1904 else "wild-dates.xls"
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(compound_file("Workbook", biff_stream(cells, date1904=date1904)))
    return name


def make_biff5():
    cells = [(0, 0, "text", "Столица России?", 15), (0, 1, "text", "Москва", 15),
             (1, 0, "text", "Число", 15), (1, 1, "number", 42, 15),
             (2, 0, "text", "When did the war end?", 15), (2, 1, "number", 16682, 16)]
    with open(os.path.join(HERE, "wild-biff5.xls"), "wb") as f:
        f.write(compound_file("Book", biff_stream(cells, biff5=True, code_page=1251)))
    return "wild-biff5.xls"


def make_password():
    # An encrypted .xlsx: its package, encrypted, in a compound file.
    info = struct.pack("<HHI", 4, 4, 0x40) + b"<?xml version=\"1.0\"?><encryption/>"
    with open(os.path.join(HERE, "wild-password.xlsx"), "wb") as f:
        f.write(compound_file(["EncryptionInfo", "EncryptedPackage"], [info, struct.pack("<Q", 4000) + os.urandom(4000)]))
    manifest = XML + ('<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">'
                      '<manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.spreadsheet"/>'
                      '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml" manifest:size="900">'
                      '<manifest:encryption-data manifest:checksum-type="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0#sha256-1k" '
                      'manifest:checksum="AAAA"><manifest:algorithm manifest:algorithm-name="http://www.w3.org/2001/04/xmlenc#aes256-cbc" '
                      'manifest:initialisation-vector="AAAA"/><manifest:key-derivation manifest:key-derivation-name="PBKDF2" '
                      'manifest:key-size="32" manifest:iteration-count="100000" manifest:salt="AAAA"/></manifest:encryption-data>'
                      '</manifest:file-entry></manifest:manifest>')
    write_zip("wild-password.ods", [("mimetype", "application/vnd.oasis.opendocument.spreadsheet"),
                                    ("content.xml", os.urandom(900)), ("META-INF/manifest.xml", manifest)])
    with open(os.path.join(HERE, "wild-password.xls"), "wb") as f:
        f.write(compound_file("Workbook", biff_stream([(0, 0, "text", "q", 15), (0, 1, "text", "a", 15)], filepass=True)))


# --- the study copies the references give -----------------------------------

def number_text(v):
    return str(int(v)) if v == int(v) and abs(v) < 1e15 else repr(v)


def time_text(t):
    return t.strftime("%H:%M") + (t.strftime(":%S") if t.second else "")


def value_text(v):
    if isinstance(v, datetime.datetime):
        return v.date().isoformat() if v.time() == datetime.time() else v.date().isoformat() + " " + time_text(v.time())
    if isinstance(v, datetime.time):
        return time_text(v)
    if isinstance(v, float) or isinstance(v, int):
        return number_text(v)
    return "" if v is None else str(v)


def study_copy(rows):
    def esc(t):
        return t.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
    cards = "".join("<Card><Que>%s</Que><Ans>%s</Ans></Card>" % (esc(q), esc(a).replace('"', "&quot;"))
                    for q, a in rows if q and a)
    return "<?xml version='1.0' encoding='UTF-8'?><Root>%s</Root>\r\n" % cards


def openpyxl_rows(name):
    ws = openpyxl.load_workbook(os.path.join(HERE, name))["Sheet1"]
    return [(value_text(r[0].value), value_text(r[1].value)) for r in ws.iter_rows(max_col=2)]


def xlrd_rows(name):
    book = xlrd.open_workbook(os.path.join(HERE, name))
    sh = book.sheet_by_name("Sheet1")
    out = []
    for r in range(sh.nrows):
        row = []
        for c in range(2):
            cell = sh.cell(r, c)
            if cell.ctype == xlrd.XL_CELL_DATE:
                v = xlrd.xldate_as_datetime(cell.value, book.datemode)
                # xlrd gives a time alone (a number below 1) as a datetime on
                # the first day of the date system, openpyxl as a time.
                row.append(time_text(v.time()) if cell.value < 1 else value_text(v))
            else:
                row.append(value_text(cell.value))
        out.append(tuple(row))
    return out


def expect(name, rows):
    with open(os.path.join(HERE, "expected", os.path.splitext(name)[0] + ".xml"), "w", encoding="utf-8", newline="") as f:
        f.write(study_copy(rows))
    print(name, rows)


def main():
    make_empty_shared_string()
    make_part_case()
    make_main_part()
    for name in ("wild-empty-shared-string.xlsx", "wild-part-case.xlsx", "wild-main-part.xlsx"):
        expect(name, openpyxl_rows(name))
    dates = openpyxl_rows(make_dates_xlsx(False))
    assert openpyxl_rows(make_dates_xlsx(True)) == dates
    expect("wild-dates.xlsx", dates)
    make_dates_ods()
    xls_dates = xlrd_rows(make_dates_xls(False))
    assert xlrd_rows(make_dates_xls(True)) == xls_dates
    assert xls_dates == dates[:-1], (xls_dates, dates)
    expect("wild-dates-xls", xls_dates)
    expect(make_biff5(), xlrd_rows("wild-biff5.xls"))
    make_password()
    for name in ("wild-password.xls",):
        try:
            xlrd.open_workbook(os.path.join(HERE, name))
            raise SystemExit(name + " was read")
        except xlrd.XLRDError as e:
            print(name, "refused by xlrd:", e)
    return 0


if __name__ == "__main__":
    sys.exit(main())
