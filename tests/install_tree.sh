#!/usr/bin/env bash
# Installs the build into a temporary prefix and runs the installed tool, as
# an ordinary user, against the installed drive-sim: the tool must connect,
# set up the user's own working folder, and the desktop entry must be valid.
#   install_tree.sh BUILD_DIR
set -euo pipefail
build="$1"
tmp="$(mktemp -d)"
trap 'kill $tool $sim 2>/dev/null || true; rm -rf "$tmp"' EXIT
chmod 755 "$tmp"
prefix="$tmp/prefix"
cmake --install "$build" --prefix "$prefix" --component tool > /dev/null

desktop-file-validate "$prefix/share/applications/vemar-servo.desktop"
test -f "$prefix/lib/udev/rules.d/70-vemar-servo.rules"
test -f "$prefix/share/icons/hicolor/scalable/apps/vemar-servo.svg"

# As root the program folder is writable, so run as nobody to use the
# per-user folder the way a desktop user does.
as_user=()
home="$tmp/home"
mkdir -p "$home"
if [ "$(id -u)" -eq 0 ]; then
  chown 65534:65534 "$home"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi

"${as_user[@]}" env HOME="$home" "$prefix/bin/drive-sim" --link "$home/drive" 2> "$tmp/sim.log" > /dev/null &
sim=$!
for _ in $(seq 50); do [ -e "$home/drive" ] && break; sleep 0.1; done
test -e "$home/drive"

"${as_user[@]}" env HOME="$home" XDG_DATA_HOME= QT_QPA_PLATFORM=offscreen SERVO_EXTRA_PORTS="$home/drive" \
  "$prefix/bin/servo-tool" --port "$home/drive" > "$tmp/tool.log" 2>&1 &
tool=$!
# The tool connects and keeps the link alive: wait for the drive to have
# answered a few requests.
for _ in $(seq 100); do
  sleep 0.1
  kill -0 $tool
done
kill $tool
wait $tool || true
# The installed command line finds the definitions beside itself.
"${as_user[@]}" env HOME="$home" "$prefix/bin/servo-cli" info --port "$home/drive" > "$tmp/cli.log"
grep -q "^parameters  *[1-9]" "$tmp/cli.log"
kill $sim
wait $sim || true
requests=$(sed -n 's/.*requests \([0-9]*\),.*/\1/p' "$tmp/sim.log" | tail -1)
echo "drive-sim answered ${requests:-0} requests"
[ "${requests:-0}" -ge 3 ]

work="$home/.local/share/servo-tool"
test -f "$work/config.ini"
test -L "$work/ParameterFile"
[ "$(readlink "$work/ParameterFile")" = "$prefix/lib/vemar-servo/ParameterFile" ]
test ! -e "$prefix/lib/vemar-servo/.servo-write-test"

# Root keeps to its own home and says that it runs as root; the installed
# folder, which it could write, stays as it was.
if [ "$(id -u)" -eq 0 ]; then
  installed="$(ls -lR "$prefix/lib/vemar-servo")"
  mkdir "$tmp/root"
  HOME="$tmp/root" XDG_DATA_HOME= QT_QPA_PLATFORM=offscreen "$prefix/bin/servo-tool" > "$tmp/root.log" 2>&1 &
  tool=$!
  for _ in $(seq 100); do grep -q "running as root" "$tmp/root.log" && break; sleep 0.1; done
  kill $tool; wait $tool || true
  grep -q "running as root" "$tmp/root.log"
  test -f "$tmp/root/.local/share/servo-tool/config.ini"
  [ "$(ls -lR "$prefix/lib/vemar-servo")" = "$installed" ]
fi
echo "installed tree works"
