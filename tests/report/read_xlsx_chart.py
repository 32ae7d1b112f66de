#!/usr/bin/python3
"""Reads the chart worksheet of an exported .xlsx workbook and prints, as JSON: the sheet names,
each chart's bar direction and grouping and its series' references (<c:f> of name, categories,
values), and the chart sheet's table as formulas and as the values stored with them.

Usage: read_xlsx_chart.py FILE [--recalc [CELL=NUMBER ...]]
With --recalc the workbook is read after LibreOffice has calculated it afresh: its stored values are
dropped (openpyxl writes none), the given cells of the first sheet are changed first, and the table
is read as LibreOffice writes it back.
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

import openpyxl

C = "{http://schemas.openxmlformats.org/drawingml/2006/chart}"


def charts(path):
    import xml.etree.ElementTree as ET
    out = []
    with zipfile.ZipFile(path) as z:
        for name in sorted(n for n in z.namelist() if re.match(r"xl/charts/chart\d+\.xml$", n)):
            root = ET.fromstring(z.read(name))
            bar = root.find(f".//{C}barChart")
            chart = {"part": name, "barDir": None, "grouping": None, "series": []}
            if bar is not None:
                chart["barDir"] = bar.find(f"{C}barDir").get("val")
                chart["grouping"] = bar.find(f"{C}grouping").get("val")
            for ser in root.iter(f"{C}ser"):
                refs = {}
                for part in ("tx", "cat", "val"):
                    f = ser.find(f"{C}{part}//{C}f")
                    refs[part] = f.text if f is not None else None
                chart["series"].append(refs)
            out.append(chart)
    return out


def table(path, data_only):
    book = openpyxl.load_workbook(path, data_only=data_only)
    if len(book.sheetnames) < 2:
        return []
    return [[c.value for c in row] for row in book.worksheets[1].iter_rows()]


def recalculated(path, changes):
    work = tempfile.mkdtemp()
    try:
        book = openpyxl.load_workbook(path)
        for change in changes:
            cell, value = change.split("=", 1)
            book.worksheets[0][cell] = float(value)
        plain = os.path.join(work, "plain.xlsx")
        book.save(plain)
        out = os.path.join(work, "out")
        subprocess.run(["soffice", "--headless", "-env:UserInstallation=file://" + work + "/profile",
                        "--convert-to", "xlsx", "--outdir", out, plain],
                       check=True, capture_output=True, timeout=180)
        return table(os.path.join(out, "plain.xlsx"), True)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    path = sys.argv[1]
    result = {
        "sheets": openpyxl.load_workbook(path, read_only=True).sheetnames,
        "charts": charts(path),
        "formulas": table(path, False),
        "values": table(path, True),
    }
    if "--recalc" in sys.argv:
        result["recalculated"] = recalculated(path, sys.argv[sys.argv.index("--recalc") + 1:])
    json.dump(result, sys.stdout, ensure_ascii=False, default=str)


main()
