# The set-up that the host's PostgreSQL shell tests share. Sourced as
#   source "$(dirname "$0")/pg_host_test.sh" NAME BINARY_DIR HOST MODULE
# it sets TREE, HOST, MODULE and a work folder WORK (removed at exit, with the test cluster), and
# runs the host offscreen with WORK/home as its home. Skips (77) where no PostgreSQL server is
# installed.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/common.sh"
source "$ROOT/scripts/lib/postgres.sh"
set +e

TREE="$2" HOST="$3" MODULE="$4"
pg_bin >/dev/null || exit 77
WORK="$(mktemp -d "/tmp/authpay-$1-test.XXXXXX")"
cleanup() { pg_stop; rm -rf "$WORK"; }
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
export QT_QPA_PLATFORM=offscreen HOME="$WORK/home"
mkdir -p "$HOME"
