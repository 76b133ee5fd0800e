# Sets up the shell for the Windows cross build and its tests under Wine.
# Source it (bash or sh):  . scripts/windows-env.sh
#
# - installs the mingw-w64 compilers (posix thread model), Wine and the
#   GoogleTest sources when one is missing (apt-get, as root; the package lists
#   are updated only when something has to be installed);
# - exports WINEDEBUG=-all, WINEPREFIX (default $HOME/.wine) and QUORVEX_WINE,
#   the 64-bit Wine launcher that runs quorvex.exe and the unit tests;
# - creates the Wine prefix once, quietly, so that the first test does not pay
#   for it (or race another test doing the same).
#
# Returns non-zero, after a message on standard error, if something is missing
# and cannot be installed or the prefix cannot be made.

quorvex_windows_env() {
  _qw_missing=""
  command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 ||
    _qw_missing="$_qw_missing g++-mingw-w64-x86-64-posix"
  if [ ! -x /usr/lib/wine/wine64 ] && ! command -v wine64 >/dev/null 2>&1; then
    _qw_missing="$_qw_missing wine64"
  fi
  [ -f /usr/src/googletest/googletest/CMakeLists.txt ] || _qw_missing="$_qw_missing googletest"

  if [ -n "$_qw_missing" ]; then
    if [ "$(id -u)" != 0 ]; then
      echo "windows-env: missing packages:$_qw_missing (install them as root)" >&2
      return 1
    fi
    echo "windows-env: installing$_qw_missing" >&2
    # shellcheck disable=SC2086  # the package list is meant to split
    if ! DEBIAN_FRONTEND=noninteractive apt-get update -qq ||
      ! DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        $_qw_missing >/dev/null; then
      echo "windows-env: apt-get install failed" >&2
      return 1
    fi
  fi

  export WINEDEBUG=-all
  export WINEPREFIX="${WINEPREFIX:-$HOME/.wine}"

  # Debian keeps the 64-bit launcher out of the PATH; other systems put it there.
  if [ -z "${QUORVEX_WINE:-}" ] || [ ! -x "$QUORVEX_WINE" ]; then
    if [ -x /usr/lib/wine/wine64 ]; then
      QUORVEX_WINE=/usr/lib/wine/wine64
    else
      QUORVEX_WINE="$(command -v wine64 2>/dev/null || command -v wine 2>/dev/null || true)"
    fi
  fi
  if [ -z "$QUORVEX_WINE" ]; then
    echo "windows-env: no Wine launcher found" >&2
    return 1
  fi
  export QUORVEX_WINE

  # The first start of Wine builds the prefix, which takes a while and prints
  # a lot; do it here once. system.reg is the last thing wineboot writes. Mono
  # and Gecko are not wanted (console programs only), so their installers are
  # switched off rather than left to prompt or fail.
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "windows-env: creating the Wine prefix $WINEPREFIX" >&2
    WINEDLLOVERRIDES="mscoree,mshtml=" "$QUORVEX_WINE" wineboot -i >/dev/null 2>&1
    _qw_server="$(dirname "$QUORVEX_WINE")/wineserver"
    [ -x "$_qw_server" ] || _qw_server="$(command -v wineserver 2>/dev/null || true)"
    # Wait until every Wine process of the prefix has ended and the
    # registry is on disk.
    [ -n "$_qw_server" ] && "$_qw_server" -w >/dev/null 2>&1
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "windows-env: could not create the Wine prefix $WINEPREFIX" >&2
      return 1
    fi
  fi
  return 0
}

quorvex_windows_env
_qw_status=$?
unset -f quorvex_windows_env
unset _qw_missing _qw_server
# The status of the set-up becomes the status of the `.` command.
eval "unset _qw_status; return $_qw_status"
