# Sections of the fault sweep for the edges of what the host writes and reads: the user's locale,
# markup and control characters in names, codes that are no valid text, amounts beyond a double's
# cents, oversized templates, memory that runs out, the umask, links planted in shared folders and
# signals during an export. Sourced by scripts/fault-sweep, which defines check, record, outcome,
# host_run and the folders.

# The same report written under C and under a locale whose decimal mark is a comma.
edges_locale() {
  local g="Every file under a comma-decimal locale: the same as under C"
  local loc="$WORK/locales" d="$WORK/locale"
  mkdir -p "$loc" "$d/c" "$d/de"
  if ! localedef -i de_DE -f UTF-8 "$loc/de_DE.UTF-8" 2>/dev/null; then record "$g" 0 "localedef failed"; return; fi
  local which
  for which in c de; do
    local env=(LC_ALL=C)
    [ "$which" = de ] && env=(LOCPATH="$loc" LC_ALL=de_DE.UTF-8)
    for f in r.xlsx r.xls r.csv; do
      env "${env[@]}" timeout 180 "$HOST" --module "$MODULE" --templates "$ROOT/templates/" --batch --db "$SQLITE" \
        --group 预算单位,资金性质 --export "$d/$which/$f" --chart "$d/$which/c.svg" >"$OUT" 2>"$ERR"
      STATUS=$?
      outcome 0 || { record "$g" 0 "$which $f: $NOTE"; return; }
    done
  done
  "$PY" "$SWEEP" same-xlsx "$d/c/r.xlsx" "$d/de/r.xlsx" >"$OUT" 2>&1 && record "$g" 1 ".xlsx the same" \
    || record "$g" 0 ".xlsx: $(tail -n 1 "$OUT")"
  for f in r.xls r.csv c.svg; do
    cmp -s "$d/c/$f" "$d/de/$f" && record "$g" 1 "$f the same" || record "$g" 0 "$f differs"
  done
}

# Names that read as markup or hold characters a format forbids, in every picture and file.
edges_names() {
  local g="Markup and control characters in names: shown as written, every file well-formed"
  local db="$WORK/markup.sqlite" d="$WORK/markup"
  mkdir -p "$d"
  "$PY" "$SWEEP" markup-sqlite "$DEMO" "$db"
  local conn="Provider=SQLite;Data Source=$db;Mode=Read"
  check "$g" 0 --db "$conn" --group 预算单位 --level '<全部>' --chart "$d/c.svg" --export "$d/r.xlsx" --format tsv
  cp "$OUT" "$d/r.tsv"
  local msg
  msg="$("$PY" "$SWEEP" check-svg "$d/c.svg" 2>&1)" && record "$g" 1 "SVG: $msg" || record "$g" 0 "SVG: ${msg##*$'\n'}"
  "$PY" "$SWEEP" whole-file "$d/r.xlsx" && record "$g" 1 ".xlsx reads" || record "$g" 0 ".xlsx does not read"
  grep -qaP '\x00' "$d/r.tsv" && record "$g" 0 "--format tsv wrote a NUL" || record "$g" 1 "--format tsv: no raw NUL"
  check "$g" 0 --db "$conn" --group 预算单位 --level '<全部>' --format csv --export "$d/r.csv"
  cat "$OUT" "$d/r.csv" | grep -qaP '\x00' && record "$g" 0 "CSV wrote a NUL" || record "$g" 1 "CSV: no raw NUL"
  # The name of 16,384 emoji is cut at the cell limit between characters, never inside one.
  host_run --db "$conn" --group 预算单位 --level '<全部>' --format json
  if outcome 0 && "$PY" -c "
import json, sys
rows = json.load(open(sys.argv[1], encoding='utf-8'))['rows']
cut = [c for r in rows for c in (r.values() if isinstance(r, dict) else r) if isinstance(c, str) and c.startswith('\U0001F600')]
assert cut and all(len(c.encode('utf-16-le')) // 2 <= 32767 for c in cut)
" "$OUT" 2>/dev/null; then record "$g" 1 "JSON: the long name is cut between characters"
  else record "$g" 0 "JSON: the long name is cut inside a character ($NOTE)"; fi

  g="A code that is not valid UTF-8: its drill-down says so, never a false change"
  "$PY" "$SWEEP" bytes-sqlite "$DEMO" "$WORK/bytes.sqlite"
  local n
  n="$(timeout 180 "$HOST" --module "$MODULE" --templates "$ROOT/templates/" --batch --db "Provider=SQLite;Data Source=$WORK/bytes.sqlite;Mode=Read" \
    --group 资金性质 --format tsv 2>/dev/null | grep -a $'\t1\xef\xbf\xbd' | head -n 1 | cut -f1)"
  check "$g" 1 --db "Provider=SQLite;Data Source=$WORK/bytes.sqlite;Mode=Read" --group 资金性质 --drill "${n:-3}"
  grep -q '无法识别的字符' "$ERR" && ! grep -q '有变动' "$ERR" && record "$g" 1 "the drill-down says the code cannot be matched" \
    || record "$g" 0 "no plain word about the code: $(tail -n 1 "$ERR" | cut -c1-80)"

  g="Sums beyond a double's exact cents: the sheet says so"
  "$PY" "$SWEEP" huge-sqlite "$DEMO" "$WORK/huge.sqlite"
  check "$g" 0 --db "Provider=SQLite;Data Source=$WORK/huge.sqlite;Mode=Read" --group 预算单位 --format tsv
  grep -q '金额超出精确范围' "$OUT" && record "$g" 1 "shown as 金额超出精确范围" || record "$g" 0 "cents that are not true were printed"
}

# A report template that asks to format a whole sheet of the largest size.
edges_template() {
  local g="An oversized report template: refused at once"
  local t="$WORK/bigtemplate"
  mkdir -p "$t"
  cp "$ROOT"/templates/*.cll "$t/"
  local f
  for f in "$t"/*.cll; do
    "$PY" -c "
import json, sys
d = json.load(open(sys.argv[1], encoding='utf-8'))
d['columns'], d['rows'] = 1024, 65536
d['gridLines'] = d.get('gridLines', []) + [[1, 1, 1024, 65536]] * 3
json.dump(d, open(sys.argv[1], 'w', encoding='utf-8'))
" "$f"
  done
  local start=$SECONDS
  timeout 180 "$HOST" --module "$MODULE" --templates "$t/" --batch --db "$SQLITE" --group 预算单位 --timeout 20 >"$OUT" 2>"$ERR"
  STATUS=$?
  if outcome 1 && grep -q '模板' "$ERR" && [ $((SECONDS - start)) -lt 60 ]; then record "$g" 1 "$NOTE"
  else record "$g" 0 "$NOTE after $((SECONDS - start)) s"; fi
}

# The release build under an address-space limit (the sanitizers need more address space than any
# limit leaves): every run ends with a status and a reason, never an abort or a crash.
edges_memory() {
  local g="Memory that runs out (ulimit -v): status 0 or 1 with a reason, never a crash"
  local rel="$ROOT/build/host/budget-host" relmod="$ROOT/build/src/libauthpay.so"
  [ -x "$rel" ] && [ -f "$relmod" ] || { record "$g" 0 "no release build"; return; }
  local big="$WORK/mem.sqlite" gen="$ROOT/build/demo-gen" limit args
  ASAN_OPTIONS=detect_leaks=0 "$gen" --quiet --sqlite "$big" --rows 300000
  for limit in 350000 400000 450000 600000; do
    for args in "--group 预算单位,预算科目,项目 --level <全部> --export $WORK/mem.xlsx" "--group 预算单位 --drill 1 --format json"; do
      # shellcheck disable=SC2086
      (ulimit -v "$limit"; timeout 300 "$rel" --module "$relmod" --templates "$ROOT/templates/" --batch \
        --db "Provider=SQLite;Data Source=$big;Mode=Read" $args >/dev/null 2>"$ERR")
      STATUS=$?
      if [ "$STATUS" -eq 0 ] || { [ "$STATUS" -eq 1 ] && [ -s "$ERR" ]; }; then record "$g" 1 "$limit KiB: status $STATUS"
      else record "$g" 0 "$limit KiB, $args: status $STATUS $(tail -n 1 "$ERR" | cut -c1-60)"; fi
    done
  done
}

# New files honour the umask; a link another user planted in a shared folder is not followed.
edges_shared_places() {
  local g="New files follow the umask (077 gives 0600)"
  local d="$WORK/umask" f
  mkdir -p "$d"
  (umask 077; timeout 180 "$HOST" --module "$MODULE" --templates "$ROOT/templates/" --batch --db "$SQLITE" --group 预算单位 \
    --export "$d/r.xlsx" --pdf "$d/r.pdf" --chart "$d/c.svg" >"$OUT" 2>"$ERR")
  for f in r.xlsx r.pdf c.svg; do
    [ "$(stat -c %a "$d/$f" 2>/dev/null)" = 600 ] && record "$g" 1 "$f 0600" || record "$g" 0 "$f is $(stat -c %a "$d/$f" 2>&1)"
  done
  g="Links planted in a shared folder: refused, the linked file unchanged"
  local shared="$WORK/sharedtmp" mine="$WORK/mine.txt"
  mkdir -p "$shared"; chmod 1777 "$shared"
  for f in r.xls r.xlsx r.csv r.pdf c.svg; do
    printf 'mine\n' >"$mine"
    ln -sf "$mine" "$shared/$f"
    chown -h 4242:4242 "$shared/$f" 2>/dev/null || { record "$g" 0 "cannot plant a link of another user's"; return; }
    local opt=--export; [ "$f" = r.pdf ] && opt=--pdf; [ "$f" = c.svg ] && opt=--chart
    check "$g" 1 --db "$SQLITE" --group 预算单位 $opt "$shared/$f"
    [ "$(cat "$mine")" = mine ] || record "$g" 0 "$f: the linked file was overwritten"
    rm -f "$shared/$f"
  done
  g="SIGINT and SIGTERM during an .xlsx export: nothing left behind"
  local kd="$WORK/signals" sig big="$WORK/sig.sqlite"
  mkdir -p "$kd"
  ASAN_OPTIONS=detect_leaks=0 "$ROOT/build/demo-gen" --quiet --sqlite "$big" --rows 60000
  "$PY" "$SWEEP" many-groups-sqlite "$big"
  for sig in INT TERM; do
    "$HOST" --module "$MODULE" --templates "$ROOT/templates/" --batch --db "Provider=SQLite;Data Source=$big;Mode=Read" \
      --group 预算单位 --level '<全部>' --export "$kd/r.xlsx" >"$OUT" 2>"$ERR" &
    local pid=$! waited=0
    until grep -q 'refreshed:' "$ERR" || ! kill -0 "$pid" 2>/dev/null || [ $waited -ge 1200 ]; do sleep 0.1; waited=$((waited + 1)); done
    sleep 0.5
    kill -s "$sig" "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
    local left; left="$(ls -A "$kd" | grep -v '^r\.xlsx$')"
    [ -z "$left" ] && record "$g" 1 "SIG$sig: nothing left" || record "$g" 0 "SIG$sig: left $left"
    rm -rf "$kd"/* "$kd"/.[!.]* 2>/dev/null
  done
}

edges_round_two() {
  edges_locale
  edges_names
  edges_template
  edges_memory
  edges_shared_places
}
