# Prints the cells of every sheet of a workbook as JSON, as xlrd reads them:
# {"sheets": [{"name": ..., "rows": N, "cells": [[row, col, kind, value], ...]}]}
# kind: "text", "number", "bool", "error" or "blank". Used by the tests as an
# independent reader.
import json
import sys

import xlrd

KINDS = {xlrd.XL_CELL_TEXT: "text", xlrd.XL_CELL_NUMBER: "number", xlrd.XL_CELL_DATE: "number",
         xlrd.XL_CELL_BOOLEAN: "bool", xlrd.XL_CELL_ERROR: "error", xlrd.XL_CELL_BLANK: "blank"}

book = xlrd.open_workbook(sys.argv[1], formatting_info=True, on_demand=False)
sheets = []
for sheet in book.sheets():
    cells = []
    for r in range(sheet.nrows):
        for c, cell in enumerate(sheet.row(r)):
            if cell.ctype == xlrd.XL_CELL_EMPTY:
                continue
            value = cell.value if cell.ctype != xlrd.XL_CELL_BLANK else None
            if cell.ctype in (xlrd.XL_CELL_BOOLEAN, xlrd.XL_CELL_ERROR):
                value = int(value)
            cells.append([r, c, KINDS[cell.ctype], value])
    sheets.append({"name": sheet.name, "rows": sheet.nrows, "cells": cells})
json.dump({"sheets": sheets}, sys.stdout, ensure_ascii=True)
