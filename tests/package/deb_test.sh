#!/usr/bin/env bash
# The Debian package of kvtool: its control fields and contents (dpkg-deb), and an installation into a
# scratch root where kvtool runs, reports its version and binds the library beside it.
# usage: deb_test.sh PACKAGE.deb VERSION
set -euo pipefail
deb=$(realpath "$1")
version=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

[ "$(basename "$deb")" = "kvtool_${version}_amd64.deb" ] || fail "the package is named $(basename "$deb")"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = kvtool ] || fail "Package is $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version is $(field Version)"
[ "$(field Architecture)" = amd64 ] || fail "Architecture is $(field Architecture)"
field Depends | grep -q 'libhidapi-hidraw0' || fail "no dependency on the hidapi runtime: $(field Depends)"
[ -n "$(field Maintainer)" ] && [ -n "$(field Description)" ] || fail "Maintainer or Description is missing"

# Contents: path and mode, one line each.
listing=$(dpkg-deb -c "$deb" | awk '{ print $1, $6 }')
for want in '-rwxr-xr-x ./usr/lib/kelvane/kvtool' '-rw-r--r-- ./usr/lib/kelvane/libquorvex.so' \
            'lrwxrwxrwx ./usr/bin/kvtool' '-rw-r--r-- ./lib/udev/rules.d/70-kelvane-keyboard.rules' \
            '-rw-r--r-- ./usr/share/man/man1/kvtool.1.gz'; do
  grep -qxF -- "$want" <<<"$listing" || fail "the package lacks $want"
done
# The maintainer script reloads the udev rules on installation.
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./postinst | grep -q 'udevadm control --reload-rules' || \
  fail "postinst does not reload the udev rules"

dpkg-deb -x "$deb" "$root"
[ "$(readlink "$root/usr/bin/kvtool")" = ../lib/kelvane/kvtool ] || fail "/usr/bin/kvtool does not lead to the program"
cmp -s "$root/lib/udev/rules.d/70-kelvane-keyboard.rules" "$(dirname "$0")/../../resources/linux/70-kelvane-keyboard.rules" || \
  fail "the udev rule is not the one of the repository"
zcat "$root/usr/share/man/man1/kvtool.1.gz" | grep -q '^\.B info' || fail "the manual page does not list the commands"
out=$("$root/usr/bin/kvtool" --version)
[ "$out" = "kvtool $version" ] || fail "kvtool --version says \"$out\""
# The real library is found beside the program through the link, and binds: without a keyboard the tool
# says the keyboard is not present (exit 1), not that the library is missing (exit 3).
set +e
err=$("$root/usr/bin/kvtool" info 2>&1 >/dev/null); code=$?
set -e
[ "$code" -eq 1 ] || fail "kvtool info from the package exited with $code: $err"
grep -q 'not present' <<<"$err" || fail "kvtool info from the package said: $err"
readelf -d "$root/usr/lib/kelvane/libquorvex.so" | grep -q 'NEEDED.*libhidapi-hidraw' || fail "the packaged library is not the one over hidapi"
echo "package test passed"
