"""Reads exported workbooks back through spreadsheet programs' outputs and
compares every cell with what the test expects.

usage: read_cells.py EXPECTED.json READER=FILE...

EXPECTED.json holds a list of sheets in workbook order, each
{"name": ..., "cells": [[row, col, kind, value], ...], "shows": [[row, col, text], ...]}
with kind "S" (text), "N" (number) or "E" (empty); a value of null is not
compared. "shows" gives text that the cell's displayed form must contain.

Readers: xlrd=BOOK.xls, fods=BOOK.fods (LibreOffice), gnumeric=BOOK.gnumeric
and gnumeric-csv=PREFIX (files PREFIX<n>.csv, one per sheet, as shown).
Prints one line per reader: "<reader> OK <cells>" or "<reader> FAIL ..." and
the first differences.
"""
import csv
import gzip
import json
import math
import sys
import xml.etree.ElementTree as ET


def close(a, b, exact):
    if exact:
        return a == b
    # Office readers keep 12 to 15 digits of a value in their own files.
    return math.isclose(a, b, rel_tol=1e-11, abs_tol=1e-300)


def read_xlrd(path):
    import xlrd
    book = xlrd.open_workbook(path)
    sheets = []
    for s in book.sheets():
        cells = {}
        for r in range(s.nrows):
            for c in range(s.ncols):
                cell = s.cell(r, c)
                if cell.ctype == xlrd.XL_CELL_TEXT:
                    cells[(r, c)] = ("S", cell.value, cell.value)
                elif cell.ctype in (xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_DATE):
                    cells[(r, c)] = ("N", cell.value, None)
                elif cell.ctype == xlrd.XL_CELL_BOOLEAN:
                    cells[(r, c)] = ("B", cell.value, None)
        sheets.append(cells)
    return sheets


NS = {
    "table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
    "office": "urn:oasis:names:tc:opendocument:xmlns:office:1.0",
    "text": "urn:oasis:names:tc:opendocument:xmlns:text:1.0",
}


def q(prefix, name):
    return "{%s}%s" % (NS[prefix], name)


def paragraph_text(p):
    out = [p.text or ""]
    for child in p:
        if child.tag == q("text", "s"):
            out.append(" " * int(child.get(q("text", "c"), "1")))
        elif child.tag == q("text", "tab"):
            out.append("\t")
        elif child.tag == q("text", "line-break"):
            out.append("\n")
        else:
            out.append(paragraph_text(child))
        out.append(child.tail or "")
    return "".join(out)


def read_fods(path):
    root = ET.parse(path).getroot()
    sheets = []
    for table in root.iter(q("table", "table")):
        cells = {}
        r = 0
        for row in table.iter(q("table", "table-row")):
            rows = int(row.get(q("table", "number-rows-repeated"), "1"))
            c = 0
            for cell in row:
                if cell.tag not in (q("table", "table-cell"), q("table", "covered-table-cell")):
                    continue
                cols = int(cell.get(q("table", "number-columns-repeated"), "1"))
                kind = cell.get(q("office", "value-type"))
                shown = "\n".join(paragraph_text(p) for p in cell.findall(q("text", "p")))
                if kind is not None:
                    for dr in range(rows):
                        for dc in range(cols):
                            if kind == "string":
                                cells[(r + dr, c + dc)] = ("S", shown, shown)
                            elif kind == "boolean":
                                cells[(r + dr, c + dc)] = ("B", None, shown)
                            else:
                                v = cell.get(q("office", "value"))
                                cells[(r + dr, c + dc)] = ("N", float(v) if v else None, shown)
                c += cols
            r += rows
        sheets.append(cells)
    return sheets


def read_gnumeric(path):
    try:
        with gzip.open(path, "rb") as f:
            data = f.read()
    except OSError:
        with open(path, "rb") as f:
            data = f.read()
    root = ET.fromstring(data)
    sheets = []
    for sheet in root.iter():
        if not sheet.tag.endswith("}Sheet"):
            continue
        cells = {}
        for cell in sheet.iter():
            if not cell.tag.endswith("}Cell"):
                continue
            r, c, t = int(cell.get("Row")), int(cell.get("Col")), cell.get("ValueType")
            text = cell.text or ""
            if t == "60":
                cells[(r, c)] = ("S", text, text)
            elif t == "40":
                cells[(r, c)] = ("N", float(text), None)
            elif t == "20":
                cells[(r, c)] = ("B", None, None)
        sheets.append(cells)
    return sheets


def read_csv_sheets(prefix, count):
    sheets = []
    for n in range(count):
        cells = {}
        try:
            with open("%s%d.csv" % (prefix, n), newline="", encoding="utf-8") as f:
                for r, row in enumerate(csv.reader(f)):
                    for c, v in enumerate(row):
                        if v != "":
                            cells[(r, c)] = (None, None, v)
        except FileNotFoundError:
            pass
        sheets.append(cells)
    return sheets


def compare(reader, expected, got, exact):
    problems = []
    checked = 0
    for index, sheet in enumerate(expected):
        have = got[index] if index < len(got) else {}
        for r, c, kind, value in sheet.get("cells", []):
            if reader == "gnumeric-csv":
                break
            checked += 1
            found = have.get((r, c))
            if kind == "E":
                ok = found is None or (found[0] == "S" and found[1] == "")
            elif found is None or found[0] != kind:
                ok = False
            elif value is None:
                ok = True
            elif kind == "S":
                ok = found[1] == value
            else:
                ok = found[1] is None or close(found[1], value, exact)
            if not ok:
                problems.append("%s r%d c%d: expected %s %r, found %r" %
                                (sheet["name"], r, c, kind, value, found))
        if reader in ("fods", "gnumeric-csv"):
            for r, c, text in sheet.get("shows", []):
                checked += 1
                found = have.get((r, c))
                if found is None or found[2] is None or text not in found[2]:
                    problems.append("%s r%d c%d: expected to show %r, found %r" %
                                    (sheet["name"], r, c, text, found))
    return checked, problems


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        expected = json.load(f)
    for arg in sys.argv[2:]:
        reader, path = arg.split("=", 1)
        try:
            if reader == "xlrd":
                got = read_xlrd(path)
            elif reader == "fods":
                got = read_fods(path)
            elif reader == "gnumeric":
                got = read_gnumeric(path)
            else:
                got = read_csv_sheets(path, len(expected))
        except Exception as e:  # a reader that produced nothing readable
            print("%s FAIL %s" % (reader, e))
            continue
        checked, problems = compare(reader, expected, got, reader == "xlrd")
        if problems:
            print("%s FAIL %d of %d" % (reader, len(problems), checked))
            for p in problems[:20]:
                print("  " + p)
        else:
            print("%s OK %d" % (reader, checked))


main()
