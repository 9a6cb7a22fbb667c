#!/usr/bin/env bash
# A double-click in a Linux desktop's file manager, under a real X server
# (Xvfb) with a real xterm: the tool is started by real Dolphin and Thunar,
# and as they start it (no controlling terminal, standard input /dev/null,
# output to a socket, the working folder elsewhere); keys are typed into the
# window it opens with xdotool. xterm is
# reached through a stand-in on PATH that logs what the window shows; real
# Tilix, Terminator and QTerminal are reached as x-terminal-emulator; the
# terminals that cannot be installed here are stand-ins that take only their
# documented command form and open that xterm. With the Windows build and
# Wine, the .exe is opened as Wine's desktop entry opens one, in Wine's own
# console window, and as game launchers start it, with no console at all.
#   desktop.sh TOOL MAKE_STAND_IN [WINDOWS_EXE WINE64 WINEPREFIX]
set -euo pipefail
source "$(dirname "$0")/full_patch.sh"
tool=$1 make_stand_in=$2 exe=${3:-} wine=${4:-} prefix=${5:-}
missing=""
for program in Xvfb xterm xdotool xmessage zenity dolphin thunar tilix terminator qterminal dbus-daemon python3 \
  strace; do
  command -v "$program" >/dev/null || missing="$missing $program"
done
if [ -n "$missing" ]; then
  echo "skipped: needs$missing"
  [ "${CI:-}" = true ] && exit 1
  exit 77
fi

work=$(mktemp -d)
# Everything started here is ended by the process id recorded when it
# started, never by name: a contributor's own file manager stays open.
cleanup() {
  local status=$? command=$BASH_COMMAND pid
  # A command that failed outside a check ended the script: say which.
  [ "$status" -eq 0 ] || [[ $command == exit* ]] || echo "FAILED: $command (status $status)"
  for pid in $(cat "$work/windows" "$work/started" 2>/dev/null) ${bus:-} ${server:-}; do
    kill "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/game" "$work/bin" "$work/tool" "$work/failing" "$work/launcher" "$work/ptyxis" "$work/cosmic" \
  "$work/boxes" "$work/zenity" "$work/home" "$work/alternative"
# The programs started here (Dolphin, Thunar, zenity, Wine's cmd) keep their
# settings and recent files in folders of the test's own, not the
# contributor's.
mkdir -m 700 "$work/runtime"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share \
  XDG_CACHE_HOME=$work/home/.cache XDG_STATE_HOME=$work/home/.local/state XDG_RUNTIME_DIR=$work/runtime
cp "$tool" "$work/game/halvane-res"
cp "$tool" "$work/tool/halvane-res"
ln -s "$(command -v xmessage)" "$work/boxes/xmessage"
ln -s "$(command -v xmessage)" "$work/zenity/xmessage"
ln -s "$(command -v zenity)" "$work/zenity/zenity"
cat >"$work/bin/xterm" <<EOF
#!/bin/sh
echo "\$@" >>"$work/calls"
echo \$\$ >>"$work/windows"
exec $(command -v xterm) -l -lf "$work/shown" "\$@"
EOF
# stand_in FOLDER NAME OPTIONS [LATER]: NAME, which takes exactly OPTIONS
# before the command and opens the window itself, or (LATER) hands it on
# and exits at once, the window opening a second later.
stand_in() {
  local start="exec $work/bin/xterm -e \"\$@\""
  [ -n "${4:-}" ] && start="(sleep 1; $start) >/dev/null 2>&1 &"
  printf '#!/bin/bash\nPATH=/usr/bin:/bin\nfor option in %s; do [ "$1" = "$option" ] || exit 2; shift; done\n%s\n' "$3" "$start" \
    >"$work/$1/$2"
}
stand_in launcher gnome-terminal "--geometry=100x30 --" later
stand_in ptyxis ptyxis "--new-window --"
stand_in cosmic cosmic-term "--no-daemon --"
printf '#!/bin/sh\nexit 1\n' >"$work/failing/konsole"  # a terminal that cannot start
# The scripts written here; chmod would follow the links to the system's programs.
find "$work" -mindepth 2 -maxdepth 2 -type f -exec chmod +x {} +
ln -s "$work/bin/xterm" "$work/alternative/x-terminal-emulator"  # as Debian's alternatives do
Xvfb -displayfd 3 -screen 0 1280x1024x24 3>"$work/display" 2>/dev/null &
server=$!
deadline=$((SECONDS + 20))
until [ -s "$work/display" ]; do
  [ $SECONDS -lt $deadline ] || { echo "Xvfb did not start"; exit 1; }
  sleep 0.1
done
export DISPLAY=:$(cat "$work/display")
in_ci=${CI:-}
unset CI  # the tool never opens a window in CI
# The file managers' session bus, as a desktop session has one.
eval "$(dbus-daemon --session --fork --print-address=1 --print-pid=1 | {
  read -r address && read -r pid && echo "export DBUS_SESSION_BUS_ADDRESS=$address; bus=$pid"
})"

fail() { echo "FAILED: $*" >&2; exit 1; }  # to stderr: seen from inside $(...) too
# The first visible window that `xdotool search` finds with CRITERIA, within
# SECONDS. xdotool dies of a window that closes while it looks (BadWindow), so
# it looks again.
visible_window() {  # visible_window SECONDS CRITERIA...
  local deadline=$((SECONDS + $1)) found
  shift
  until found=$(xdotool search --onlyvisible --limit 1 "$@" 2>/dev/null) && [ -n "$found" ]; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
  echo "$found"
}
# Waits until the window has shown TEXT (COUNT times).
shown() {
  local deadline=$((SECONDS + 20))
  until [ "$(grep -cF -- "$1" "$work/shown" 2>/dev/null)" -ge "${2:-1}" ]; do
    [ $SECONDS -lt $deadline ] || fail "the window never showed: $1"
    sleep 0.05
  done
}
# Whether a window that the tool opened (an xterm, by its recorded pid) is open.
window_open() {
  local pid
  for pid in $(cat "$work/windows" 2>/dev/null); do
    kill -0 "$pid" 2>/dev/null && return 0
  done
  return 1
}
window_gone() {
  local deadline=$((SECONDS + 20))
  while window_open; do
    [ $SECONDS -lt $deadline ] || fail "the window stayed open"
    sleep 0.05
  done
}
# double_click [TOOL [LOG]]: starts the tool as a file manager does, with
# its output to a socket or to the file LOG; prints its exit status and
# output. Like a session's log, the socket stays open (drained by a child)
# for as long as anything started from here writes to it.
python=$(python3 -c "import sys; print(sys.executable)")  # the interpreter itself, not a shim
double_click() {
  "$python" - "${1:-$work/game/halvane-res}" "${2:-}" "$work/home" <<'EOF'
import os, socket, subprocess, sys
log, out = socket.socketpair()
if sys.argv[2]:
    out = open(sys.argv[2], "w")
tool = subprocess.Popen([sys.argv[1]], stdin=subprocess.DEVNULL, stdout=out, stderr=out,
                        start_new_session=True, cwd=sys.argv[3])
status = tool.wait()
log.setblocking(False)
try:
    said = open(sys.argv[2]).read() if sys.argv[2] else log.recv(65536).decode(errors="replace")
except BlockingIOError:
    said = ""
print(status, said, end="", flush=True)
if os.fork() == 0:
    os.setsid()
    os.dup2(os.open(os.devnull, os.O_RDWR), 1)
    out.close()
    log.setblocking(True)
    while log.recv(65536):
        pass
    os._exit(0)
EOF
}
focus() {
  local window
  window=$(visible_window 20 --class xterm) || fail "no window appeared ($1)"
  xdotool windowfocus --sync "$window"
}
# type_blind LABEL STILL_OPEN...: types a whole patch into the focused window,
# whose text is not read, then a key a second while STILL_OPEN succeeds: the
# closing prompt drops keys typed before it shows, so a player presses one
# once it is there.
type_blind() {
  local label=$1 size deadline=$((SECONDS + 60))
  shift
  for size in 1920 1080 0 0 1920; do
    xdotool type "$size" && xdotool key Return
  done
  xdotool type yyy
  while "$@"; do
    [ $SECONDS -lt $deadline ] || fail "$label: the tool did not end"
    xdotool key a
    sleep 1
  done
}
running() { kill -0 "$1" 2>/dev/null; }
patched() {  # patched LABEL: the game patched, beside a whole backup
  cmp -s "$work/stock" "$work/game/Halvane.bak" || fail "$1: Halvane.bak is not a whole copy"
  if cmp -s "$work/stock" "$work/game/Halvane.exe"; then fail "$1: Halvane.exe was not patched"; fi
}

# A whole patch through the window that one double-click opens: the
# terminal's own, or xterm found on PATH. Rows: how the tool is started.
"$make_stand_in" "$work/stock"
fresh_game() {
  cp "$work/stock" "$work/game/Halvane.exe"
  rm -f "$work/game/Halvane.bak" "$work/shown" "$work/calls"
}
# type_patch LABEL: types a whole patch into the window that opened, and
# checks the game, its backup and that one window opened.
type_patch() {
  focus "$1"
  local question=0 size prompt
  for size in 1920 1080 0 0 1920; do
    question=$((question + 1))
    shown "0 for no change" $question
    xdotool type "$size" && xdotool key Return
  done
  for prompt in "Which font" "make the above changes" "write the font change" "Press any key"; do
    shown "$prompt"
    [ "$prompt" = "Press any key" ] && xdotool key a || xdotool type y
  done
  window_gone
  patched "$1"
  [ "$(wc -l <"$work/calls")" -eq 1 ] || fail "$1: more than one window"
}
window_patch() {  # window_patch LABEL PATH [TOOL [LOG]]
  fresh_game
  local first
  first=$(PATH=$2 double_click "${3:-}" "${4:-}")
  [[ $first == 0* && $first != *Welcome* ]] || fail "$1: the first run should end with status 0: $first"
  type_patch "$1"
}
window_patch "found on PATH" "$work/bin"
grep -qF -- "-geometry 100x30 -e /usr/bin/env HALVANE_RES_OWN_WINDOW=halvane-res-" "$work/calls" &&
  grep -qF -- " $work/game/halvane-res" "$work/calls" || fail "xterm was not started as expected"
window_patch "output to a plain file" "$work/bin" "" "$work/session.log"
window_patch "a terminal that fails first" "$work/failing:$work/bin"
window_patch "a launcher that hands the window on" "$work/launcher"
window_patch "x-terminal-emulator, a link to xterm" "$work/alternative"
grep -qF -- "-geometry 100x30 -e /usr/bin/env" "$work/calls" || fail "the link was not followed to xterm's own form"
window_patch "ptyxis alone" "$work/ptyxis"
window_patch "cosmic-term alone" "$work/cosmic"
ln -s "$work/tool/halvane-res" "$work/game/link-to-the-tool"
window_patch "a link in the game's folder" "$work/bin" "$work/game/link-to-the-tool"

# The terminals that desktops name first, real, each as x-terminal-emulator.
# Tilix is given the dialogue's size in cells; Terminator and QTerminal take
# a size in pixels alone, and are given settings of the tool's own that name
# the font, at the X server's default DPI and at 144 (Xft.dpi). The columns
# are read from the terminal the tool runs on; a patch typed into it lands.
real_terminal_patch() {  # real_terminal_patch PROGRAM LEAST_COLUMNS
  local program=$1 least=$2 pid tool="" shell window columns deadline=$((SECONDS + 30))
  fresh_game
  mkdir -p "$work/x-$program"
  ln -sf "$(command -v "$program")" "$work/x-$program/x-terminal-emulator"
  [[ $(PATH=$work/x-$program:/usr/bin:/bin double_click) == 0* ]] || fail "$program: the first run"
  until [ -n "$tool" ] && [ -e "$work/game/Halvane.bak" ]; do  # the backup is made once the window is settled
    for pid in /proc/[0-9]*; do
      [ "$(readlink "$pid/exe" 2>/dev/null)" = "$work/game/halvane-res" ] &&
        tr '\0' '\n' <"$pid/environ" 2>/dev/null | grep -q '^HALVANE_RES_OWN_WINDOW=' && tool=${pid#/proc/}
    done
    [ $SECONDS -lt $deadline ] || fail "$program: no window ran the tool"
    sleep 0.1
  done
  shell=$(awk '/^PPid:/ { print $2 }' "/proc/$tool/status")  # the terminal, which the tool's end closes
  echo "$shell" >>"$work/started"
  columns=$(stty -F "$(readlink "/proc/$tool/fd/0")" size | cut -d' ' -f2)
  echo "desktop: $program as x-terminal-emulator opens $columns columns${dpi:+ (DPI: $dpi)}"
  [ "$columns" -ge "$least" ] || fail "$program: $columns columns, fewer than $least"
  window=$(visible_window 20 --pid "$shell") || fail "no $program window"
  xdotool windowfocus --sync "$window"
  type_blind "$program" running "$tool"
  patched "$program"
}
real_terminal_patch tilix 88
for dpi in default 144; do
  [ $dpi = default ] || xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "Xft.dpi:	$dpi"
  real_terminal_patch terminator 88
  real_terminal_patch qterminal 88
done
xprop -root -remove RESOURCE_MANAGER

# Real file managers: the game's folder opened, the tool selected by typing
# its name and opened with Return, as a double-click does; Dolphin first
# asks whether to execute it, and then gives the tool a pipe that it holds
# open and never writes to.
file_manager_patch() {  # file_manager_patch LABEL CLASS COMMAND...
  local label=$1 class=$2 window manager
  shift 2
  fresh_game
  TERMINAL=$work/bin/xterm "$@" "$work/game" >/dev/null 2>&1 &
  manager=$!
  echo "$manager" >>"$work/started"
  window=$(visible_window 30 --class "$class") || fail "no $label window"
  xdotool windowfocus --sync "$window"
  sleep 1  # the folder's listing fills in after the window shows; there is nothing to wait on
  xdotool type halvane-res && xdotool key Return
  if [ "$class" = dolphin ]; then  # its question: a second window of its class
    local asked="" deadline=$((SECONDS + 20))
    until [ -n "$asked" ]; do
      [ $SECONDS -lt $deadline ] || fail "Dolphin did not ask whether to execute the tool"
      asked=$(xdotool search --onlyvisible --class dolphin | grep -vx "$window" | head -n 1) || sleep 0.1
    done
    xdotool windowfocus --sync "$asked" && xdotool key alt+e
  fi
  type_patch "$label"
  kill "$manager"
}
file_manager_patch "Dolphin" dolphin dolphin --new-window
file_manager_patch "Thunar" Thunar thunar

# Ctrl-C keeps the window, with its last words, until a key; the terminal is
# the one the player chose, with options of the player's own.
rm "$work/shown"
[[ $(TERMINAL="$work/bin/xterm -fn fixed" PATH=/nowhere double_click) == 0* ]] || fail "the run in the player's terminal"
grep -qF -- "-fn fixed -geometry 100x30 -e /usr/bin/env" "$work/calls" || fail "\$TERMINAL's own options were lost"
focus "the player's choice"
shown "0 for no change"
xdotool key ctrl+c
shown "Interrupted: Halvane.exe was not changed."
shown "Press any key to close this program."
window_open || fail "the window closed before a key"
xdotool key a
window_gone

# No window for scripted use, whatever feeds the answers, nor in CI or
# without a display. Rows: how the tool is started in the game's folder.
answers='0\n0\n0\n0\n0\nnn'
printf "$answers" >"$work/answers"
calls=$(wc -l <"$work/calls")
while IFS='|' read -r label ends command; do
  (cd "$work/game" && PATH="$work/bin:$PATH" answers=$answers bash -c "$command" >"$work/run" 2>&1 </dev/null) || true
  run=$(cat "$work/run")
  [[ $run == *"$ends"* ]] || fail "$label: should run the dialogue in place: $run"
  [ "$(wc -l <"$work/calls")" -eq "$calls" ] || fail "$label: opened a window"
done <<'ROWS'
piped|I didn't change the file.|printf "$answers" | setsid -w ./halvane-res
a pipe whose first byte comes 2 s later|I didn't change the file.|(sleep 2; printf "$answers") | setsid -w ./halvane-res
a file on standard input|I didn't change the file.|setsid -w ./halvane-res <../answers
a parent that pipes the answers 50 ms later|I didn't change the file.|python3 -c 'import subprocess, sys, time; p = subprocess.Popen(["setsid", "-w", "./halvane-res"], stdin=subprocess.PIPE); time.sleep(0.05); p.communicate(sys.argv[1].encode())' "$(printf "$answers")"
CI set|Input ended|CI=true setsid -w ./halvane-res
no display|Input ended|env -u DISPLAY setsid -w ./halvane-res
ROWS
rm -f "$work/game/Halvane.bak"
cp "$work/stock" "$work/game/Halvane.exe"
none=$(PATH=/nowhere double_click | tr '\n' ' ')
[[ $none == "1 I need a terminal window"*"run ./halvane-res there."* ]] || fail "no terminal: $none"
# A launcher that cannot listen for its window says why, in the system's
# words, and asks for no terminal: there is one.
printf '#!/bin/sh\nexec %s -f -o /dev/null -e trace=socket -e inject=socket:error=EMFILE %s\n' \
  "$(command -v strace)" "$work/game/halvane-res" >"$work/socketless"
chmod +x "$work/socketless"
said=$(PATH=$work/bin double_click "$work/socketless" | tr '\n' ' ')
[[ $said == "1 I need a terminal window to ask my questions, but could not open one (socket: Too many open files)"* &&
  $said != *install* ]] || fail "a socket that fails: $said"
# box_says CLASS KEY SAID NAME=VALUE...: a run with no terminal, in that
# environment, shows one message box of CLASS; KEY closes it a moment after
# it shows (a box gone sooner was never seen), and the run ends, having said
# SAID first, with no second box.
box_says() {
  local class=$1 key=$2 said=$3 box run
  shift 3
  (export "$@" && double_click) >"$work/boxed" &
  run=$!
  box=$(visible_window 20 --class "$class") || fail "no $class box appeared: $said"
  xdotool windowfocus --sync "$box"
  sleep 0.6
  xdotool key "$key"
  timeout 20 bash -c "while kill -0 $run 2>/dev/null; do sleep 0.05; done" || fail "$class: a second box"
  [[ $(cat "$work/boxed") == "1 $said"* ]] || fail "$class box: $(cat "$work/boxed")"
}
box_says Xmessage Return "I need a terminal window" PATH="$work/boxes"
# A window that came too late closes with the tool: a box says so.
box_says Xmessage Return "This window came too late" PATH="$work/boxes" HALVANE_RES_OWN_WINDOW="$work/nowhere"
box_says Zenity Escape "I need a terminal window" PATH="$work/zenity"
[ ! -e "$work/game/Halvane.bak" ] || fail "a run without a terminal made a backup"
cmp -s "$work/stock" "$work/game/Halvane.exe" || fail "a run without a terminal changed Halvane.exe"
# The Windows build under Wine, started as each of these starts an .exe: Wine's
# desktop entry (wine start /unix PATH, a console window of Wine's) from
# another folder, and the game launchers' "run an exe in this prefix", which
# give it no console at all: Lutris (from the prefix's folder, output to its
# log), Heroic (from the exe's folder, a standard input that nobody writes or
# closes) and protontricks (from home, everything on /dev/null). Each time a
# console window of the tool's comes out wide enough for the longest line (87
# columns), a patch typed into it lands beside the tool, nothing is made in
# the launcher's folder, and the closing key closes it. Its width is measured
# against a console window that nothing widens, cmd's at 80 columns: both are
# the font's columns and the same frame.
if [ -z "$exe" ] || [ ! -e "$exe" ] || [ ! -x "$wine" ]; then
  echo "skipped: Wine's console window needs the Windows build and wine64"
  [ "$in_ci" = true ] && exit 1
else
  export WINEPREFIX=$prefix WINEDEBUG=-all
  wine_window() {  # wine_window TITLE: the console window whose title ends with TITLE
    visible_window 60 --name "$1\$" || fail "no Wine console window: $1"
  }
  wine_console_open() { xdotool search --onlyvisible --name 'halvane-res\.exe$' >/dev/null; }
  pixels_wide() { xdotool getwindowgeometry "$1" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p'; }
  launch() {  # launch HOW FOLDER: starts the .exe as HOW does, from FOLDER; its output goes to $work/launched
    rm -f "$work/launched"
    "$python" - "$wine" "$work/game/halvane-res.exe" "$1" "$2" "$work/launched" <<'PYTHON' &
import subprocess, sys
wine, exe, how, folder, log = sys.argv[1:]
N, P, O = subprocess.DEVNULL, subprocess.PIPE, subprocess.STDOUT
streams = {"lutris": (N, P, O), "heroic": (P, P, O), "protontricks": (N, N, N)}[how]
tool = subprocess.Popen([wine, exe], stdin=streams[0], stdout=streams[1], stderr=streams[2], cwd=folder)
said = tool.stdout.read() if tool.stdout else b""  # Heroic's standard input stays open, never written
open(log, "wb").write(said + b"status %d\n" % tool.wait())
PYTHON
    echo $! >>"$work/started"
  }
  mkdir "$work/prefix"
  widths=""
  for row in start:"$work/home" lutris:"$work/prefix" heroic:"$work/game" protontricks:"$work/home"; do
    how=${row%%:*}
    fresh_game
    cp "$exe" "$work/game/halvane-res.exe"
    if [ "$how" = start ]; then
      (cd "$work/home" && "$wine" start /unix "$work/game/halvane-res.exe")
    else
      launch "$how" "${row#*:}"
    fi
    window=$(wine_window 'halvane-res\.exe')
    deadline=$((SECONDS + 60))
    until [ -e "$work/game/Halvane.bak" ]; do  # made after the window is fitted
      [ $SECONDS -lt $deadline ] || fail "$how: the .exe in Wine's console made no backup"
      sleep 0.05
    done
    widths="$widths $(pixels_wide "$window")"
    xdotool mousemove --window "$window" 10 10 click 1  # the player's click gives it the keys
    type_blind "$how" wine_console_open
    patched "$how"
    [ -z "$(ls -A "$work/prefix")" ] || fail "$how: files were made in the launcher's folder"
  done
  (cd "$work/home" && "$wine" start cmd.exe)
  plain=$(wine_window 'cmd\.exe')
  narrow=$(pixels_wide "$plain")
  xdotool mousemove --window "$plain" 10 10 click 1 && xdotool type exit && xdotool key Return
  for wide in $widths; do
    [ $((wide * 80)) -ge $((narrow * 87)) ] || fail "Wine's console window: $wide pixels wide beside cmd's $narrow"
  done
  # Answers piped in by the program that started it: no window, patched as told.
  rm -f "$work/game/Halvane.bak"
  full_patch_name="the .exe given its answers through a pipe"
  full_patch "$work/game" "$make_stand_in" timeout 60 "$wine" halvane-res.exe || fail "see above"
  # No display: one line on the standard error, for the launcher's log; nothing made.
  fresh_game
  DISPLAY='' launch lutris "$work/prefix"
  deadline=$((SECONDS + 60))
  until grep -q '^status' "$work/launched" 2>/dev/null; do
    [ $SECONDS -lt $deadline ] || fail "with no display, the .exe did not end"
    sleep 0.1
  done
  grep -q "^I need a window.*wine start halvane-res.exe" "$work/launched" && grep -q '^status 1$' "$work/launched" ||
    fail "with no display: $(cat "$work/launched")"
  [ ! -e "$work/game/Halvane.bak" ] && [ -z "$(ls -A "$work/prefix")" ] || fail "with no display, files were made"
fi
echo "desktop: a window for a double-click in Dolphin, Thunar and as they start it, whatever the terminal or the output, its last words until a key, none for scripts, one message box when none opens, a console window of the Windows build's own wide enough however Wine or a launcher starts it, and none for a script or without a display"
