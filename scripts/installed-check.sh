#!/usr/bin/env bash
# Checks the Debian package the way a user meets it, on a machine where the
# clone is already built (build/ exists, as after scripts/test.sh). As root:
#   1. builds the package with scripts/package.sh;
#   2. installs it with apt-get install ./zkd735-recorder_*.deb;
#   3. creates a normal user (ZKD_CHECK_USER, default zkdcheck) and as that
#      user starts the installed program under xvfb-run from its desktop
#      command, records a run against zkd735-sim on a pseudo-terminal link,
#      saves in the settings dialog and checks that after the restart the new
#      settings are in the user's configuration folder and the new copy runs.
# Everything it starts is ended by process group. Exits non-zero naming the
# part that failed. Meant for a fresh Debian 12 root (scripts/fresh-check.sh).
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
user="${ZKD_CHECK_USER:-zkdcheck}"
out="$(mktemp -d /tmp/zkd735-installed.XXXXXX)"
chmod 0755 "$out"
groups=()

say() { echo "installed-check: $*"; }
fail() {
  say "FAILED at $1: $2"
  for f in "$out"/*.log; do [ -s "$f" ] && { echo "--- $(basename "$f")"; tail -n 15 "$f"; }; done
  exit 1
}
cleanup() {
  local g
  for g in "${groups[@]}"; do kill -TERM -- "-$g" 2>/dev/null; done
  sleep 1
  for g in "${groups[@]}"; do kill -KILL -- "-$g" 2>/dev/null; done
  # The user's processes were all started in these groups; the restarted
  # copy is a child of the first recorder's group.
  rm -rf "$out"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

[ "$(id -u)" -eq 0 ] || { echo "installed-check: needs root (apt-get, useradd)" >&2; exit 2; }
[ -d "$here/build" ] || fail build "no build/ in $here (run scripts/test.sh first)"

# --- 1. package ---------------------------------------------------------------
bash "$here/scripts/package.sh" "$out" >"$out/package.log" 2>&1 || fail package "scripts/package.sh failed"
deb="$(find "$out" -maxdepth 1 -name 'zkd735-recorder_*.deb' | sort | head -n 1)"
[ -n "$deb" ] || fail package "no zkd735-recorder_*.deb was made"
say "package: $(basename "$deb")"

# --- 2. install -----------------------------------------------------------------
(cd "$out" && DEBIAN_FRONTEND=noninteractive apt-get install -y ./"$(basename "$deb")") >"$out/install.log" 2>&1 ||
  fail install "apt-get install ./$(basename "$deb") failed"
for f in /usr/bin/ZKD735_DataRecorder /usr/bin/zkd735-record /usr/bin/zkd735-sim /usr/bin/zkd735-collect \
         /usr/share/doc/zkd735/ZKD735.pdf /usr/share/applications/org.zkd735.DataRecorder.desktop \
         /usr/share/metainfo/org.zkd735.DataRecorder.metainfo.xml \
         /usr/share/icons/hicolor/48x48/apps/org.zkd735.DataRecorder.png \
         /usr/share/icons/hicolor/scalable/apps/org.zkd735.DataRecorder.svg \
         /usr/share/man/man1/ZKD735_DataRecorder.1.gz /usr/share/man/man1/zkd735-record.1.gz \
         /usr/share/man/man1/zkd735-sim.1.gz /usr/share/man/man1/zkd735-collect.1.gz; do
  [ -e "$f" ] || fail install "the package did not install $f"
done
version="$(env -u DISPLAY /usr/bin/ZKD735_DataRecorder --version)" || fail install "ZKD735_DataRecorder --version failed"
say "installed: $version"

# --- 3. as a normal user ---------------------------------------------------------
id "$user" >/dev/null 2>&1 || useradd -m -s /bin/bash "$user" || fail user "useradd $user failed"
home="$(getent passwd "$user" | cut -d: -f6)"
uid="$(id -u "$user")"
run="/tmp/zkd735-run-$uid"
rm -rf "$run" && install -d -m 0700 -o "$user" "$run"
as_user() {
  runuser -u "$user" -- env -i HOME="$home" USER="$user" LOGNAME="$user" PATH=/usr/bin:/bin \
    XDG_RUNTIME_DIR="$run" LANG=C.UTF-8 "$@"
}
config="$home/.config/ZKD735_DataRecorder"
link="$home/ttyZKD735"
measure="$home/ZKD735"
rm -rf "$config" "$measure" "$link" "$home/.zkd735-display"

# The simulator on a pseudo-terminal link in the user's home.
setsid runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin \
  zkd735-sim --link "$link" --baud 9600 --interval 200 --quiet >"$out/sim.log" 2>&1 &
groups+=($!)
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
[ -e "$link" ] || fail simulator "zkd735-sim made no link $link"

# The user's settings point at the simulator; line 7 marks the file as not
# yet written by the settings dialog, whose save always empties it.
as_user mkdir -p "$config"
printf '%s\r\n' "" "$link" "English" " 10 " " 0 " "9600" "before-save" "0" "Ready" |
  as_user tee "$config/scx.ini" >/dev/null

# The desktop entry's command, under xvfb-run. The settings dialog's restart
# ends the first copy, so the X server is kept until the check is done.
as_user touch "$home/.zkd735-keep-x"
exec_line="$(sed -n 's/^Exec=//p' /usr/share/applications/org.zkd735.DataRecorder.desktop)"
[ -n "$exec_line" ] || fail desktop "the desktop entry has no Exec line"
setsid runuser -u "$user" -- env -i HOME="$home" USER="$user" LOGNAME="$user" PATH=/usr/bin:/bin \
  XDG_RUNTIME_DIR="$run" LANG=C.UTF-8 \
  xvfb-run -a -f "$home/.zkd735-xauth" -s "-screen 0 1280x1024x24" \
  sh -c "cd \"\$HOME\" && echo \"\$DISPLAY\" > \"\$HOME/.zkd735-display\" && $exec_line; while [ -e \"\$HOME/.zkd735-keep-x\" ]; do sleep 1; done" >"$out/window.log" 2>&1 &
groups+=($!)

# The user's running recorder, found by its executable (the newest one).
window_pid() {
  local p found=""
  for p in /proc/[0-9]*; do
    [ "$(stat -c %u "$p" 2>/dev/null)" = "$uid" ] || continue
    [ "$(readlink "$p/exe" 2>/dev/null)" = /usr/bin/ZKD735_DataRecorder ] && found="${p#/proc/}"
  done
  echo "$found"
}
x() { as_user DISPLAY="$display" XAUTHORITY="$home/.zkd735-xauth" timeout 10 xdotool "$@" 2>/dev/null; }
find_window() { x search --onlyvisible --name "$1" | head -n 1; }

wid=""
display=""
for _ in $(seq 120); do
  [ -s "$home/.zkd735-display" ] && display="$(cat "$home/.zkd735-display")"
  [ -n "$display" ] && wid="$(find_window 'ZKD735  Data Recorder')"
  [ -n "$wid" ] && break
  sleep 0.5
done
[ -n "$wid" ] || fail window "the installed program's window never appeared"
first_pid="$(window_pid)"
[ -d "$measure" ] || fail folders "the desktop start did not create $measure"
say "window: up as $user (pid $first_pid), working in $measure"

# Record a run: Start, wait for record lines, Stop, answer No to saving.
x windowfocus --sync "$wid"
x key F5
records=0
for _ in $(seq 60); do
  records="$(grep -cE '^ *[0-9]+[.,][0-9]+' "$measure/Senso.scx" 2>/dev/null || true)"
  [ "${records:-0}" -ge 3 ] && break
  sleep 0.5
done
[ "${records:-0}" -ge 3 ] || fail record "no record lines in $measure/Senso.scx after Start"
say "record: $records record lines from zkd735-sim in $measure/Senso.scx"
x key F5
sleep 1
prompt="$(find_window 'ZKD735_DataRecorder')"
[ -n "$prompt" ] && { x windowfocus --sync "$prompt"; x key n; sleep 0.5; }

# Pictures to look at (ZKD_CHECK_SHOTS=folder): the About box of the
# installed copy, and the menu entry's icon at 48 px as the theme holds it.
if [ -n "${ZKD_CHECK_SHOTS:-}" ]; then
  mkdir -p "$ZKD_CHECK_SHOTS"
  shot() { DISPLAY="$display" XAUTHORITY="$home/.zkd735-xauth" import -window root "$@"; }
  x windowfocus --sync "$wid"
  x key alt+i
  about=""
  for _ in $(seq 20); do about="$(find_window '^ZKD735$')"; [ -n "$about" ] && break; sleep 0.5; done
  if [ -n "$about" ]; then
    sleep 0.5
    shot "$ZKD_CHECK_SHOTS/about.png"
    x windowfocus --sync "$about"
    x key Return
  else
    say "shots: the About box did not open"
  fi
  setsid runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin DISPLAY="$display" \
    XAUTHORITY="$home/.zkd735-xauth" display -title zkd735-icon -background white \
    /usr/share/icons/hicolor/48x48/apps/org.zkd735.DataRecorder.png >/dev/null 2>&1 &
  groups+=($!)
  icon=""
  for _ in $(seq 20); do icon="$(find_window '^zkd735-icon')"; [ -n "$icon" ] && break; sleep 0.5; done
  [ -n "$icon" ] && { sleep 0.5; DISPLAY="$display" XAUTHORITY="$home/.zkd735-xauth" import -window "$icon" "$ZKD_CHECK_SHOTS/icon-48.png"; }
  kill -TERM -- "-${groups[-1]}" 2>/dev/null
  # shellcheck disable=SC2012  # the names are shown to a person, not read back
  say "shots: $(ls "$ZKD_CHECK_SHOTS" | tr '\n' ' ')"
fi

# Settings dialog: Settings > User settings, the language to Francais, Save.
x windowfocus --sync "$wid"
x key alt+s
sleep 0.5
x key u
dialog=""
for _ in $(seq 20); do dialog="$(find_window 'User Settings')"; [ -n "$dialog" ] && break; sleep 0.5; done
[ -n "$dialog" ] || fail settings "the settings dialog did not open"
x windowfocus --sync "$dialog"
sleep 0.5
# Focus starts on the port box; the language box follows it.
x key Tab f Tab Tab Tab Tab space
for _ in $(seq 40); do
  second_pid="$(window_pid)"
  [ -n "$second_pid" ] && [ "$second_pid" != "$first_pid" ] && break
  sleep 0.5
done
saved="$(tr -d '\r' <"$config/scx.ini" 2>/dev/null)"
{ [ "$(sed -n 7p <<<"$saved")" = "" ] && [ "$(sed -n 9p <<<"$saved")" = "Ready" ]; } ||
  fail settings "the dialog's save did not write $config/scx.ini (it holds: $(tr '\n' '|' <<<"$saved"))"
[ "$(sed -n 3p <<<"$saved")" = "Francais" ] || fail settings "the saved language is '$(sed -n 3p <<<"$saved")', not Francais"
[ ! -e /usr/bin/scx.ini ] || fail settings "an scx.ini was written into /usr/bin"
{ [ -n "${second_pid:-}" ] && [ "$second_pid" != "$first_pid" ]; } || fail restart "no new copy of the program after the save"
wid2=""
for _ in $(seq 40); do wid2="$(find_window 'ZKD735  Data Recorder')"; [ -n "$wid2" ] && break; sleep 0.5; done
[ -n "$wid2" ] || fail restart "the restarted copy shows no window"
[ "$(readlink "/proc/$second_pid/cwd")" = "$measure" ] || fail restart "the restarted copy does not work in $measure"
say "settings: saved by the dialog into $config/scx.ini; restarted as pid $second_pid in $measure"
say "passed"
