# Shared set-up for scripts/run and scripts/test: packages, build trees, demo data.
# Sourced, not run.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
JOBS="${JOBS:-$(nproc)}"

# Every Debian package the project needs, in one place.
PACKAGES=(
  build-essential cmake pkg-config git
  qt6-base-dev qt6-charts-dev qt6-svg-dev libqt6opengl6-dev qt6-translations-l10n libqt6sql6-sqlite libqt6sql6-psql libqt6sql6-odbc
  unixodbc tdsodbc odbc-mdbtools
  libgtest-dev
  xvfb xauth fonts-wqy-microhei openbox xdotool x11-utils imagemagick
  python3 python3-xlrd python3-openpyxl
  postgresql sqlite3 poppler-utils openssl locales
  libxlsxwriter-dev libqpdf-dev libsqlite3-dev libpq-dev
)

# What only the tests need: two spreadsheet programs that open the exports headless.
TEST_PACKAGES=(libreoffice-calc-nogui gnumeric)

# Qt wants a private runtime folder; give it one instead of a warning per process.
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-/tmp/runtime-$(id -u)}"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

say() { printf '[authpay] %s\n' "$*" >&2; }

# ensure_packages [EXTRA...]: PACKAGES and the extra ones, those missing installed.
ensure_packages() {
  local missing=()
  for p in "${PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  say "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# build_tree DIR [cmake options...]: configure once, then build incrementally.
build_tree() {
  local dir="$1"; shift
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  fi
  cmake --build "$dir" -j "$JOBS" 2>&1 | grep -vE '^\[ *[0-9]+%\]|^-- ' || true
  test "${PIPESTATUS[0]}" -eq 0
}

# The demo database the host opens by default.
ensure_demo_db() {
  local bin="$1/demo-gen"
  [ -x "$bin" ] || return 0
  if [ ! -f "$ROOT/build/demo.sqlite" ]; then
    say "creating the demo database build/demo.sqlite"
    "$bin" --sqlite "$ROOT/build/demo.sqlite"
  fi
}
