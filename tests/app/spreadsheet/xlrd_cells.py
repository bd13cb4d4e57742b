#!/usr/bin/python3
"""Prints a workbook as python3-xlrd reads it: "biff <version>", then one line per non-empty
cell, sheet|row|column|kind|value (0-based; numbers with repr(), so every digit counts).
Exits 3 when xlrd is missing, 1 when xlrd cannot read the file."""
import sys

try:
    import xlrd
except ImportError:
    sys.exit(3)

KINDS = {xlrd.XL_CELL_NUMBER: 'n', xlrd.XL_CELL_TEXT: 't', xlrd.XL_CELL_DATE: 'd', xlrd.XL_CELL_BOOLEAN: 'b',
         xlrd.XL_CELL_ERROR: 'e'}
try:
    book = xlrd.open_workbook(sys.argv[1])
except Exception as error:
    print('xlrd: %s' % error, file=sys.stderr)
    sys.exit(1)
print('biff %d' % book.biff_version)
for sheet in book.sheets():
    for row in range(sheet.nrows):
        for col in range(sheet.ncols):
            cell = sheet.cell(row, col)
            if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                continue
            value = repr(cell.value) if isinstance(cell.value, float) else str(cell.value)
            print('%s|%d|%d|%s|%s' % (sheet.name, row, col, KINDS.get(cell.ctype, '?'), value))
