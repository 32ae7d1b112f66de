#!/usr/bin/python3
"""Reads an exported .xlsx workbook with openpyxl and prints, as JSON, what the tests check, in
the same shape and units as read_xls.py prints them for an .xls workbook.

Usage: read_xlsx.py FILE [--cells]
"""
import json
import sys

import openpyxl
from openpyxl.utils import column_index_from_string

H_ALIGN = {"left": 1, "center": 2, "right": 3}
V_ALIGN = {"top": 0, "center": 1, "bottom": 2, None: 2}
LINE = {None: 0, "thin": 1}


def TitleColumns(cols):
    """"A:C" as "1:3", as read_xls.py reports it; empty when none."""
    if not cols:
        return ""
    first, last = cols.replace("$", "").split(":")
    return f"{column_index_from_string(first)}:{column_index_from_string(last)}"


def cell_info(cell):
    if cell.value is None:
        kind = "blank"
    elif isinstance(cell.value, (int, float)):
        kind = "number"
    else:
        kind = "text"
    b = cell.border
    return {
        "type": kind,
        "value": "" if cell.value is None else cell.value,
        "format": cell.number_format,
        "h": H_ALIGN.get(cell.alignment.horizontal, 0),
        "v": V_ALIGN.get(cell.alignment.vertical, 2),
        "wrap": bool(cell.alignment.wrap_text),
        "filled": cell.fill.fill_type == "solid" and str(cell.fill.fgColor.rgb).endswith("FFFFCC"),
        "borders": [LINE.get(s.style, 9) for s in (b.left, b.top, b.right, b.bottom)],
        "bold": bool(cell.font.b),
        "font": cell.font.name,
        "height": round(cell.font.sz * 20),
    }


def footer_text(sheet):
    parts = []
    for code, part in (("&L", sheet.oddFooter.left), ("&C", sheet.oddFooter.center),
                       ("&R", sheet.oddFooter.right)):
        if part.text:
            parts.append(code + part.text)
    return "".join(parts)


def main():
    path = sys.argv[1]
    book = openpyxl.load_workbook(path)
    sheet = book.worksheets[0]
    titles = (sheet.print_title_rows or "").replace("$", "")
    out = {
        "sheets": len(book.worksheets),
        "name": sheet.title,
        "nrows": sheet.max_row,
        "ncols": sheet.max_column,
        "merged": sorted([[m.min_row - 1, m.max_row, m.min_col - 1, m.max_col]
                          for m in sheet.merged_cells.ranges]),
        "colinfo": {str(openpyxl.utils.column_index_from_string(k) - 1):
                    {"width": d.width, "hidden": bool(d.hidden)}
                    for k, d in sheet.column_dimensions.items()},
        "rowinfo": {str(k - 1): {"height": round((d.height or 0) * 20), "hidden": bool(d.hidden)}
                    for k, d in sheet.row_dimensions.items() if d.height is not None or d.hidden},
        "footer": footer_text(sheet),
        "landscape": sheet.page_setup.orientation == "landscape",
        "print_titles": titles,
        "print_title_columns": TitleColumns(sheet.print_title_cols),
        "paper": int(sheet.page_setup.paperSize or 0),
        "margins": [round(getattr(sheet.page_margins, side), 6) for side in ("left", "right", "top", "bottom")],
        "fit_width": int(sheet.page_setup.fitToWidth if sheet.page_setup.fitToWidth is not None else 1),
        "fit_height": int(sheet.page_setup.fitToHeight if sheet.page_setup.fitToHeight is not None else 1),
        "fit_to_page": bool(sheet.sheet_properties.pageSetUpPr is not None
                            and sheet.sheet_properties.pageSetUpPr.fitToPage),
        "standard_font": [book._fonts[0].name, round(book._fonts[0].sz * 20)],
    }
    if "--cells" in sys.argv:
        out["cells"] = {f"{c.row},{c.column}": cell_info(c)
                        for row in sheet.iter_rows() for c in row
                        if c.value is not None or c.has_style}
    json.dump(out, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main()
