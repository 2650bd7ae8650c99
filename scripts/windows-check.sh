#!/usr/bin/env bash
# Proves the Windows build (scripts/windows-build.sh) under Wine, on Xvfb:
# the core unit tests, the installer's silent install and uninstall, the
# installed program's start-up, its system menu without Close, a second
# start handing over to the first copy, settings save and restart, a Start with no
# instrument answering, the manual opened through the Windows shell, the
# editor export starting Notepad, Open starting the spreadsheet program of
# scx.ini and waiting for it, the 8-bit scx.ini against the Linux build's, the
# recorder without a window, and screenshots. Prints `N passed, M failed`
# last. Wine cannot carry serial data from a pseudo-terminal to the
# program's serial port (its WaitCommEvent polls modem lines a pty does not
# have), so no records pass through COM1 here: the serial path is proven by
# the Linux tests.
#
# The window is driven with xdotool (its keys) and watched through the
# program's check hooks (src/app/CheckHooks.h), which only this check sets.
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="${ZKD_WIN_BUILD:-$here/build-win}"
linux_build="${ZKD_LINUX_BUILD:-$out/host}"
setup=$(find "$out" -maxdepth 1 -name 'ZKD735-DataRecorder-*-setup.exe' 2>/dev/null | sort | head -1)
shots="$out/check"
passed=0
failed=0

pass() { passed=$((passed + 1)); echo "PASS  $1"; }
fail() { failed=$((failed + 1)); echo "FAIL  $1${2:+: $2}"; }
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit $?
}

if [ -z "$setup" ] || [ ! -d "$out/tests-bin" ]; then
  fail "Windows build present" "run scripts/windows-build.sh first ($out)"
  finish
fi

need=(wine wine64 xvfb xauth xdotool socat imagemagick gcc-mingw-w64-x86-64-posix)
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null; } || { fail "packages ${missing[*]}"; finish; }
fi

tmp=$(mktemp -d)
# Wine links the prefix's Documents and Desktop to the home folder: one of
# the temporary folder's own keeps the program's files in there.
export HOME="$tmp/home"
mkdir -p "$HOME"
export WINEPREFIX="$tmp/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
pids=()
# shellcheck disable=SC2317  # run by the EXIT trap, never called by name
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wineserver -k 2>/dev/null
  sleep 1
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; done
  rm -rf "$tmp"
}
trap cleanup EXIT

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display"
sleep 1

wineboot -i >/dev/null 2>&1
wineserver -w
user_dir="$WINEPREFIX/drive_c/users/$(id -un)"
mkdir -p "$shots"

# --- the core unit tests -----------------------------------------------------
# They run beside the DLLs of the portable folder and Qt's test library.
tests="$tmp/tests"
mkdir -p "$tests"
cp -r "$out/portable/." "$tests/"
qt_bin=$(sed -n 's/^Qt6_DIR:PATH=\(.*\)\/lib\/cmake\/Qt6$/\1/p' "$out/CMakeCache.txt")/bin
[ -d "$qt_bin" ] || qt_bin=$(dirname "$(grep -m1 -o '/[^ ;]*zkd735-mingw-qt/[^/]*/' "$out/CMakeCache.txt")x")/bin
cp "$qt_bin/Qt6Test.dll" "$tests/" 2>/dev/null
unit_total=0
unit_failed=0
for exe in "$out"/tests-bin/tst_*.exe; do
  name=$(basename "$exe" .exe)
  cp "$exe" "$tests/"
  (cd "$tests" && timeout 300 wine "$name.exe" -o "$tmp/$name.txt,txt" >/dev/null 2>&1)
  rc=$?
  totals=$(grep -m1 '^Totals:' "$tmp/$name.txt" 2>/dev/null)
  unit_total=$((unit_total + $(echo "$totals" | awk '{print $2 + $4}')))
  if [ "$rc" -eq 0 ] && [ -n "$totals" ]; then
    pass "unit tests under Wine: $name ($totals)"
  else
    unit_failed=$((unit_failed + 1))
    fail "unit tests under Wine: $name" "exit $rc; $(grep -m3 '^FAIL' "$tmp/$name.txt" 2>/dev/null | tr '\n' ' ')"
  fi
done
echo "      $unit_total test functions ran under Wine, in $(find "$out/tests-bin" -maxdepth 1 -name 'tst_*.exe' | wc -l) programs"

# --- the installer --------------------------------------------------------------
program_dir="$WINEPREFIX/drive_c/Program Files/ZKD735 Data Recorder"
wine "$setup" /S >/dev/null 2>&1
wineserver -w
if [ -f "$program_dir/ZKD735_DataRecorder.exe" ] && [ -f "$program_dir/platforms/qwindows.dll" ] \
    && [ -f "$program_dir/ZKD735.pdf" ] && [ -f "$program_dir/translations/qtbase_de.qm" ]; then
  pass "silent install puts the program, its plugins, the manual and Qt's texts in Program Files"
else
  # shellcheck disable=SC2012  # what is there, or ls's own error, shown to a person
  fail "silent install" "$(ls "$program_dir" 2>&1 | tr '\n' ' ')"
fi
start_menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/ZKD735 Data Recorder.lnk"
if [ -f "$start_menu" ]; then pass "Start-menu entry"; else fail "Start-menu entry" "no $start_menu"; fi
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZKD735_DataRecorder'
if wine reg query "$uninstall_key" /v UninstallString 2>/dev/null | grep -q 'uninstall.exe'; then
  pass "uninstaller registered under Add/Remove Programs"
else
  fail "uninstaller registered under Add/Remove Programs"
fi

# --- the installed program ------------------------------------------------------
settings_dir="$user_dir/AppData/Roaming/ZKD735_DataRecorder"
measurements="$user_dir/Documents/ZKD735"
log="$tmp/messages.log"
: >"$log"
mkdir -p "$settings_dir"
# scx.ini as the settings dialog writes it: port 1, English.
printf '\r\n1\r\nEnglish\r\n 10 \r\n 0 \r\n\r\n\r\n0\r\nReady\r\n' >"$settings_dir/scx.ini"

# COM1 goes to a pseudo-terminal through Wine's own port table.
socat -d -d "pty,raw,echo=0,link=$tmp/ttyWine" "pty,raw,echo=0,link=$tmp/ttyInstrument" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -e "$tmp/ttyWine" ] && break; sleep 0.1; done
wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$(readlink -f "$tmp/ttyWine")" /f >/dev/null 2>&1
wineserver -k
wineserver -w

window_id() { xdotool search --name "^ZKD735  Data Recorder" 2>/dev/null | head -1; }
wait_window() {
  for _ in $(seq 60); do
    [ -n "$(window_id)" ] && return 0
    sleep 0.5
  done
  return 1
}
start_program() {
  (cd "$user_dir" && env "$@" wine "C:\\Program Files\\ZKD735 Data Recorder\\ZKD735_DataRecorder.exe" \
    >"$tmp/program.out" 2>&1) &
  pids+=($!)
}
wait_log() {
  for _ in $(seq 40); do
    grep -q "$1" "$log" 2>/dev/null && return 0
    sleep 0.5
  done
  return 1
}

start_program ZKD735_CHECK_LOG="$(winepath -w "$log")" ZKD735_CHECK_ANSWERS="Ok,No"
if wait_window; then
  pass "the installed program starts under Wine and shows its window"
else
  fail "the installed program starts under Wine" "$(tail -3 "$tmp/program.out")"
fi
sleep 2
if [ -f "$measurements/Senso.scx" ]; then
  pass "the working file is made in Documents\\ZKD735 at start-up"
else
  fail "working file in Documents\\ZKD735" "$(ls "$user_dir/Documents" 2>&1)"
fi
import -window root "$shots/window.png" 2>/dev/null
if wait_log "system menu without Close"; then
  pass "the window's system menu has no Close item"
else
  fail "Close removed from the system menu" "$(grep '^check' "$log" | tr '\n' ' ')"
fi
# A second start hands over to the first copy, which comes forward (Xvfb has
# no window manager to minimise it first, so the restore is not shown here).
(cd "$user_dir" && timeout 60 wine "C:\\Program Files\\ZKD735 Data Recorder\\ZKD735_DataRecorder.exe" \
  >"$tmp/second.out" 2>&1)
second_rc=$?
windows=$(xdotool search --name "^ZKD735  Data Recorder" 2>/dev/null | wc -l)
if wait_log "brought forward" && [ "$second_rc" -ne 124 ]; then
  pass "a second start brings the first copy's window forward and ends ($windows window of that name)"
else
  fail "a second start brings the first copy forward" "exit $second_rc; $(grep '^check' "$log" | tr '\n' ' ')"
fi
# Start with no instrument answering: after 1.5 s the header read reports
# the transmission error, which ends the run, and the save question follows.
xdotool windowactivate --sync "$(window_id)" 2>/dev/null
xdotool key --window "$(window_id)" F5
sleep 1
import -window root "$shots/recording.png" 2>/dev/null
if wait_log "Do you want to save the datafile ?"; then
  if grep -q -i "transmission" "$log"; then
    pass "a Start with no instrument ends with the transmission error and the save question"
  else
    fail "transmission error before the save question" "$(tr '\n' ' ' <"$log")"
  fi
else
  fail "a Start with no instrument" "messages: $(tr '\n' ' ' <"$log" 2>/dev/null)"
fi
wineserver -k
wineserver -w

# A port with no mapping (COM7; Wine may map COM1 to a serial device of its
# own) gives the program's own port message.
printf '\r\n7\r\nEnglish\r\n 10 \r\n 0 \r\n\r\n\r\n0\r\nReady\r\n' >"$settings_dir/scx.ini"
: >"$log"
start_program ZKD735_CHECK_LOG="$(winepath -w "$log")" ZKD735_CHECK_ANSWERS="Ok,No"
wait_window
xdotool key --window "$(window_id)" F5
if wait_log "COM7"; then
  pass "a Start on a port with no mapping gives the program's port message ($(grep -m1 COM7 "$log" | cut -f2 | cut -c1-60))"
else
  fail "port message for a port with no mapping" "$(tr '\n' ' ' <"$log" 2>/dev/null)"
fi
wineserver -k
wineserver -w

# --- programs the window hands files to -------------------------------------------
# One small Windows program, built here, stands in for the shell's PDF viewer
# and for the spreadsheet program: it writes its arguments beside itself
# (<name>.txt, "arg", tab, the argument), waits 3 s, and adds "ended" there.
helpers="$WINEPREFIX/drive_c/zkdcheck"
mkdir -p "$helpers/Table Calc"
cat >"$tmp/argrec.c" <<'EOF'
#include <stdio.h>
#include <wchar.h>
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR line, int show)
{
    (void)instance; (void)previous; (void)line; (void)show;
    int count = 0;
    LPWSTR *words = CommandLineToArgvW(GetCommandLineW(), &count);
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(NULL, path, MAX_PATH);
    wcscpy(wcsrchr(path, L'.'), L".txt");
    FILE *out = _wfopen(path, L"wb");
    for (int i = 1; i < count; ++i) {
        char text[4096];
        WideCharToMultiByte(CP_UTF8, 0, words[i], -1, text, sizeof text, NULL, NULL);
        fprintf(out, "arg\t%s\n", text);
    }
    fclose(out);
    Sleep(3000);
    out = _wfopen(path, L"ab");
    fputs("ended\n", out);
    fclose(out);
    return 0;
}
EOF
x86_64-w64-mingw32-gcc-posix -O2 -municode -mwindows -o "$helpers/viewer.exe" "$tmp/argrec.c" 2>"$tmp/argrec.err" \
  && cp "$helpers/viewer.exe" "$helpers/Table Calc/calc.exe"
# Wine's shell opens a .pdf with the viewer; scx.ini line 1 names the
# spreadsheet program by its path (a folder with a blank in it).
wine reg add 'HKLM\Software\Classes\.pdf' /ve /d ZKD735Check.pdf /f >/dev/null 2>&1
wine reg add 'HKLM\Software\Classes\ZKD735Check.pdf\shell\open\command' /ve \
  /d '"C:\zkdcheck\viewer.exe" "%1"' /f >/dev/null 2>&1
wineserver -w
printf 'C:\\zkdcheck\\Table Calc\\calc.exe\r\n1\r\nEnglish\r\n 10 \r\n 0 \r\n\r\n\r\n0\r\nReady\r\n' \
  >"$settings_dir/scx.ini"
saved="C:\\users\\$(id -un)\\Documents\\ZKD735\\check.csv"
manual_win='C:\Program Files\ZKD735 Data Recorder\ZKD735.pdf'
# In turn: the manual (Help), a Save, the editor export of the saved file
# (its menu item is never switched on, so the hook runs its handler), and
# Open of the same file, which hands it to the spreadsheet program.
: >"$log"
start_program ZKD735_CHECK_LOG="$(winepath -w "$log")" ZKD735_CHECK_SAVE_AS="$saved" ZKD735_CHECK_OPEN="$saved" \
  ZKD735_CHECK_COMMANDS="Help,SScommand4,SSCommand6,SScommand3"
wait_window
check_lines() { grep '^check' "$log" 2>/dev/null | cut -f2 | tr '\n' ';'; }
# The shell-open routine and the manual through ShellExecuteW.
wait_log "shell open" && for _ in $(seq 20); do [ -s "$helpers/viewer.txt" ] && break; sleep 0.5; done
shell_answer=$(sed -n 's/^check\tshell open .*: \([0-9-]*\)$/\1/p' "$log" | head -1)
if [ "${shell_answer:-0}" -gt 32 ] && grep -qxF "arg	$manual_win" "$helpers/viewer.txt" 2>/dev/null \
    && ! grep -q "The manual" "$log"; then
  pass "Help opens the manual through the Windows shell (ShellExecuteW answered $shell_answer; Wine's shell started the .pdf program with $manual_win)"
else
  fail "the manual through the Windows shell" "answer '${shell_answer}'; viewer: $(tr '\n' ' ' <"$helpers/viewer.txt" 2>&1); $(tr '\n' ' ' <"$log")"
fi
# The editor export: "Notepad" by name, with the saved file, waited for
# until the check closes its window.
wine_process() { # the pid and command line of this prefix's process whose command line has $1
  local pid
  for pid in $(pgrep -i -f "$1"); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
    echo "$pid $(tr '\0' ' ' <"/proc/$pid/cmdline" | sed 's/ *$//')"
    return 0
  done
  return 1
}
editor=""
if wait_log "command SSCommand6$"; then
  for _ in $(seq 40); do editor=$(wine_process 'notepad\.exe') && break; sleep 0.5; done
fi
editor_window=""
for _ in $(seq 40); do
  editor_window=$(xdotool search --name 'check\.csv - Notepad' 2>/dev/null | head -1)
  [ -n "$editor_window" ] && break
  sleep 0.5
done
sleep 1
waiting=no
grep -q "command SSCommand6 returned" "$log" || waiting=yes
import -window root "$shots/editor.png" 2>/dev/null
closed_by=""
if [ -n "$editor_window" ]; then
  xdotool windowactivate --sync "$editor_window" 2>/dev/null
  xdotool key --window "$editor_window" alt+F4
  wait_log "command SSCommand6 returned" && closed_by="its window closed (Alt+F4)"
fi
if [ -z "$closed_by" ] && [ -n "$editor" ]; then
  kill "${editor%% *}" 2>/dev/null
  wait_log "command SSCommand6 returned" && closed_by="its process ended by the check"
fi
if [ -f "$measurements/check.csv" ] && echo "$editor" | grep -qiF "notepad.exe $saved" && [ "$waiting" = yes ] \
    && [ -n "$editor_window" ] && [ -n "$closed_by" ]; then
  pass "the editor export starts Notepad by name with the saved file (${editor#* }), and waits until $closed_by"
else
  fail "the editor export starts Notepad with the saved file and waits" \
    "process '$editor', window '$editor_window', waiting $waiting, ended: '$closed_by'; $(check_lines)"
fi
# Open hands the file to the spreadsheet program of scx.ini line 1 and waits
# for it: the program has written its argument and is still running (3 s)
# while the command has not returned, and the command returns after it ended.
calc_txt="$helpers/Table Calc/calc.txt"
if wait_log "command SScommand3$"; then
  for _ in $(seq 40); do [ -s "$calc_txt" ] && break; sleep 0.5; done
fi
running_wait=no
grep -q "command SScommand3 returned" "$log" || running_wait=yes
wait_log "command SScommand3 returned"
waited_ms=$(sed -n 's/^check\tcommand SScommand3 returned after \([0-9]*\) ms$/\1/p' "$log")
if grep -qxF "arg	$saved" "$calc_txt" 2>/dev/null && [ "$(grep -c '^arg' "$calc_txt")" -eq 1 ] \
    && [ "$running_wait" = yes ] && grep -qx "ended" "$calc_txt" && [ "${waited_ms:-0}" -ge 3000 ]; then
  pass "Open starts the spreadsheet program by the path in scx.ini line 1 with the file as one argument, and waits for it ($waited_ms ms for a program that runs 3 s)"
else
  fail "the spreadsheet program of scx.ini line 1 started and waited for" \
    "program: $(tr '\n' ' ' <"$calc_txt" 2>&1); waiting $running_wait; returned after '${waited_ms}' ms; $(check_lines)"
fi
wineserver -k
wineserver -w
printf '\r\n1\r\nEnglish\r\n 10 \r\n 0 \r\n\r\n\r\n0\r\nReady\r\n' >"$settings_dir/scx.ini"

# The settings dialog saves scx.ini (umlauts and accents in the path field)
# and starts the program again.
path_text='C:\Programme\Größe\Été\calc.exe'
start_program ZKD735_CHECK_SETTINGS="$path_text"
wait_window
saved_ini() { iconv -f latin1 -t utf-8 "$1" 2>/dev/null | grep -q "Größe"; }
for _ in $(seq 40); do saved_ini "$settings_dir/scx.ini" && break; sleep 0.5; done
# The first copy ends and the second one shows its window.
sleep 4
wait_window
if saved_ini "$settings_dir/scx.ini"; then
  pass "the settings dialog saves scx.ini"
else
  fail "the settings dialog saves scx.ini" "$(od -c "$settings_dir/scx.ini" | head -3)"
fi
if wait_window; then
  pass "the settings save starts ZKD735_DataRecorder.exe again, which shows its window"
else
  fail "restart after the settings save" "$(tail -3 "$tmp/program.out")"
fi
wineserver -k
wineserver -w

# The same input through the Linux build gives the same bytes.
if [ -x "$linux_build/bin/ZKD735_DataRecorder" ]; then
  linux_dir="$tmp/linux"
  mkdir -p "$linux_dir"
  cp "$linux_build/bin/ZKD735_DataRecorder" "$linux_dir/"
  printf '\r\n1\r\nEnglish\r\n 10 \r\n 0 \r\n\r\n\r\n0\r\nReady\r\n' >"$linux_dir/scx.ini"
  mkdir -p "$tmp/linux-run" && chmod 700 "$tmp/linux-run"
  (cd "$linux_dir" && XDG_RUNTIME_DIR="$tmp/linux-run" QT_QPA_PLATFORM=offscreen \
     ZKD735_CHECK_SETTINGS="$path_text" timeout 10 ./ZKD735_DataRecorder >/dev/null 2>&1 &
   for _ in $(seq 20); do saved_ini "$linux_dir/scx.ini" && break; sleep 0.5; done
   sleep 2; pkill -f "$linux_dir/ZKD735_DataRecorder")
  if cmp -s "$linux_dir/scx.ini" "$settings_dir/scx.ini"; then
    pass "scx.ini written under Wine is byte for byte the Linux build's ($(wc -c <"$settings_dir/scx.ini") bytes)"
    od -c "$settings_dir/scx.ini" | head -4 | sed 's/^/      /'
  else
    fail "scx.ini byte for byte as on Linux" "$(cmp "$linux_dir/scx.ini" "$settings_dir/scx.ini" 2>&1)"
  fi
else
  fail "scx.ini byte for byte as on Linux" "no Linux build in $linux_build"
fi

# --- the recorder without a window -------------------------------------------------
record="C:\\Program Files\\ZKD735 Data Recorder\\zkd735-record.exe"
help=$(wine "$record" --help 2>/dev/null | tr -d '\r')
if echo "$help" | grep -q -- "--port" && echo "$help" | grep -qi "no MQTT"; then
  pass "zkd735-record.exe --help, saying MQTT is for the Linux build"
else
  fail "zkd735-record.exe --help" "$(echo "$help" | head -3)"
fi
version=$(wine "$record" --version 2>/dev/null | tr -d '\r')
want=$(sed -n 's/^project(ZKD735_DataRecorder VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
if echo "$version" | grep -q "$want"; then
  pass "zkd735-record.exe --version ($version)"
else
  fail "zkd735-record.exe --version" "$version"
fi
(cd "$tmp" && timeout 60 wine "$record" --port COM7 --duration 2 >"$tmp/record.out" 2>&1)
rc=$?
if [ "$rc" -eq 3 ]; then
  pass "zkd735-record.exe reports a port that does not answer (exit 3: $(tr -d '\r' <"$tmp/record.out" | head -1 | cut -c1-70))"
else
  fail "zkd735-record.exe port error" "exit $rc: $(head -2 "$tmp/record.out")"
fi

# --- the uninstaller --------------------------------------------------------------
wine "$program_dir/uninstall.exe" /S >/dev/null 2>&1
wineserver -w
sleep 2
if [ ! -e "$program_dir" ] && [ ! -f "$start_menu" ] && ! wine reg query "$uninstall_key" >/dev/null 2>&1; then
  pass "silent uninstall removes the program folder, the Start-menu entry and the registration"
else
  # shellcheck disable=SC2012  # what is left, shown to a person
  fail "silent uninstall" "$(ls "$program_dir" 2>&1 | tr '\n' ' ')"
fi
echo "      screenshots: $shots/window.png, $shots/recording.png, $shots/editor.png"
finish
