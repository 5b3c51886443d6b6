#!/usr/bin/env bash
# Makes the Debian package from a build folder, checks what it installs with
# the desktop's own validators and lintian, and starts the program from the
# package unpacked into a scratch folder (never installed) under Xvfb.
# Usage: check_package.sh build-folder
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(realpath "$1")"
work="$build/package-check"
rm -rf "$work"
mkdir -p "$work"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
step() { echo "== $*"; }

step "cpack -G DEB"
# cpack computes Depends with dpkg-shlibdeps.
command -v dpkg-shlibdeps >/dev/null || fail "no dpkg-shlibdeps (dpkg-dev)"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
version="$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")"
deb="$work/fendrel_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb"); cpack made: $(ls "$work")"
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"

step "Depends, from the binary's libraries"
depends="$(dpkg-deb -f "$deb" Depends)"
echo "$depends"
for library in libc6 libqt6widgets6 libqt6svg6 libtbb12; do
  grep -q "\b$library\b" <<<"$depends" || fail "Depends lacks $library"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
desktop="$root/usr/share/applications/org.fendrel.Fendrel.desktop"
metainfo="$root/usr/share/metainfo/org.fendrel.Fendrel.metainfo.xml"
mime="$root/usr/share/mime/packages/fendrel.xml"
icons="$root/usr/share/icons/hicolor"
guide="$root/usr/share/doc/fendrel/guide/index.html"
for file in "$root/usr/bin/fendrel" "$root/usr/bin/fendrel-cli" "$root/usr/share/man/man1/fendrel.1.gz" \
  "$root/usr/share/man/man1/fendrel-cli.1.gz" "$desktop" "$metainfo" "$mime" \
  "$icons/scalable/apps/fendrel.svg" "$guide" "$(dirname "$guide")/levels.png"; do
  [ -f "$file" ] || fail "the package has no ${file#"$root"}"
done
for size in 16 32 48 64 128 256; do
  png="$icons/${size}x${size}/apps/fendrel.png"
  [ -f "$png" ] || fail "no ${size}x${size} icon"
  [ "$(od -An -tx1 -j16 -N8 "$png" | tr -d ' \n')" = "$(printf '%08x%08x' "$size" "$size")" ] ||
    fail "the ${size}x${size} icon is not ${size} pixels square"
done

step "desktop-file-validate"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx 'Exec=fendrel %f' "$desktop" || fail "the desktop entry does not pass the file"
grep -qx 'MimeType=application/x-fendrel-sample;text/csv;text/tab-separated-values;' "$desktop" ||
  fail "the desktop entry does not take sample, CSV and TAB-separated files"

grep -q '/usr/share/doc/fendrel/guide/index.html' "$metainfo" ||
  fail "the AppStream data does not point to the user guide"

step "appstreamcli validate --no-net"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"

step "the sample file type in a MIME database of its own"
mkdir -p "$work/mime/packages"
cp "$mime" "$work/mime/packages/"
update-mime-database "$work/mime" 2>"$work/update-mime-database.log"
grep -q ':application/x-fendrel-sample:\*\.qls$' "$work/mime/globs2" ||
  fail "*.qls is not application/x-fendrel-sample"

step "lintian"
status=0
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || status=$?
grep -v 'running with root privileges' "$work/lintian.log" || echo "(nothing to report)"
((status == 0)) || fail "lintian reports errors"

step "fendrel --help and --version, with no display"
env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/fendrel" --help | grep -q '^Usage: fendrel \[FILE\]' ||
  fail "fendrel --help prints no usage"
env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/fendrel" --version | grep -qx "fendrel $version" ||
  fail "fendrel --version does not print $version"

step "fendrel-cli --version, unpacked"
# Links no Qt and needs no display.
cli_version="$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/fendrel-cli" --version)" ||
  fail "fendrel-cli --version"
echo "$cli_version"
[ "$cli_version" = "fendrel-cli $version" ] || fail "fendrel-cli names version '$cli_version'"
if objdump -p "$root/usr/bin/fendrel-cli" | grep -q 'NEEDED.*Qt'; then
  fail "fendrel-cli links Qt"
fi

step "the unpacked program under Xvfb"
"$here/../e2e/run_e2e.sh" "$root/usr/bin/fendrel" "$work/e2e" test_fendrel.CommandLine
