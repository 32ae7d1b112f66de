#!/usr/bin/python3
"""Helpers of the fault sweep: database copies with hostile names and awkward amounts, and the
checks that compare what the host printed and exported with what the database itself says.

  sweep.py hostile-sqlite SRC DST        copy SRC with hostile unit names
  sweep.py amounts-sqlite SRC DST        copy SRC with NULL, negative, zero, half-cent and huge amounts
  sweep.py many-groups-sqlite DB         every budget row its own unit: one result row each
  sweep.py hostile-sql / amounts-sql     the same changes as SQL for PostgreSQL (stdout)
  sweep.py check-sheet SHEET.txt TRACE DB|--pg CONNARGS   rows and total against the database's sums
  sweep.py check-xls FILE.xls SHEET.txt  the exported cells equal the printed sheet
  sweep.py hold-lock DB SECONDS          keeps an exclusive write lock on a SQLite file
  sweep.py hold-open FILE SECONDS        keeps a file open
"""
import decimal
import sqlite3
import subprocess
import sys
import time

HOSTILE = ["O'Brien \"单位\"", "100% _下划线_", "反斜杠\\\\path\\", "名" * 32767, "NUL\x00在名中", "'; drop table pubdept; --"]
AMOUNTS = {1: None, 2: "-123.45", 3: "0", 4: "0.005", 5: "9999999999999.99", 6: "-0.005"}


UNITS = ["001001", "001002", "001003", "001004", "001005", "001006"]


def hostile_statements():
    """As SQL text, for PostgreSQL: its texts cannot hold NUL (that name is left out there) and its
    unit names are held to the column's 100 characters."""
    return ["update pubdept set EName=%s where Eid='%s'" % (quote(name[:100]), unit)
            for unit, name in zip(UNITS, HOSTILE) if "\x00" not in name]


def apply_hostile_sqlite(db):
    con = sqlite3.connect(db)
    for unit, name in zip(UNITS, HOSTILE):
        con.execute("update pubdept set EName=? where Eid=?", (name, unit))
    con.commit()
    con.close()


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
        out = subprocess.run(["psql", "-X", "-A", "-F", "\t", "-P", "footer=off", "-c", sql] + pg_args,
                             capture_output=True, text=True, check=True).stdout
        lines = out.strip("\n").split("\n")
        column = [h.lower() for h in lines[0].split("\t")].index("summoney")
        return [line.split("\t")[column] for line in lines[1:]]
    con = sqlite3.connect("file:%s?mode=ro" % db, uri=True)
    cur = con.execute(sql)
    column = [d[0].lower() for d in cur.description].index("summoney")
    # SQLite keeps the amounts as binary doubles: its sums are read as decimals of 15 significant
    # digits, as the report reads them.
    return ["" if row[column] is None else format(row[column], ".15g") for row in cur]


def to_cents(value):
    return decimal.Decimal(value).quantize(decimal.Decimal("0.01"), decimal.ROUND_HALF_UP)


def check_sheet(sheet_file, trace, db, pg_args):
    lines = open(sheet_file, encoding="utf-8").read().split("\n")
    rows = [l.split("\t") for l in lines if l.split("\t")[0].strip().isdigit()]
    total_line = [l.split("\t") for l in lines if l.startswith("合  计")]
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
    lines = [l for l in open(sheet_file, encoding="utf-8").read().split("\n") if l and not l.startswith("budget-host:")]
    texts = set()
    for r in range(sh.nrows):
        for c in range(sh.ncols):
            v = sh.cell_value(r, c)
            if isinstance(v, str) and v:
                texts.add(v)
    missing = [cell for line in lines for cell in line.split("\t")
               if cell and not cell.replace(",", "").replace(".", "").replace("-", "").isdigit() and cell not in texts]
    assert not missing, "texts of the sheet not in the workbook: %r" % [m[:40] for m in missing[:5]]
    print("xls %d rows, every text of the sheet present" % sh.nrows)


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
    elif cmd == "check-xls":
        check_xls(argv[2], argv[3])
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
