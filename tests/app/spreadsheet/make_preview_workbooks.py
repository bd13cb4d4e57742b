#!/usr/bin/python3
"""Writes the spreadsheet preview's test workbooks into the folder given as the only argument.

points8.xls (BIFF8, python3-xlwt) and points5.xls (BIFF7, converted by gnumeric's ssconvert
through the .gnumeric format, which also computes the formula's result); survey.xls, a real
point file for the screenshots; points.xlsx and points.ods, the same workbook written by ssconvert.
Exits 3 when xlwt is missing, 4 when ssconvert is.
"""
import datetime
import os
import shutil
import subprocess
import sys

try:
    import xlwt
except ImportError:
    sys.exit(3)

out = sys.argv[1]
os.makedirs(out, exist_ok=True)

wb = xlwt.Workbook(encoding='utf-8')
s = wb.add_sheet('Points')
for col, title in enumerate(['Point', 'X', 'Y', 'Z', 'Code']):
    s.write(0, col, title)
s.write(1, 0, '007')                                   # a text that looks like a number
s.write(1, 1, 1000.5)
s.write(1, 2, 2000.25)
s.write(1, 3, 15)
s.write(1, 4, '1E5')
s.write(2, 0, 'P2')
s.write(2, 1, 1234567.8901234567)                      # more than 15 significant digits
s.write(2, 2, 2001)
s.write(2, 3, 12.125)
s.write(2, 4, datetime.date(2024, 3, 15), xlwt.easyxf(num_format_str='YYYY-MM-DD'))
s.write(3, 0, 'P3')
s.write(3, 1, 1002.75)
s.write(3, 2, 2002)
s.write(3, 3, True)
s.write(3, 4, xlwt.Formula('B4*2'))
s.write(4, 0, 'P4')
s.write(4, 1, 1003)
s.write(4, 2, 2003)
s.write(4, 3, 14)
s.write(4, 4, 'caf\u00e9')
r = wb.add_sheet('Range')                              # used range B3:C4
r.write(2, 1, 'b3')
r.write(2, 2, 1)
r.write(3, 1, 'b4')
r.write(3, 2, 2)
w = wb.add_sheet('Wide')
w.write(0, 26, 'AA')
w.write(0, 51, 'AZ')
w.write(0, 52, 'BA')
one = wb.add_sheet('One')
one.write(0, 0, 'only')
one.write(0, 1, 5)
wb.save(os.path.join(out, 'points8.xls'))

if shutil.which('ssconvert') is None:
    sys.exit(4)
quiet = {'stdout': subprocess.DEVNULL, 'stderr': subprocess.DEVNULL, 'check': True}
gnumeric = os.path.join(out, 'points.gnumeric')
subprocess.run(['ssconvert', os.path.join(out, 'points8.xls'), gnumeric], **quiet)
subprocess.run(['ssconvert', '-T', 'Gnumeric_Excel:excel_biff7', gnumeric, os.path.join(out, 'points5.xls')], **quiet)

survey = xlwt.Workbook(encoding='utf-8')
p = survey.add_sheet('Survey 2024-03')
for col, title in enumerate(['No', 'East', 'North', 'Elev', 'Desc', 'Code']):
    p.write(0, col, title)
descriptions = ['fence', 'fence', 'tree', 'manhole', 'kerb', 'kerb', 'kerb', 'lamp', 'wall', 'wall']
for i in range(40):
    p.write(i + 1, 0, 100 + i)
    p.write(i + 1, 1, round(512340.125 + i * 3.217, 3))
    p.write(i + 1, 2, round(6153220.5 + i * 1.905, 3))
    p.write(i + 1, 3, round(42.31 + (i % 7) * 0.118, 3))
    p.write(i + 1, 4, descriptions[i % len(descriptions)])
    p.write(i + 1, 5, 'PL1' if i % 10 in (4, 5, 6) else '')
survey.add_sheet('Control').write(0, 0, 'CP1')
survey.add_sheet('Notes').write(0, 0, 'Checked by R.')
survey.save(os.path.join(out, 'survey.xls'))

# The same workbook as XLSX and ODS, as gnumeric writes them.
for kind in ('xlsx', 'ods'):
    subprocess.run(['ssconvert', gnumeric, os.path.join(out, 'points.' + kind)], **quiet)
