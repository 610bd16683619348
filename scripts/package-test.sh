#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a temporary root and checks it as installed: the
# files in their places, the desktop entry, the command line without a display, and the
# packaged program on a virtual X server reading a tag through the packaged emulated reader
# (found in ../lib/zeld/ beside the program, as in /usr). Build output goes to a log, shown
# only when a step fails.
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/lib.sh
bash scripts/install-deps.sh
quiet_log "$PWD/build/package-test.log"
step cmake --preset default
step cmake --build --preset default -j 2
rm -rf build/package
step cpack -G DEB --config build/default/CPackConfig.cmake -B build/package
deb=$(ls build/package/zeld_*.deb)

root=$(mktemp -d)
source scripts/x11-drive.sh
finish() {
  x11_end_session
  rm -rf "$root"
}
trap finish EXIT
dpkg-deb -x "$deb" "$root"
bin="$root/usr/bin"

source tests/e2e/expect.sh
holds() { [ -f "$root/$1" ] && echo yes || echo no; }

expect "package name" zeld "$(dpkg-deb -f "$deb" Package)"
expect "package names a maintainer" yes \
  "$([ -n "$(dpkg-deb -f "$deb" Maintainer)" ] && echo yes || echo no)"
expect "package depends on Qt Widgets" yes \
  "$(dpkg-deb -f "$deb" Depends | grep -q 'libqt[56]widgets' && echo yes || echo no)"
expect "package depends on libxlsxwriter (the export's module)" yes \
  "$(dpkg-deb -f "$deb" Depends | grep -q 'libxlsxwriter' && echo yes || echo no)"
for file in usr/bin/zeld usr/bin/mf1-field usr/lib/zeld/libMF1.so usr/lib/zeld/libzeld-xlsx.so \
  usr/share/applications/zeld.desktop usr/share/icons/hicolor/scalable/apps/zeld.svg \
  usr/share/icons/hicolor/256x256/apps/zeld.png; do
  expect "$file is in the package" yes "$(holds "$file")"
done
expect "no reader library beside the packaged program" no "$(holds usr/bin/libMF1.so)"
expect "desktop entry is valid" "" \
  "$(desktop-file-validate "$root/usr/share/applications/zeld.desktop" 2>&1)"

# The command line needs no display.
expect "zeld --version" "zeld $(sed -n 's/^project(zeld VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)" \
  "$(env -u DISPLAY -u WAYLAND_DISPLAY "$bin/zeld" --version)"
expect "zeld --help exits 0 and says how to use it" yes \
  "$(env -u DISPLAY -u WAYLAND_DISPLAY "$bin/zeld" --help | grep -q '^用法：zeld' && echo yes || echo no)"
status=0
message=$(env -u DISPLAY -u WAYLAND_DISPLAY "$bin/zeld" --bogus 2>&1 >/dev/null) || status=$?
expect "zeld --bogus exits 2" 2 "$status"
expect "zeld --bogus says why" "zeld：不认识的选项 '--bogus'（见 zeld --help）" "$message"

# The packaged program reads a tag through the packaged reader library.
x11_start_session "$bin" 0012D687AB
x11_press cmdIDRead
expect "txtIDB4 after a read" 000 "$(x11_field_text txtIDB4)"
expect "txtIDB3B0 after a read" 0316049323 "$(x11_field_text txtIDB3B0)"
expect "txtIDB2 after a read" 214 "$(x11_field_text txtIDB2)"
expect "txtIDB1B0 after a read" 34731 "$(x11_field_text txtIDB1B0)"
expect "the reader beeped once" 1 "$("$bin/mf1-field" beeps)"
mkdir -p build/screenshots
x11_screenshot "$PWD/build/screenshots/package-after-read.png"

echo "package: $deb"
expect_done
