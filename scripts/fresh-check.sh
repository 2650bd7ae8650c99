#!/usr/bin/env bash
# Proves the README's two commands on a new machine: builds a minimal Debian 12
# root (debootstrap, variant minbase), clones this project into it and there
#   1. runs the README's test command, exactly as the README writes it, then
#      the suite once more as a user made for the purpose (as root the tests
#      of unreadable and unwritable files and folders skip);
#   2. runs the README's run command under xvfb-run, presses Start (F5) and
#      waits until the working file holds record lines from the simulator;
#   3. builds the Debian package from the clone (scripts/installed-check.sh),
#      installs it with apt-get and, as a normal user, records a run with the
#      installed program and saves its settings through the dialog.
# The finished base root is kept as a tarball (ZKD_FRESH_CACHE, default
# /var/cache/zkd735-fresh) so that later runs skip the bootstrap. The root is
# unmounted and removed on every exit path. Needs root; exits 2 otherwise.
#
#   scripts/fresh-check.sh            every step
#   ZKD_FRESH_KEEP_CACHE=0 ...        bootstrap anew (drops the cached base)
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"

if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-check: needs root (debootstrap, chroot and mounts); run it as root" >&2
  exit 2
fi

cache="${ZKD_FRESH_CACHE:-/var/cache/zkd735-fresh}"
base="$cache/bookworm-minbase.tar.gz"
[ "${ZKD_FRESH_KEEP_CACHE:-1}" = 0 ] && rm -f "$base"
work="$(mktemp -d "${ZKD_FRESH_WORK:-/var/tmp}/zkd735-fresh.XXXXXX")"
root="$work/root"
log="$work/log"
passed=0
failed=0
results=()

# Every process whose root is the fresh root, by process id.
# shellcheck disable=SC2317  # called from cleanup, which only the EXIT trap runs
root_pids() {
  local p r
  for p in /proc/[0-9]*; do
    r="$(readlink "$p/root" 2>/dev/null)" || continue
    [ "$r" = "$root" ] && echo "${p#/proc/}"
  done
}

# shellcheck disable=SC2317  # run by the EXIT trap, never called by name
cleanup() {
  local pids
  mapfile -t pids < <(root_pids)
  if [ ${#pids[@]} -gt 0 ]; then
    kill -TERM "${pids[@]}" 2>/dev/null
    sleep 1
    mapfile -t pids < <(root_pids)
    [ ${#pids[@]} -gt 0 ] && kill -KILL "${pids[@]}" 2>/dev/null
  fi
  local m
  for m in var/cache/apt/archives dev/pts dev sys proc ""; do
    if mountpoint -q "$root/$m" 2>/dev/null; then
      umount "$root/$m" 2>/dev/null || umount -l "$root/$m"
    fi
  done
  # Never remove anything while a mount is still inside the root.
  if grep -qE " $root(/| )" /proc/mounts; then
    echo "fresh-check: mounts left under $root; not removed" >&2
  else
    rm -rf "$work"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

now() { date +%s; }
elapsed() { echo "$(($(now) - $1)) s"; }
say() { echo "fresh-check: $*"; }

# Ends the check: the closing line ("N passed, M failed" over the test
# command, the run command and the package), non-zero when a step failed.
finish() {
  local r
  for r in "${results[@]}"; do echo "  $r"; done
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit $?
}

# A step that the later ones need; its failure ends the check.
fatal() {
  say "step '$1' failed: $2"
  results+=("$1: FAILED ($2)")
  failed=$((failed + 1))
  [ -f "$log" ] && tail -n 30 "$log" | sed 's/^/    /'
  finish
}

# The Debian mirror apt on this machine uses (the first non-security one).
mirror() {
  local m=""
  if compgen -G "/etc/apt/sources.list.d/*.sources" >/dev/null; then
    m="$(grep -h '^URIs:' /etc/apt/sources.list.d/*.sources | awk '{print $2}' | grep -v security | head -n 1)"
  fi
  if [ -z "$m" ] && [ -f /etc/apt/sources.list ]; then
    m="$(awk '$1 == "deb" && $0 !~ /security/ {print $2; exit}' /etc/apt/sources.list)"
  fi
  echo "${m:-http://deb.debian.org/debian}"
}

in_root() { chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }

# --- bootstrap -------------------------------------------------------------
t0="$(now)"
mkdir -p "$root"
if [ ! -s "$base" ]; then
  say "bootstrapping a minimal Debian 12 root from $(mirror)"
  if ! command -v debootstrap >/dev/null; then
    { apt-get update -qq >"$log" 2>&1 && DEBIAN_FRONTEND=noninteractive \
      apt-get install -y -qq --no-install-recommends debootstrap >>"$log" 2>&1; } ||
      fatal bootstrap "debootstrap could not be installed on this machine"
  fi
  debootstrap --variant=minbase bookworm "$root" "$(mirror)" >"$log" 2>&1 ||
    fatal bootstrap "debootstrap failed (network or mirror?)"
  mirror_url="$(mirror)"
  security="$(grep -h '^URIs:.*security' /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '{print $2}' | head -n 1)"
  {
    echo "deb $mirror_url bookworm main"
    echo "deb $mirror_url bookworm-updates main"
    echo "deb ${security:-http://deb.debian.org/debian-security} bookworm-security main"
  } >"$root/etc/apt/sources.list"
  mkdir -p "$cache"
  { tar -C "$root" -czf "$base.part" . && mv "$base.part" "$base"; } ||
    fatal bootstrap "could not store the base root in $cache"
  results+=("bootstrap: $(elapsed "$t0") (new base root)")
else
  tar -C "$root" -xzf "$base" >"$log" 2>&1 || fatal bootstrap "cached base $base unreadable"
  results+=("bootstrap: $(elapsed "$t0") (cached base root)")
fi

# --- the root as a machine -------------------------------------------------
# The root is a mount point of its own, as / is on a real machine: programs
# that ask which file system holds a folder (free space) find one.
{ mount --bind "$root" "$root" &&
  mount -t proc proc "$root/proc" && mount --rbind /sys "$root/sys" && mount --make-rslave "$root/sys" &&
  mount --bind /dev "$root/dev" && mount --bind /dev/pts "$root/dev/pts"; } ||
  fatal bootstrap "could not mount /proc, /sys and /dev into the root"
# Downloaded packages are kept between runs (only the .deb files: every run
# installs them anew, as on a new machine).
mkdir -p "$cache/apt-archives/partial"
mount --bind "$cache/apt-archives" "$root/var/cache/apt/archives" ||
  fatal bootstrap "could not mount the package cache into the root"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
# debootstrap writes no /etc/hosts: the root gets the one a Debian 12
# installation writes, where "localhost" stands for ::1 as well as 127.0.0.1.
cat >"$root/etc/hosts" <<HOSTS
127.0.0.1	localhost
127.0.1.1	$(hostname)

# The following lines are desirable for IPv6 capable hosts
::1     localhost ip6-localhost ip6-loopback
ff02::1 ip6-allnodes
ff02::2 ip6-allrouters
HOSTS
# A chroot has no init: packages must not try to start their services.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod +x "$root/usr/sbin/policy-rc.d"

project="$root/srv/zkd735"
git clone -q "$here" "$project" >"$log" 2>&1 || fatal clone "git clone of $here failed"

# The README's commands, as the README writes them.
test_cmd="$(grep -E '^    bash scripts/test\.sh' "$here/README.md" | head -n 1 | sed 's/^ *//')"
run_cmd="$(grep -E '^    bash scripts/run\.sh' "$here/README.md" | head -n 1 | sed 's/^ *//')"
{ [ -n "$test_cmd" ] && [ -n "$run_cmd" ]; } || fatal readme "README names no test or run command"

# --- the README's test command ---------------------------------------------
t0="$(now)"
say "running '$test_cmd' in the fresh root"
in_root bash -c "cd /srv/zkd735 && $test_cmd" >"$log" 2>&1
status=$?
cp "$log" "$work/test.log"
if [ "$status" -eq 0 ]; then
  passed=$((passed + 1))
  results+=("test command: passed in $(elapsed "$t0") ($(grep -E '^[0-9]+% tests passed' "$log" | tail -n 1))")
else
  failed=$((failed + 1))
  if ! in_root dpkg-query -W qt6-base-dev >/dev/null 2>&1; then step="package install"
  elif [ ! -x "$project/build/bin/ZKD735_DataRecorder" ]; then step="build"
  else step="tests"; fi
  say "step '$step' of the test command failed (exit $status):"
  grep -E 'E: |Error|error:|FAILED|\*\*\*Failed|tests failed|failed' "$log" | head -n 20 | sed 's/^/    /'
  tail -n 20 "$log" | sed 's/^/    /'
  results+=("test command: FAILED at $step after $(elapsed "$t0")")
fi

# --- the suite once more, as a normal user ---------------------------------
# Root reads and writes any file, so the tests of unreadable and unwritable
# files and folders skip in the test command. A user made for the purpose runs
# the whole suite in the test command's build, lent to it for the run (the
# tests know their programs by the build's path).
tester=zkd735-tester
t0="$(now)"
if [ -x "$project/build/bin/ZKD735_DataRecorder" ]; then
  say "running the suite as the unprivileged user $tester"
  in_root useradd --create-home --shell /bin/bash "$tester" >"$log" 2>&1 &&
    in_root chown -R "$tester:" /srv/zkd735/build >>"$log" 2>&1
  status=$?
  if [ "$status" -eq 0 ]; then
    in_root runuser -u "$tester" -- /usr/bin/env -i HOME="/home/$tester" PATH=/usr/bin:/bin LANG=C.UTF-8 \
      QT_QPA_PLATFORM=offscreen ctest --test-dir /srv/zkd735/build --output-on-failure -j2 >"$log" 2>&1
    status=$?
  fi
  in_root chown -R root:root /srv/zkd735/build
  summary="$(grep -E '^[0-9]+% tests passed' "$log" | tail -n 1)"
  # What ran inside the test programs, and why anything was skipped.
  last="$project/build/Testing/Temporary/LastTest.log"
  functions="$(awk '/^Totals: /{p += $2; s += $6} END {printf "%d test functions passed, %d skipped", p, s}' "$last" 2>/dev/null)"
  say "as $tester: ${summary:-no ctest summary}; $functions"
  grep -E '^SKIP ' "$last" 2>/dev/null | sed 's/^SKIP *: */    skipped: /' | sort -u
  if [ "$status" -eq 0 ]; then
    passed=$((passed + 1))
    results+=("tests as $tester: passed in $(elapsed "$t0") ($summary; $functions)")
  else
    failed=$((failed + 1))
    grep -E 'FAIL!|\*\*\*Failed|tests failed|useradd|chown' "$log" | head -n 20 | sed 's/^/    /'
    tail -n 20 "$log" | sed 's/^/    /'
    results+=("tests as $tester: FAILED after $(elapsed "$t0") (${summary:-exit $status})")
  fi
else
  failed=$((failed + 1))
  results+=("tests as a normal user: not tried, the build of the test command is missing")
fi

# --- the README's run command, under xvfb-run -------------------------------
t0="$(now)"
say "running '$run_cmd' under xvfb-run in the fresh root"
cat >"$root/srv/window-check.sh" <<WINDOW
#!/usr/bin/env bash
# Runs inside the fresh root: the run command under xvfb-run, Start, records.
set -u
cd /srv/zkd735
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends xvfb xauth xdotool >/tmp/xinstall.log 2>&1 ||
  { echo "window: xvfb-run and xdotool could not be installed"; exit 1; }
rm -f /tmp/display
setsid xvfb-run -a -f /tmp/xauth -s "-screen 0 1280x1024x24" \
  sh -c 'echo "\$DISPLAY" > /tmp/display; exec $run_cmd' >/tmp/run.log 2>&1 &
group=\$!
stop() { kill -TERM -- -\$group 2>/dev/null; sleep 1; kill -KILL -- -\$group 2>/dev/null; }
trap stop EXIT
wid=""
for _ in \$(seq 600); do
  if [ -s /tmp/display ]; then
    export DISPLAY="\$(cat /tmp/display)" XAUTHORITY=/tmp/xauth
    wid="\$(xdotool search --onlyvisible --name 'ZKD735  Data Recorder' 2>/dev/null | head -n 1)"
    [ -n "\$wid" ] && break
  fi
  kill -0 \$group 2>/dev/null || break
  sleep 0.5
done
if [ -z "\$wid" ]; then echo "window: the recorder's window never appeared"; tail -n 20 /tmp/run.log; exit 1; fi
echo "window: the recorder's window is up (\$wid)"
sleep 1
# One press: F5 starts a run and the next press would stop it again.
xdotool windowfocus --sync "\$wid" 2>/dev/null || true
xdotool key F5
work=build/bin/Senso.scx
# The simulator sends a record every 500 ms; a loaded machine may be slow to start.
for _ in \$(seq 240); do
  records="\$(grep -cE '^ *[0-9]+[.,][0-9]+' "\$work" 2>/dev/null || true)"
  [ "\${records:-0}" -ge 3 ] && break
  sleep 0.5
done
if [ "\${records:-0}" -lt 3 ]; then echo "window: no record lines in \$work after Start"; tail -n 20 /tmp/run.log; exit 1; fi
echo "window: \$records record lines from the simulator in \$work"
WINDOW
in_root bash /srv/window-check.sh >"$log" 2>&1
status=$?
sed 's/^/    /' "$log"
if [ "$status" -eq 0 ]; then
  passed=$((passed + 1))
  results+=("run command: window up, Start recorded lines, in $(elapsed "$t0")")
else
  failed=$((failed + 1))
  results+=("run command: FAILED at window after $(elapsed "$t0")")
fi

# --- the Debian package, installed and used by a normal user ---------------
t0="$(now)"
if [ -x "$project/build/bin/ZKD735_DataRecorder" ]; then
  say "building the Debian package, installing it and recording as a normal user"
  in_root bash -c "cd /srv/zkd735 && bash scripts/installed-check.sh" >"$log" 2>&1
  status=$?
  sed 's/^/    /' "$log" | tail -n 25
  if [ "$status" -eq 0 ]; then
    passed=$((passed + 1))
    results+=("package: built, installed with apt-get, recorded and restarted as a user, in $(elapsed "$t0")")
  else
    failed=$((failed + 1))
    results+=("package: FAILED after $(elapsed "$t0") ($(grep -m 1 'FAILED at' "$log" || echo "exit $status"))")
  fi
else
  failed=$((failed + 1))
  results+=("package: not tried, the build of the test command is missing")
fi

finish
