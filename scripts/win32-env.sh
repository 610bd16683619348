# Sets up the environment for building the 32-bit Windows program and running it under Wine.
# Source this file after scripts/build-qt-win32.sh has printed the Qt folder into ZELD_QT_WIN32.
# Defines only variables and functions.

# The MinGW-w64 runtime DLLs the program and Qt need (posix threads, dwarf-2 exceptions).
zeld_mingw_runtime_dirs() {
  local gcc_dir
  gcc_dir=$(dirname "$(i686-w64-mingw32-g++-posix -print-libgcc-file-name)")
  echo "$gcc_dir" /usr/i686-w64-mingw32/lib
}

# A Unix path as Wine sees it (drive Z: is the Unix root).
zeld_wine_path() {
  local path=$1
  echo "Z:${path//\//\\}"
}

# A Wine prefix of the project's own, kept between runs (its first start takes ~20 s), quiet,
# with the runtime and Qt's DLLs on its search path instead of copied next to every program.
zeld_setup_wine() {
  export WINEPREFIX=${ZELD_WINEPREFIX:-${ZELD_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/zeld}/wineprefix-win32-2}
  export WINEARCH=win32
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  local dirs=() dir
  for dir in $(zeld_mingw_runtime_dirs) "$ZELD_QT_WIN32/bin"; do
    dirs+=("$(zeld_wine_path "$dir")")
  done
  WINEPATH=$(IFS=';'; echo "${dirs[*]}")
  export WINEPATH
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "win32: creating the Wine prefix $WINEPREFIX" >&2
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot --init >/dev/null 2>&1 || true
    wineserver -w || true
  fi
  # The faces a Chinese Windows has and the window and the installer ask for, backed by free
  # look-alikes (Wine makes an alias family of each): its TrueType sans-serif and its Chinese
  # faces, SimSun also by its Chinese name. Wine's own Tahoma, the next in line, draws some glyphs
  # broken.
  if [ ! -f "$WINEPREFIX/.zeld-fonts-2" ]; then
    local key='HKCU\Software\Wine\Fonts\Replacements' face
    wine reg add "$key" /v "Microsoft Sans Serif" /d "DejaVu Sans" /f >/dev/null 2>&1
    for face in "Microsoft YaHei" "SimSun" "宋体"; do
      wine reg add "$key" /v "$face" /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
    done
    wineserver -w || true
    touch "$WINEPREFIX/.zeld-fonts-2"
  fi
  return 0
}
