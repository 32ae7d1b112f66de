#!/usr/bin/python3
"""Reads an exported workbook with xlrd and prints what the tests check, as JSON.

Usage: read_xls.py FILE [--cells] : sheet size, merges, column and row info, fonts and formats;
with --cells also every cell (type, value, format string, alignment, borders, bold).
"""
import json
import struct
import sys

import xlrd
from xlrd import compdoc


def cell_info(book, sheet, r, c):
    cell = sheet.cell(r, c)
    xf = book.xf_list[cell.xf_index]
    font = book.font_list[xf.font_index]
    fmt = book.format_map[xf.format_key].format_str
    b = xf.border
    return {
        "type": {xlrd.XL_CELL_TEXT: "text", xlrd.XL_CELL_NUMBER: "number",
                 xlrd.XL_CELL_BLANK: "blank", xlrd.XL_CELL_EMPTY: "empty"}.get(cell.ctype, str(cell.ctype)),
        "value": cell.value,
        "format": fmt,
        "h": xf.alignment.hor_align,
        "v": xf.alignment.vert_align,
        "wrap": bool(xf.alignment.text_wrapped),
        "filled": xf.background.fill_pattern == 1
        and book.colour_map.get(xf.background.pattern_colour_index) == (255, 255, 204),
        "borders": [b.left_line_style, b.top_line_style, b.right_line_style, b.bottom_line_style],
        "bold": bool(font.bold),
        "font": font.name,
        "height": font.height,
    }


def records(stream):
    """Every record of the workbook stream as (position, id, data), up to the last EOF."""
    pos = 0
    while pos + 4 <= len(stream):
        rid, size = struct.unpack_from("<HH", stream, pos)
        if rid == 0 and size == 0:
            break  # padding after the last record
        yield pos, rid, stream[pos + 4:pos + 4 + size]
        pos += 4 + size


def stream_facts(path):
    """What xlrd does not report: record sizes, CONTINUE records, the EXTSST index, the footer and
    the page orientation."""
    with open(path, "rb") as f:
        stream = compdoc.CompDoc(f.read()).get_named_stream("Workbook")
    recs = list(records(stream))
    starts = {pos: rid for pos, rid, _ in recs}
    facts = {"max_record": max(len(d) for _, _, d in recs), "continues": 0,
             "extsst_ok": True, "footer": "", "landscape": False}
    for pos, rid, data in recs:
        if rid == 0x003C:
            facts["continues"] += 1
        elif rid == 0x00FF:  # EXTSST: each bucket names a string start and its record
            for k in range(2, len(data), 8):
                ib, cb = struct.unpack_from("<IH", data, k)
                if starts.get(ib - cb) not in (0x00FC, 0x003C):
                    facts["extsst_ok"] = False
        elif rid == 0x0015 and data:
            cch, flags = struct.unpack_from("<HB", data, 0)
            raw = data[3:3 + cch * (2 if flags & 1 else 1)]
            facts["footer"] = raw.decode("utf-16-le" if flags & 1 else "latin-1")
        elif rid == 0x00A1:  # SETUP: paper, scale, first page, fit width and height, options
            paper, _, _, fit_width, fit_height, options = struct.unpack_from("<6H", data, 0)
            facts["landscape"] = not (options & 2)
            facts.update(paper=paper, fit_width=fit_width, fit_height=fit_height)
        elif rid == 0x0081:  # WSBOOL: bit 8 fits the printout to the SETUP's pages
            facts["fit_to_page"] = bool(struct.unpack_from("<H", data, 0)[0] & 0x0100)
        elif 0x0026 <= rid <= 0x0029:  # left, right, top, bottom margins in inches
            facts.setdefault("margins", [0.0] * 4)[rid - 0x0026] = round(struct.unpack_from("<d", data, 0)[0], 6)
    return facts


def main():
    path = sys.argv[1]
    with_cells = "--cells" in sys.argv
    book = xlrd.open_workbook(path, formatting_info=True)
    sheet = book.sheet_by_index(0)
    out = {
        "sheets": book.nsheets,
        "name": sheet.name,
        "nrows": sheet.nrows,
        "ncols": sheet.ncols,
        "merged": sorted([list(m) for m in sheet.merged_cells]),
        "colinfo": {str(k): {"width": v.width, "hidden": bool(v.hidden)}
                    for k, v in sheet.colinfo_map.items()},
        "rowinfo": {str(k): {"height": v.height, "hidden": bool(v.hidden)}
                    for k, v in sheet.rowinfo_map.items()},
        "standard_font": [book.font_list[0].name, book.font_list[0].height],
    }
    out["print_titles"] = out["print_title_columns"] = ""
    for name in book.name_obj_list:
        if name.name == "Print_Titles" and name.result is not None:
            for area in name.result.value:  # rows across every column, columns down every row
                _, _, rlo, rhi, clo, chi = area.coords
                if (clo, chi) == (0, 256):
                    out["print_titles"] = f"{rlo + 1}:{rhi}"
                elif (rlo, rhi) == (0, 65536):
                    out["print_title_columns"] = f"{clo + 1}:{chi}"
    out.update(stream_facts(path))
    if with_cells:
        out["cells"] = {f"{r + 1},{c + 1}": cell_info(book, sheet, r, c)
                        for r in range(sheet.nrows) for c in range(sheet.ncols)
                        if sheet.cell_type(r, c) != xlrd.XL_CELL_EMPTY}
    json.dump(out, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main()
