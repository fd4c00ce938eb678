#!/usr/bin/python3
# Makes the .xlsx and .ods test decks (run once; the files are committed):
#
#   /usr/bin/python3 tests/data/make-xlsx-ods.py
#
# Needs LibreOffice (soffice), gnumeric (ssconvert) and python3-openpyxl and
# python3-xlrd. Every deck holds the cards of an .xls deck beside it, so its
# study copy must be the .xls deck's (expected/NAME.xml):
#
# - rich-libreoffice.xls and its .xlsx/.ods copies come from rich.fods, a
#   flat OpenDocument sheet written below: a sheet before Sheet1, a title row,
#   rich text, numbers, booleans, a date, blank and half-empty rows, runs of
#   spaces, a cell of two lines, non-ASCII text and repeated rows.
# - the other decks are copies of existing .xls decks.
import os
import shutil
import subprocess
import sys
import tempfile

import openpyxl
import xlrd

HERE = os.path.dirname(os.path.abspath(__file__))

FODS = """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:automatic-styles>
 <style:style style:name="T1" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style>
 <style:style style:name="T2" style:family="text"><style:text-properties fo:font-style="italic"/></style:style>
 <number:boolean-style style:name="NB"><number:boolean/></number:boolean-style>
 <style:style style:name="CB" style:family="table-cell" style:data-style-name="NB"/>
 <number:date-style style:name="ND"><number:year/><number:text>-</number:text><number:month/><number:text>-</number:text><number:day/></number:date-style>
 <style:style style:name="CD" style:family="table-cell" style:data-style-name="ND"/>
</office:automatic-styles>
<office:body><office:spreadsheet>
<table:table table:name="Notes">
 <table:table-row><table:table-cell office:value-type="string"><text:p>not a card</text:p></table:table-cell>
 <table:table-cell office:value-type="string"><text:p>ignored</text:p></table:table-cell></table:table-row>
</table:table>
<table:table table:name="Sheet1">
 <table:table-column table:number-columns-repeated="3"/>
 {rows}
</table:table>
</office:spreadsheet></office:body></office:document>
"""


def s(text):
    return '<table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>' % text


def n(value):
    return '<table:table-cell office:value-type="float" office:value="%s"><text:p>%s</text:p></table:table-cell>' % (value, value)


def b(value):
    v = "true" if value else "false"
    return ('<table:table-cell table:style-name="CB" office:value-type="boolean" office:boolean-value="%s">'
            '<text:p>%s</text:p></table:table-cell>' % (v, v.upper()))


EMPTY = "<table:table-cell/>"


def row(*cells, repeat=1):
    attr = ' table:number-rows-repeated="%d"' % repeat if repeat > 1 else ""
    return "<table:table-row%s>%s</table:table-row>" % (attr, "".join(cells))


ROWS = [
    row(s("Question"), s("Answer")),
    row(s('The <text:span text:style-name="T1">bold</text:span> word'),
        s('plain &amp; <text:span text:style-name="T2">italic</text:span>')),
    row(n("42"), n("3.5")),
    row(n("0.1"), n("-7.25")),
    row(n("1E+20"), n("123456789012345")),
    row(s("true or false"), b(True)),
    row(b(False), s("a boolean question")),
    row(s("Which date?"), '<table:table-cell table:style-name="CD" office:value-type="date" '
        'office:date-value="2024-01-15"><text:p>2024-01-15</text:p></table:table-cell>'),
    row(s("caf\u00e9 \u6f22\u5b57"), s("\u00fcber \u0436")),
    row(EMPTY, EMPTY),
    row(s("question without answer")),
    row(EMPTY, s("answer without question")),
    row(s("same card"), s("three times"), repeat=3),
    row(s("two<text:s/> spaces<text:s text:c='3'/>here"), s("x")),
    row('<table:table-cell office:value-type="string"><text:p>line one</text:p><text:p>line two</text:p>'
        '</table:table-cell>', s("2 &lt; 3 &amp; \"quoted\"")),
    row(s("range 1\u20132"), s("What's up?"), s("column C is ignored")),
    row(EMPTY, repeat=4),
    row(s("last"), s("card")),
]


def run(*args, cwd=None):
    subprocess.run(args, check=True, cwd=cwd, stdout=subprocess.DEVNULL)


def soffice(source, fmt, outdir):
    run("soffice", "--headless", "--convert-to", fmt, "--outdir", outdir, source)


def openpyxl_copy(xls_path, out_path):
    """Writes the cells of an .xls deck with openpyxl (shared strings)."""
    book = xlrd.open_workbook(xls_path)
    wb = openpyxl.Workbook()
    wb.remove(wb.active)
    for sheet in book.sheets():
        ws = wb.create_sheet(sheet.name)
        for r in range(sheet.nrows):
            for c, cell in enumerate(sheet.row(r)):
                if cell.ctype == xlrd.XL_CELL_TEXT:
                    ws.cell(row=r + 1, column=c + 1, value=cell.value)
                elif cell.ctype == xlrd.XL_CELL_DATE:
                    # openpyxl writes a datetime as a number with a date format.
                    ws.cell(row=r + 1, column=c + 1, value=xlrd.xldate_as_datetime(cell.value, book.datemode))
                elif cell.ctype == xlrd.XL_CELL_NUMBER:
                    v = cell.value
                    ws.cell(row=r + 1, column=c + 1, value=int(v) if v == int(v) and abs(v) < 1e15 else v)
                elif cell.ctype == xlrd.XL_CELL_BOOLEAN:
                    ws.cell(row=r + 1, column=c + 1, value=bool(cell.value))
    wb.save(out_path)


def main():
    tmp = tempfile.mkdtemp()
    try:
        fods = os.path.join(tmp, "rich-libreoffice.fods")
        with open(fods, "w", encoding="utf-8") as f:
            f.write(FODS.replace("{rows}", "\n ".join(ROWS)))
        for fmt in ("xls", "xlsx", "ods"):
            soffice(fods, fmt, tmp)
        shutil.copy(os.path.join(tmp, "rich-libreoffice.xls"), HERE)
        shutil.copy(os.path.join(tmp, "rich-libreoffice.xlsx"), os.path.join(HERE, "rich-soffice.xlsx"))
        shutil.copy(os.path.join(tmp, "rich-libreoffice.ods"), os.path.join(HERE, "rich-soffice.ods"))

        # (.xls deck, short name) -> copies by the three writers
        for deck, short in (("rich-libreoffice", "rich"), ("tricky-xlwt", "tricky"),
                            ("mixed-libreoffice", "mixed"), ("sheet1-not-first-xlwt", "sheet1-second")):
            xls = os.path.join(HERE, deck + ".xls")
            if short != "rich":
                for fmt in ("xlsx", "ods"):
                    soffice(xls, fmt, tmp)
                    shutil.copy(os.path.join(tmp, deck + "." + fmt), os.path.join(HERE, short + "-soffice." + fmt))
            for fmt in ("xlsx", "ods"):
                run("ssconvert", "--export-type=" + ("Gnumeric_Excel:xlsx2" if fmt == "xlsx" else "Gnumeric_OpenCalc:odf"),
                    xls, os.path.join(HERE, short + "-ssconvert." + fmt))
            openpyxl_copy(xls, os.path.join(HERE, short + "-openpyxl.xlsx"))
    finally:
        shutil.rmtree(tmp)


if __name__ == "__main__":
    if sys.argv[1:] == ["--openpyxl-only"]:
        # The openpyxl copies alone (no LibreOffice or gnumeric needed).
        for deck, short in (("rich-libreoffice", "rich"), ("tricky-xlwt", "tricky"),
                            ("mixed-libreoffice", "mixed"), ("sheet1-not-first-xlwt", "sheet1-second")):
            openpyxl_copy(os.path.join(HERE, deck + ".xls"), os.path.join(HERE, short + "-openpyxl.xlsx"))
        sys.exit(0)
    sys.exit(main())
