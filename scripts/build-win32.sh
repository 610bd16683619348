#!/usr/bin/env bash
# Builds the 32-bit Windows program on Linux (MinGW-w64, Qt 5.15 built once into a cache) and
# lays out a portable folder, a .zip of it and an installer of the same files (makensis): zeld.exe,
# mf1-field.exe, the emulated MF1.dll, the export's zeld-xlsx.dll, libpq.dll (PostgreSQL's client,
# for stations sharing a batch), the Qt and MinGW runtime DLLs they need (with Qt's plugins for the
# screen, the style and the printers), Qt's Chinese for its own dialogs, and the operators'
# quick-start text.
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/lib.sh
quiet_log build/win32-build.log

bash scripts/install-deps.sh --win32
ZELD_QT_WIN32=$(bash scripts/build-qt-win32.sh)
export ZELD_QT_WIN32
# libxlsxwriter (and its zlib) for Windows, built once into the same cache.
ZELD_XLSXWRITER_WIN32=$(bash scripts/build-xlsxwriter-win32.sh)
export ZELD_XLSXWRITER_WIN32
# libpq.dll, PostgreSQL's client library, built once into the same cache.
ZELD_LIBPQ_WIN32=$(bash scripts/build-libpq-win32.sh)
export ZELD_LIBPQ_WIN32
source scripts/win32-env.sh

step cmake --preset win32
step cmake --build --preset win32 -j "$(nproc 2>/dev/null || echo 2)"

bin=build/win32/bin
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win32/CMakeCache.txt)
name="zeld-$version-win32"
dist=build/win32-dist/$name
rm -rf build/win32-dist
mkdir -p "$dist/platforms" "$dist/styles" "$dist/printsupport"

cp "$bin/zeld.exe" "$bin/mf1-field.exe" "$bin/MF1.dll" "$bin/zeld-xlsx.dll" "$bin/libpq.dll" "$dist/"
cp "$ZELD_QT_WIN32/plugins/platforms/qwindows.dll" "$dist/platforms/"
cp "$ZELD_QT_WIN32/plugins/styles/qwindowsvistastyle.dll" "$dist/styles/"
# The system's printers and their dialog, for a batch's printed hand-over list; without it Qt
# finds no printer at all. Qt5PrintSupport.dll itself comes with zeld.exe's DLLs below.
cp "$ZELD_QT_WIN32/plugins/printsupport/windowsprintersupport.dll" "$dist/printsupport/"
# Qt's Chinese for its own dialogs, from Debian's build of the same Qt (a .qm file is the same on
# every system); beside the tests too, which check a dialog reads in Chinese.
for folder in "$dist/translations" "$bin/translations"; do
  mkdir -p "$folder"
  cp /usr/share/qt5/translations/qtbase_zh_CN.qm "$folder/"
done

# Every DLL these need that Qt or the MinGW runtime provides, followed to the end; what neither
# has is Windows' own.
search_dirs=("$ZELD_QT_WIN32/bin" $(zeld_mingw_runtime_dirs))
pending=("$dist"/*.exe "$dist"/*.dll "$dist"/platforms/*.dll "$dist"/styles/*.dll
  "$dist"/printsupport/*.dll)
while [ ${#pending[@]} -gt 0 ]; do
  file=${pending[0]}
  pending=("${pending[@]:1}")
  while read -r dll; do
    [ -e "$dist/$dll" ] && continue
    for dir in "${search_dirs[@]}"; do
      if [ -f "$dir/$dll" ]; then
        cp "$dir/$dll" "$dist/"
        pending+=("$dist/$dll")
        break
      fi
    done
  done < <(i686-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p')
done
i686-w64-mingw32-strip --strip-unneeded "$dist"/*.exe "$dist"/*.dll "$dist"/*/*.dll
# Printing needs both, and nothing else would tell that one is missing before a user prints.
for file in Qt5PrintSupport.dll printsupport/windowsprintersupport.dll; do
  [ -f "$dist/$file" ] || { echo "build-win32: $file is not in the portable folder" >&2; exit 1; }
done

# Notepad on older Windows wants CRLF line ends and a byte-order mark to show UTF-8.
{ printf '\xEF\xBB\xBF'; sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' packaging/windows/使用说明.txt; } \
  >"$dist/使用说明.txt"

(cd build/win32-dist && rm -f "$name.zip" && zip -qr -X "$name.zip" "$name")
# The installer: the same files, listed once for installing and once for uninstalling, so that the
# uninstaller removes exactly what was installed.
nsis=build/win32-installer
rm -rf "$nsis"
mkdir -p "$nsis"
(
  cd "$dist"
  find . -type d | sort | while read -r dir; do
    rel=${dir#./}
    if [ "$dir" = . ]; then target='$INSTDIR'; else target="\$INSTDIR\\${rel//\//\\}"; fi
    echo "SetOutPath \"$target\""
    find "$dir" -mindepth 1 -maxdepth 1 -type f | sort | while read -r file; do
      echo "File \"$PWD/${file#./}\""
    done
  done
) >"$nsis/install-files.nsh"
(
  cd "$dist"
  find . -type f | sort | while read -r file; do
    rel=${file#./}
    echo "Delete \"\$INSTDIR\\${rel//\//\\}\""
  done
  find . -mindepth 1 -type d | sort -r | while read -r dir; do
    rel=${dir#./}
    echo "RMDir \"\$INSTDIR\\${rel//\//\\}\""
  done
) >"$nsis/uninstall-files.nsh"
version4=$version
while [ "$(tr -cd . <<<"$version4" | wc -c)" -lt 3 ]; do version4=$version4.0; done
setup="build/win32-dist/$name-setup.exe"
step makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DFILE_VERSION="$version4" \
  -DOUTFILE="$PWD/$setup" -DICON="$PWD/build/win32/generated/zeld.ico" \
  -DFILES="$PWD/$nsis/install-files.nsh" -DUNFILES="$PWD/$nsis/uninstall-files.nsh" \
  packaging/windows/zeld.nsi

size=$(du -sh "$dist" | cut -f1)
echo "Windows program: $dist ($size)"
echo "Zip:             build/win32-dist/$name.zip ($(du -h "build/win32-dist/$name.zip" | cut -f1))"
echo "Installer:       $setup ($(du -h "$setup" | cut -f1))"
