#!/usr/bin/env bash
# The game running under Wine, as players on Linux run it: the Windows build's
# sleeper, named Halvane.exe and started with wine64, while the native tool
# runs beside it. Wine maps the executable and takes no lock on it, yet the
# tool must refuse it as in use, with status 1, and create nothing.
# Usage: wine_game_running.sh NATIVE_TOOL WINDOWS_SLEEPER
set -uo pipefail
tool=$(realpath "$1")
sleeper=$(realpath "$2")
scratch=$(mktemp -d)
export WINEPREFIX=$scratch/wine-prefix WINEDEBUG=-all
clean_up() {
  exec 3>&-
  /usr/lib/wine/wineserver -k 2>/dev/null
  /usr/lib/wine/wineserver -w 2>/dev/null
  rm -rf "$scratch"
}
trap clean_up EXIT
fail() {
  echo "wine_game_running: $*" >&2
  exit 1
}

mkdir "$scratch/game"
cp "$sleeper" "$scratch/game/Halvane.exe"
mkfifo "$scratch/input"
(cd "$scratch/game" && exec /usr/lib/wine/wine64 Halvane.exe <"$scratch/input" >"$scratch/output" 2>/dev/null) &
exec 3>"$scratch/input"  # holds the game's input open, so it keeps running
for _ in $(seq 600); do
  grep -q ready "$scratch/output" 2>/dev/null && break
  kill -0 $! 2>/dev/null || fail "the game under Wine did not start"
  sleep 0.1
done
grep -q ready "$scratch/output" || fail "the game under Wine did not start in time"

output=$(cd "$scratch/game" && printf '0\n0\n0\n0\n0\nyyyq' | setsid -w "$tool")
status=$?
expected="Halvane.exe is in use: the game is running, or I am already running on it. Close the game and run me again.
Press any key to close this program."
[ "$output" = "$expected" ] || fail "said: $output"
[ $status = 1 ] || fail "exit status $status"
[ ! -e "$scratch/game/Halvane.bak" ] || fail "a backup was made of a running game"
cmp -s "$sleeper" "$scratch/game/Halvane.exe" || fail "the running game was changed"
echo "wine_game_running: the game running under Wine is refused as in use"
