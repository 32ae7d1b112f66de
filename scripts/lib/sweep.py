#!/usr/bin/python3
"""Helpers of the fault sweep: database copies with hostile names and awkward amounts, and the
checks that compare what the host printed and exported with what the database itself says.

  sweep.py hostile-sqlite SRC DST        copy SRC with hostile unit names
  sweep.py amounts-sqlite SRC DST        copy SRC with NULL, negative, zero, half-cent and huge amounts
  sweep.py many-groups-sqlite DB         every budget row its own unit: one result row each
  sweep.py hostile-sql / amounts-sql     the same changes as SQL for PostgreSQL (stdout)
  sweep.py check-sheet SHEET.txt TRACE DB|--pg CONNARGS   rows and total against the database's sums
  sweep.py check-xls FILE.xls SHEET.txt  the exported cells equal the printed sheet
  sweep.py check-forms DIR TRACE DB|--pg CONNARGS   every output form of one report (files in DIR)
  sweep.py drill-target SHEET.txt        the running number and amount of a row whose name holds a line feed
  sweep.py whole-file FILE               exits 0 when FILE is a complete .xls, .xlsx, .csv or .pdf
  sweep.py markup-sqlite SRC DST         copy SRC with unit names of markup, controls and emoji
  sweep.py bytes-sqlite SRC DST          copy SRC with a fund code that is not valid UTF-8
  sweep.py huge-sqlite SRC DST           copy SRC with sums beyond a double's exact cents
  sweep.py check-svg FILE                exits 0 when FILE is well-formed and shows the markup names as text
  sweep.py same-xlsx A B                 exits 0 when the workbooks' parts are equal (creation time aside)
  sweep.py hold-lock DB SECONDS          keeps an exclusive write lock on a SQLite file
  sweep.py hold-open FILE SECONDS        keeps a file open
"""
import decimal
import sqlite3
import subprocess
import sys
import time

HOSTILE = ["O'Brien \"单位\"", "100% _下划线_", "反斜杠\\\\path\\", "名" * 32767, "NUL\x00在名中", "'; drop table pubdept; --",
           "=HYPERLINK(\"http://example.invalid\",\"点我\")", "+1+1", "-2+3", "@SUM(1)", "1,234.56", "制表\t符",
           "换\n行", "回车\r符", "\x1b]0;title\x07\x1b[31m红字\x1b[0m", "\u202eevil\u202c", "\x9b31m C1"]
# What a terminal must never be handed raw: C0 controls but tab and line feed, DEL, C1, bidi controls.
TERMINAL_CONTROLS = set(chr(c) for c in range(0x20) if c not in (9, 10)) | {"\x7f"} | set(chr(c) for c in range(0x80, 0xa0)) \
    | set(chr(c) for c in range(0x202a, 0x202f)) | set(chr(c) for c in range(0x2066, 0x206a))
FORMULA_STARTS = ("=", "+", "-", "@", "\t", "\r")
AMOUNTS = {1: None, 2: "-123.45", 3: "0", 4: "0.005", 5: "9999999999999.99", 6: "-0.005"}


# The k-th unit with budget rows of the year and type the host reports by default: each hostile name goes
# to a unit of its own, one the report shows.
UNIT_K = ("(select eid from (select distinct eid from BusiBudgetAdj where datayear=2010 and btype='0') u "
          "order by eid limit 1 offset %d)")


def hostile_statements():
    """As SQL text, for PostgreSQL: its texts cannot hold NUL (that name is left out there) and its
    unit names are held to the column's 100 characters."""
    return ["update pubdept set EName=%s where Eid=%s" % (quote(name[:100]), UNIT_K % k)
            for k, name in enumerate(HOSTILE) if "\x00" not in name]


def apply_hostile_sqlite(db, names=HOSTILE):
    con = sqlite3.connect(db)
    for k, name in enumerate(names):
        con.execute("update pubdept set EName=? where Eid=" + UNIT_K % k, (name,))
    con.commit()
    con.close()


MARKUP = ["<b>粗</b>", "<font color=red size=7>红</font>", "<a href=\"http://x\">点</a>",
          "<img src=\"file:///etc/hostname\">", "A & B &amp; C", "ESC\x1b[31m", "\x01一", "\ufffe二",
          "A\x00B\x00C", "\U0001F600" * 16384]


def check_svg(name):
    import xml.etree.ElementTree as ET
    text = "".join("".join(e.itertext()) for e in ET.parse(name).getroot().iter())
    text = "".join(text.split())
    for shown in ("<b>粗</b>", "<imgsrc=\"file:///etc/hostname\">", "A&B&amp;C"):
        if shown not in text:
            sys.exit("the chart does not show %r as written" % shown)
    print("well-formed, names shown as written")


def same_xlsx(a, b):
    import zipfile
    za, zb = zipfile.ZipFile(a), zipfile.ZipFile(b)
    parts = sorted(n for n in za.namelist() if n != "docProps/core.xml")
    if parts != sorted(n for n in zb.namelist() if n != "docProps/core.xml"):
        sys.exit("the workbooks have different parts")
    for n in parts:
        if za.read(n) != zb.read(n):
            sys.exit("%s differs" % n)


def quote(text):
    return "'" + text.replace("'", "''") + "'"


def copy(src, dst):
    with open(src, "rb") as f, open(dst, "wb") as g:
        g.write(f.read())


def apply_sqlite(db, statements):
    con = sqlite3.connect(db)
    for s in statements:
        con.execute(s)
    con.commit()
    con.close()


def amounts_view_sql(pg):
    """The budget view again, with its amount taken from sweep_amounts."""
    con_sql = ("select a.id, a.datayear, a.eid, d.EName as ename, a.bkid, a.btype, a.btypechild, a.issecret, a.mid, "
               "m.MName as mname, a.ipid, ip.IPName as ipname, a.pid, p.PName as pname, a.bid, s.BName as bname, "
               "a.iid, i.IName as iname, x.amount as budgmoney from BusiBudgetAdj a "
               "join sweep_amounts x on x.id=a.id "
               "left join pubdept d on d.Eid=a.eid left join pubmoneykind m on m.Mid=a.mid "
               "left join pubincomepay ip on ip.IPid=a.ipid left join pubpaykind p on p.Pid=a.pid "
               "left join pubsubject s on s.datayear=a.datayear and s.Bid=a.bid left join pubitem i on i.Iid=a.iid")
    return ["drop view vwBudgetAdj", "create view vwBudgetAdj as " + con_sql]


def many_groups_statements():
    """Every budget row its own unit code, so that grouping by unit gives one result row each."""
    view = ("select a.id, a.datayear, a.eid || '.' || a.id as eid, 'U' || a.id as ename, a.bkid, a.btype, "
            "a.btypechild, a.issecret, a.mid, '' as mname, a.ipid, '' as ipname, a.pid, '' as pname, a.bid, "
            "'' as bname, a.iid, '' as iname, a.budgmoney from BusiBudgetAdj a")
    return ["drop view vwBudgetAdj", "create view vwBudgetAdj as " + view]


def amounts_statements(pg):
    cases = " ".join("when %d then %s" % (i, "null" if v is None else ("cast(%s as numeric(18,2))" % v if pg else v))
                     for i, v in AMOUNTS.items())
    return ["create table sweep_amounts as select id, case id %s else budgmoney end as amount from BusiBudgetAdj"
            % cases, "create unique index ix_sweep_amounts on sweep_amounts (id)"] + amounts_view_sql(pg)


def db_amounts(trace, db, pg_args):
    """The sumMoney column of the report's own statement, as the database gives it."""
    sql = [l for l in open(trace, encoding="utf-8").read().split("\n") if "sum(budgmoney)" in l][-1]
    if pg_args:
        # Names may hold tabs and line feeds: fields and records are separated by the ASCII unit and
        # record separators instead.
        out = subprocess.run(["psql", "-X", "-A", "-F", "\x1f", "-R", "\x1e", "-P", "footer=off", "-c", sql] + pg_args,
                             capture_output=True, text=True, check=True).stdout
        lines = out.strip("\n\x1e").split("\x1e")
        column = [h.lower() for h in lines[0].split("\x1f")].index("summoney")
        return [line.split("\x1f")[column] for line in lines[1:]]
    con = sqlite3.connect("file:%s?mode=ro" % db, uri=True)
    cur = con.execute(sql)
    column = [d[0].lower() for d in cur.description].index("summoney")
    # SQLite keeps the amounts as binary doubles: its sums are read as decimals of 15 significant
    # digits, as the report reads them.
    return ["" if row[column] is None else format(row[column], ".15g") for row in cur]


def to_cents(value):
    return decimal.Decimal(value).quantize(decimal.Decimal("0.01"), decimal.ROUND_HALF_UP)


def unescape(cell):
    """A cell of --print-sheet or --format tsv as the sheet holds it."""
    out, i = [], 0
    while i < len(cell):
        if cell[i] == "\\" and i + 1 < len(cell):
            out.append({"t": "\t", "n": "\n", "r": "\r", "0": "\x00", "\\": "\\"}.get(cell[i + 1], cell[i + 1]))
            i += 2
        else:
            out.append(cell[i])
            i += 1
    return "".join(out)


def sheet_rows(sheet_file):
    """The sheet printed by --print-sheet: one line per row, cells unescaped."""
    text = open(sheet_file, encoding="utf-8", newline="").read()
    assert "\r" not in text, "a raw carriage return in the printed sheet"
    return [[unescape(c) for c in line.split("\t")] for line in text.split("\n")[:-1]]


def check_sheet(sheet_file, trace, db, pg_args):
    lines = sheet_rows(sheet_file)
    rows = [l for l in lines if l[0].strip().isdigit()]
    total_line = [l for l in lines if l[0] == "合  计"]
    amounts = db_amounts(trace, db, pg_args)
    assert len(rows) == len(amounts), "sheet has %d rows, database %d" % (len(rows), len(amounts))
    want_total = decimal.Decimal(0)
    for sheet_row, amount in zip(rows, amounts):
        want = to_cents(amount) if amount else decimal.Decimal("0.00")
        got = to_cents(sheet_row[-1].replace(",", "")) if sheet_row[-1].strip() else decimal.Decimal("0.00")
        assert got == want, "row %s: sheet %s, database %s" % (sheet_row[0], sheet_row[-1], amount)
        want_total += decimal.Decimal(amount) if amount else 0
    got_total = to_cents(total_line[-1][-1].replace(",", ""))
    assert got_total == to_cents(want_total), "total %s, database %s" % (got_total, want_total)
    print("rows %d, total %s as the database sums them" % (len(rows), got_total))


def check_xls(xls, sheet_file):
    import xlrd
    book = xlrd.open_workbook(xls, formatting_info=True)
    sh = book.sheet_by_index(0)
    lines = sheet_rows(sheet_file)
    texts = set()
    for r in range(sh.nrows):
        for c in range(sh.ncols):
            v = sh.cell_value(r, c)
            if isinstance(v, str) and v:
                texts.add(v)
    missing = [cell for line in lines for cell in line
               if cell and not cell.replace(",", "").replace(".", "").replace("-", "").isdigit() and cell not in texts]
    assert not missing, "texts of the sheet not in the workbook: %r" % [m[:40] for m in missing[:5]]
    print("xls %d rows, every text of the sheet present" % sh.nrows)


def no_terminal_controls(name, text):
    bad = sorted(set(text) & TERMINAL_CONTROLS)
    assert not bad, "%s hands the terminal %r" % (name, bad[:5])


def defused(name, cells, amount_column):
    """No text cell of a CSV-like output starts like a formula; amounts are numbers."""
    for row in cells:
        for i, cell in enumerate(row):
            if i != amount_column % len(row) and cell.startswith(FORMULA_STARTS):
                raise AssertionError("%s: a text cell starts like a formula: %r" % (name, cell[:40]))


def check_forms(folder, trace, db, pg_args):
    import csv
    import json
    import zipfile
    import openpyxl
    import xlrd
    want = len(db_amounts(trace, db, pg_args))
    f = lambda name: folder + "/" + name
    for err in ("err1.txt", "err2.txt", "err3.txt", "err4.txt", "err5.txt"):
        no_terminal_controls("stderr (%s)" % err, open(f(err), encoding="utf-8", errors="replace").read())
    table = open(f("table.txt"), encoding="utf-8").read()
    no_terminal_controls("--format table", table)
    doc = json.load(open(f("fmt.json"), encoding="utf-8"))
    assert len(doc["rows"]) == want, "--format json has %d rows, database %d" % (len(doc["rows"]), want)
    assert all(isinstance(r[-1], (int, float)) for r in doc["rows"]), "--format json: an amount is not a number"
    names = {c for r in doc["rows"] for c in r if isinstance(c, str)}
    for hostile in HOSTILE[6:]:
        assert any(hostile in n for n in names), "--format json lost the name %r" % hostile[:30]
    tsv = [[unescape(c) for c in l.split("\t")] for l in open(f("fmt.tsv"), encoding="utf-8", newline="").read().split("\n")[:-1]]
    assert len(tsv) == want + 2, "--format tsv has %d lines for %d rows" % (len(tsv), want)
    defused("--format tsv", tsv[1:], -1)
    fcsv = list(csv.reader(open(f("fmt.csv"), encoding="utf-8", newline="")))
    assert len(fcsv) == want + 2, "--format csv has %d records for %d rows" % (len(fcsv), want)
    defused("--format csv", fcsv[1:], -1)
    ecsv = list(csv.reader(open(f("r.csv"), encoding="utf-8-sig", newline="")))
    numbered = [r for r in ecsv if r and r[0].isdigit()]
    assert len(numbered) == want, "the .csv export has %d result rows, database %d" % (len(numbered), want)
    defused(".csv export", numbered, -1)
    xml = zipfile.ZipFile(f("r.xlsx")).read("xl/worksheets/sheet1.xml").decode()
    assert "<f>" not in xml and "<f " not in xml, "the .xlsx holds a formula"
    ws = openpyxl.load_workbook(f("r.xlsx")).worksheets[0]
    xlsx_rows = [r for r in ws.iter_rows(values_only=True) if isinstance(r[0], str) and r[0].isdigit()]
    assert len(xlsx_rows) == want, "the .xlsx has %d result rows" % len(xlsx_rows)
    assert all(isinstance(c, str) for r in xlsx_rows for c in r[1:13] if c is not None), "a name became a number in .xlsx"
    sh = xlrd.open_workbook(f("r.xls")).sheet_by_index(0)
    xls_rows = [r for r in range(sh.nrows) if str(sh.cell_value(r, 0)).isdigit()]
    assert len(xls_rows) == want, "the .xls has %d result rows" % len(xls_rows)
    assert all(sh.cell_type(r, c) in (0, 1) for r in xls_rows for c in range(1, 13)), "a name became a number in .xls"
    print("%d rows in every form; names stay texts, none starts a formula, no control reaches the terminal" % want)


def whole_file(name):
    try:
        if name.endswith(".xlsx"):
            import openpyxl
            openpyxl.load_workbook(name)
        elif name.endswith(".xls"):
            import xlrd
            xlrd.open_workbook(name)
        elif name.endswith(".csv"):
            data = open(name, "rb").read()
            assert data.startswith(b"\xef\xbb\xbf") and data.endswith(b"\r\n")
        else:
            assert open(name, "rb").read().rstrip().endswith(b"%%EOF")
    except Exception:
        return 1
    return 0


def main(argv):
    cmd = argv[1]
    if cmd == "hostile-sqlite":
        copy(argv[2], argv[3]); apply_hostile_sqlite(argv[3])
    elif cmd == "many-groups-sqlite":
        apply_sqlite(argv[2], many_groups_statements())
    elif cmd == "amounts-sqlite":
        copy(argv[2], argv[3]); apply_sqlite(argv[3], amounts_statements(False))
    elif cmd == "hostile-sql":
        print(";\n".join(hostile_statements()) + ";")
    elif cmd == "amounts-sql":
        print(";\n".join(amounts_statements(True)) + ";")
    elif cmd == "check-sheet":
        pg = argv[5:] if argv[4] == "--pg" else None
        check_sheet(argv[2], argv[3], None if pg else argv[4], pg)
    elif cmd == "check-forms":
        pg = argv[5:] if argv[4] == "--pg" else None
        check_forms(argv[2], argv[3], None if pg else argv[4], pg)
    elif cmd == "drill-target":
        row = [r for r in sheet_rows(argv[2]) if r[0].isdigit() and any("\n" in c for c in r)][0]
        print(row[0], row[-1])
    elif cmd == "check-xls":
        check_xls(argv[2], argv[3])
    elif cmd == "whole-file":
        sys.exit(whole_file(argv[2]))
    elif cmd == "markup-sqlite":
        copy(argv[2], argv[3]); apply_hostile_sqlite(argv[3], MARKUP)
        # The units with markup names among the largest, so that the chart draws them.
        apply_sqlite(argv[3], ["update BusiBudgetAdj set budgmoney=budgmoney*1000 where eid=" + UNIT_K % k
                               for k in (0, 3, 4)])
    elif cmd == "bytes-sqlite":
        copy(argv[2], argv[3])
        apply_sqlite(argv[3], ["update BusiBudgetAdj set mid=CAST(X'31C328FF' AS TEXT) where mid='11'",
                               "update pubmoneykind set Mid=CAST(X'31C328FF' AS TEXT) where Mid='11'"])
    elif cmd == "huge-sqlite":
        copy(argv[2], argv[3])
        # Not whole numbers, so that the sum is a double (whole ones would overflow SQLite's integers).
        apply_sqlite(argv[3], ["update BusiBudgetAdj set budgmoney=100000000000000.07 where eid=" + UNIT_K % 0])
    elif cmd == "check-svg":
        check_svg(argv[2])
    elif cmd == "same-xlsx":
        same_xlsx(argv[2], argv[3])
    elif cmd == "hold-lock":
        con = sqlite3.connect(argv[2], isolation_level=None)
        con.execute("begin exclusive")
        time.sleep(float(argv[3]))
    elif cmd == "hold-open":
        with open(argv[2], "rb"):
            time.sleep(float(argv[3]))
    else:
        sys.exit("unknown command " + cmd)


if __name__ == "__main__":
    main(sys.argv)
