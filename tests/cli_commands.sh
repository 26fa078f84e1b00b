#!/usr/bin/env bash
# servo-cli against simulated drives on pseudo-terminals, over lossy links:
# a backup restored onto a drive with other values leaves both equal; a
# refusal, a hostile file and bad arguments give their exit status and write
# nothing; diff names exactly the parameters that differ.
#   cli_commands.sh SERVO_CLI DRIVE_SIM
set -uo pipefail
cli="$1"
sim="$2"
tmp="$(mktemp -d)"
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; rm -rf "$tmp"' EXIT
failures=0

start_drive() { # NAME [drive-sim options]
  local name="$1"; shift
  "$sim" --quiet --link "$tmp/$name" "$@" > /dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -e "$tmp/$name" ] && return; sleep 0.1; done
  echo "drive-sim $name did not start"; exit 1
}

expect() { # STATUS DESCRIPTION COMMAND...
  local want="$1" what="$2"; shift 2
  "$@" > "$tmp/out" 2> "$tmp/err"
  local got=$?
  if [ "$got" != "$want" ]; then
    echo "FAIL: $what: exit $got, expected $want"; cat "$tmp/out" "$tmp/err"; failures=$((failures + 1))
  fi
}

check() { # DESCRIPTION CONDITION...
  local what="$1"; shift
  if ! "$@"; then echo "FAIL: $what"; cat "$tmp/out" "$tmp/err"; failures=$((failures + 1)); fi
}

# Drive b differs from the factory values of drive a in three parameters.
printf '[Parameter]\nP00_02=1\nP01_02=300\nP02_00=4000\n' > "$tmp/other.conf"
start_drive a --drop-every 5
start_drive b --corrupt-every 7 --values "$tmp/other.conf"
start_drive refusing --refuse P01_02

expect 0 "ports" env SERVO_EXTRA_PORTS="$tmp/a" "$cli" ports
check "ports lists the extra port" grep -q "$tmp/a" "$tmp/out"
expect 0 "info" "$cli" info --port "$tmp/a" --json
check "info names model and serial" grep -q '"serial": "VMRSIM202612001"' "$tmp/out"
expect 3 "info without a drive" "$cli" info --port "$tmp/none"
for command in ports info backup restore diff get set monitor capture; do
  expect 0 "$command --help" "$cli" "$command" --help
done
expect 4 "unknown command" "$cli" frobnicate

expect 0 "backup a" "$cli" backup --port "$tmp/a" -o "$tmp/a.conf"
expect 0 "backup b" "$cli" backup --port "$tmp/b" -o "$tmp/b.conf"
check "backup keeps serial, date and tool version" grep -q '^SerialNumber=VMRSIM' "$tmp/a.conf"
expect 1 "diff of two drives" "$cli" diff "$tmp/a.conf" "$tmp/b.conf"
check "diff names exactly the three parameters" \
  test "$(awk 'NR > 1 { print $1 }' "$tmp/out" | tr '\n' ' ')" = "P00_02 P01_02 P02_00 "

expect 0 "restore --dry-run" "$cli" restore "$tmp/a.conf" --port "$tmp/b" --dry-run
expect 1 "dry run writes nothing" "$cli" diff "$tmp/a.conf" --port "$tmp/b"
expect 0 "restore a onto b" "$cli" restore "$tmp/a.conf" --port "$tmp/b"
expect 0 "b equals a after the restore" "$cli" diff "$tmp/a.conf" --port "$tmp/b"

# Refusals name the code and end in status 2.
expect 2 "refused set" "$cli" set --port "$tmp/refusing" P01_02=300
check "the refusal names the code" grep -q 'P01_02' "$tmp/err"
expect 2 "refused restore" "$cli" restore "$tmp/b.conf" --port "$tmp/refusing"
check "the refused restore names the code" grep -q 'P01_02' "$tmp/err"

# With the servo on, stop-only parameters (P00_02) are left out and named.
mkfifo "$tmp/running.in"
"$sim" --quiet --link "$tmp/running" --values "$tmp/other.conf" < "$tmp/running.in" > /dev/null 2>&1 &
pids+=($!)
exec 3> "$tmp/running.in"
echo "servo on" >&3
for _ in $(seq 50); do [ -e "$tmp/running" ] && break; sleep 0.1; done
expect 2 "restore with the servo on" "$cli" restore "$tmp/a.conf" --port "$tmp/running"
check "the servo-on restore names the stop-only code" grep -q 'P00_02.*servo' "$tmp/err"
check "and writes the others" grep -q 'P01_02' "$tmp/out"

# Bad input is refused before anything reaches the drive.
for value in abc 99999 -1 1.5; do
  expect 4 "set P01_02=$value" "$cli" set --port "$tmp/a" "P01_02=$value"
done
expect 4 "set of an unknown code" "$cli" set --port "$tmp/a" P99_01=1
expect 4 "set of a read-only parameter" "$cli" set --port "$tmp/a" P00_03=1
sed 's/^P01_02=.*/P01_02=abc/' "$tmp/b.conf" > "$tmp/nan.conf"
sed 's/^P00_02=.*/P00_02=1/; s/^P02_00=.*/P02_00=999999999/' "$tmp/a.conf" > "$tmp/range.conf"
sed 's/^P00_02=.*/P00_02=1/; $a P77_01=5' "$tmp/a.conf" > "$tmp/unknown.conf"
sed 's/^Model=.*/Model=OTHER/' "$tmp/b.conf" > "$tmp/model.conf"
head -c -3 "$tmp/b.conf" > "$tmp/cut.conf"
{ cat "$tmp/b.conf"; printf 'P00_01=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\aQColor)\n'; } > "$tmp/hostile.conf"
for file in nan range unknown model cut hostile missing; do
  expect 4 "restore of $file.conf" "$cli" restore "$tmp/$file.conf" --port "$tmp/a"
done
expect 0 "a keeps its values after the refused inputs" "$cli" diff "$tmp/a.conf" --port "$tmp/a"
expect 4 "diff with a cut file" "$cli" diff "$tmp/cut.conf" "$tmp/a.conf"

expect 0 "get" "$cli" get --port "$tmp/a" P01_02 --json
check "get reads the value" grep -q '"value": "210"' "$tmp/out"
expect 0 "monitor" "$cli" monitor --port "$tmp/a" --period 50 --count 3 U0-01 U0-02
check "monitor prints a title and three rows" test "$(wc -l < "$tmp/out")" = 4
check "monitor rows have a time and two values" grep -qE '^[0-9]+,[^,]+,[^,]+$' "$tmp/out"
expect 0 "capture" "$cli" capture --port "$tmp/a" --seconds 0.3 -o "$tmp/wave.csv"
check "capture writes samples" test "$(wc -l < "$tmp/wave.csv")" -gt 100

[ "$failures" = 0 ]
