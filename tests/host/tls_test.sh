#!/usr/bin/env bash
# tls_test.sh BINARY_DIR HOST MODULE: budget-host reaches PostgreSQL over TLS as its connection
# string asks. Against a server without TLS "SSL Mode=require" is refused; once the server has a
# certificate from a certificate authority made here, "verify-full" with that authority's
# certificate connects and reports, and with another authority's it is refused. Skipped (77)
# where no PostgreSQL server or openssl is installed.
source "$(dirname "$0")/pg_host_test.sh" tls "$@"

FAILED=0
fail() { printf 'FAIL: %s\n' "$*" >&2; FAILED=1; }

command -v openssl >/dev/null || exit 77
pg_start "$TREE" || exit 1
export PGPASSFILE="$AUTHPAY_PG_PGPASS"

# report NAME CONNSTR-TAIL: the headless report as the read-only role, status in NAME.rc.
report() {
  "$HOST" --module "$MODULE" --batch --group 预算单位 \
    --db "Provider=PostgreSQL;Host=127.0.0.1;Port=$PG_PORT;Initial Catalog=authpay_demo;User ID=authpay_ro;$2" \
    >"$WORK/$1.out" 2>"$WORK/$1.err"
  echo $? >"$WORK/$1.rc"
}
expect() {  # NAME STATUS TEXT-ON-STDERR
  [ "$(cat "$WORK/$1.rc")" = "$2" ] && grep -q -- "$3" "$WORK/$1.err" && return 0
  fail "$1: status $(cat "$WORK/$1.rc"), wanted $2 with \"$3\""
  cat "$WORK/$1.err" >&2
}

report plain-require "SSL Mode=require"
expect plain-require 1 "SSL"

# Two authorities; the server's certificate, for 127.0.0.1, signed by the first.
cert() {  # NAME SUBJECT [SIGNER]
  openssl req -new -newkey rsa:2048 -nodes -keyout "$WORK/$1.key" -subj "/CN=$2" \
    ${3:+-addext subjectAltName=IP:127.0.0.1} -out "$WORK/$1.csr" 2>/dev/null || return 1
  if [ -n "${3:-}" ]; then
    openssl x509 -req -in "$WORK/$1.csr" -CA "$WORK/$3.crt" -CAkey "$WORK/$3.key" -CAcreateserial \
      -days 2 -copy_extensions copy -out "$WORK/$1.crt" 2>/dev/null
  else
    openssl x509 -req -in "$WORK/$1.csr" -signkey "$WORK/$1.key" -days 2 \
      -extfile <(printf 'basicConstraints=critical,CA:TRUE\nkeyUsage=keyCertSign,cRLSign\n') -out "$WORK/$1.crt" 2>/dev/null
  fi
}
cert ca "authpay test CA" && cert other "another CA" && cert server 127.0.0.1 ca || { fail "openssl could not make the certificates"; exit 1; }
cp "$WORK/server.crt" "$WORK/server.key" "$PG_DIR/"
chmod 600 "$PG_DIR/server.key"
[ "$(id -u)" -ne 0 ] || chown postgres: "$PG_DIR/server.crt" "$PG_DIR/server.key"
pg_psql postgres -c "alter system set ssl = on" -c "alter system set ssl_cert_file = '$PG_DIR/server.crt'" \
  -c "alter system set ssl_key_file = '$PG_DIR/server.key'" -c "select pg_reload_conf()" >/dev/null \
  || { fail "the server did not take its certificate"; exit 1; }
sleep 1

report verified "SSL Mode=verify-full;SSL Root Cert=$WORK/ca.crt"
expect verified 0 "refreshed: "
report wrong-ca "SSL Mode=verify-full;SSL Root Cert=$WORK/other.crt"
expect wrong-ca 1 "certificate"
report bad-mode "SSL Mode=required"
expect bad-mode 1 "SSL Mode无效"

echo "tls: $([ "$FAILED" -eq 0 ] && echo "all passed" || echo "some failed")"
exit "$FAILED"
