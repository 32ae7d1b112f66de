#!/usr/bin/python3
"""Prints, as JSON, an exported workbook's sheet names, its charts (bar grouping and the series'
<c:f> references) and its chart sheet's table, as formulas and as the values stored with them.

Usage: read_xlsx_chart.py FILE [--recalc CELL=NUMBER ...]
--recalc: the table also as LibreOffice ("recalculated") and Gnumeric ("recalculated_gnumeric"),
where installed, calculate it afresh after the given number cells of the first sheet were changed
and the chart sheet's stored results dropped.
"""
import json, os, re, shutil, subprocess, sys, tempfile, zipfile
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


def value(cell):
    # An array formula is read as its formula's text.
    return getattr(cell.value, "text", cell.value)


def table(path, data_only):
    book = openpyxl.load_workbook(path, data_only=data_only)
    sheets = book.worksheets[1:2]
    return [[value(c) for c in row] for s in sheets for row in s.iter_rows()]


def edited_copy(path, changes, out):
    """The workbook with the first sheet's number cells changed and the chart sheet's stored
    results dropped, its formulas kept as written (array formulas stay array formulas)."""
    with zipfile.ZipFile(path) as src, zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as dst:
        for item in src.infolist():
            data = src.read(item.filename)
            if item.filename == "xl/worksheets/sheet1.xml":
                text = data.decode()
                for cell, value in (c.split("=", 1) for c in changes):
                    text, n = re.subn(r'(<c r="%s"[^>]*>)<v>[^<]*</v>' % cell, r"\g<1><v>%s</v>" % value, text)
                    assert n == 1, cell
                data = text.encode()
            elif item.filename == "xl/worksheets/sheet2.xml":
                data = re.sub(r"(</f>)<v>[^<]*</v>", r"\1", data.decode()).encode()
            dst.writestr(item, data)


def recalculated(path, changes, program):
    with tempfile.TemporaryDirectory() as work:
        plain = os.path.join(work, "plain.xlsx")
        edited_copy(path, changes, plain)
        out = os.path.join(work, "out", "plain.xlsx")
        os.makedirs(os.path.dirname(out))
        if program == "soffice":
            command = ["soffice", "--headless", "-env:UserInstallation=file://" + work + "/profile", "--convert-to",
                       "xlsx", "--outdir", os.path.dirname(out), plain]
        else:
            command = ["ssconvert", "--recalc", plain, out]
        subprocess.run(command, check=True, capture_output=True, timeout=180)
        return table(out, True)


def chart_page(path):
    """The chart sheet's printing: pages it fits to, its footer and its columns' widths."""
    sheet = openpyxl.load_workbook(path).worksheets[1]
    setup = sheet.page_setup
    widths = [sheet.column_dimensions[c].width for c in "ABCDEFGH" if c in sheet.column_dimensions]
    fit = [1 if n is None else n for n in (setup.fitToWidth, setup.fitToHeight)]  # 1 when not written
    return {"fit": fit, "fit_to_page": sheet.sheet_properties.pageSetUpPr.fitToPage,
            "footer": sheet.oddFooter.right.text or sheet.oddFooter.center.text, "widths": widths}


path = sys.argv[1]
result = {"sheets": openpyxl.load_workbook(path, read_only=True).sheetnames, "charts": charts(path),
          "formulas": table(path, False), "values": table(path, True)}
if len(result["sheets"]) > 1:
    result["chart_page"] = chart_page(path)
if "--recalc" in sys.argv:
    changes = sys.argv[sys.argv.index("--recalc") + 1:]
    for program, key in (("soffice", "recalculated"), ("ssconvert", "recalculated_gnumeric")):
        if shutil.which(program):
            result[key] = recalculated(path, changes, program)
json.dump(result, sys.stdout, ensure_ascii=False, default=str)
