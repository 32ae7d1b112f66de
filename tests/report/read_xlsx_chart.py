#!/usr/bin/python3
"""Prints, as JSON, an exported workbook's sheet names, its charts (bar grouping and the series'
<c:f> references) and its chart sheet's table, as formulas and as the values stored with them.

Usage: read_xlsx_chart.py FILE [--recalc CELL=NUMBER ...]
--recalc: the table also as LibreOffice calculates it afresh ("recalculated") after the given
cells of the first sheet were changed (openpyxl saves no stored values).
"""
import json, os, re, subprocess, sys, tempfile, zipfile
import xml.etree.ElementTree as ET

import openpyxl

C = "{http://schemas.openxmlformats.org/drawingml/2006/chart}"


def charts(path):
    out = []
    with zipfile.ZipFile(path) as z:
        for name in sorted(n for n in z.namelist() if re.match(r"xl/charts/chart\d+\.xml$", n)):
            root = ET.fromstring(z.read(name))
            series = [{part: (ser.find(f"{C}{part}//{C}f").text if ser.find(f"{C}{part}//{C}f") is not None else None)
                       for part in ("tx", "cat", "val")} for ser in root.iter(f"{C}ser")]
            out.append({"grouping": root.find(f".//{C}grouping").get("val"), "series": series})
    return out


def table(path, data_only):
    book = openpyxl.load_workbook(path, data_only=data_only)
    sheets = book.worksheets[1:2]
    return [[c.value for c in row] for s in sheets for row in s.iter_rows()]


def recalculated(path, changes):
    with tempfile.TemporaryDirectory() as work:
        book = openpyxl.load_workbook(path)
        for cell, value in (c.split("=", 1) for c in changes):
            book.worksheets[0][cell] = float(value)
        book.save(os.path.join(work, "plain.xlsx"))
        subprocess.run(["soffice", "--headless", "-env:UserInstallation=file://" + work + "/profile", "--convert-to",
                        "xlsx", "--outdir", work + "/out", work + "/plain.xlsx"], check=True, capture_output=True, timeout=180)
        return table(os.path.join(work, "out", "plain.xlsx"), True)


path = sys.argv[1]
result = {"sheets": openpyxl.load_workbook(path, read_only=True).sheetnames, "charts": charts(path),
          "formulas": table(path, False), "values": table(path, True)}
if "--recalc" in sys.argv:
    result["recalculated"] = recalculated(path, sys.argv[sys.argv.index("--recalc") + 1:])
json.dump(result, sys.stdout, ensure_ascii=False, default=str)
