# What the scripts share: messages under the script's name, build steps whose output goes to a
# log shown only when one fails, and installing missing Debian packages as root or through sudo.
# Source this file; it defines functions only, and ZELD_SCRIPT, the name messages go under.

ZELD_SCRIPT=${ZELD_SCRIPT:-$(basename "$0" .sh)}

say() { echo "$ZELD_SCRIPT: $*" >&2; }

# Later `step`s write their output to this file, which starts empty.
quiet_log() {
  ZELD_STEP_LOG=$1
  mkdir -p "$(dirname "$ZELD_STEP_LOG")"
  : >"$ZELD_STEP_LOG"
}

# Runs a command with its output in the log; when it fails, shows the log's end and exits.
step() {
  if ! "$@" >>"${ZELD_STEP_LOG:-/dev/null}" 2>&1; then
    say "failed: $*"
    if [ -n "${ZELD_STEP_LOG:-}" ]; then
      say "the last lines of $ZELD_STEP_LOG:"
      tail -n 40 "$ZELD_STEP_LOG" >&2
    fi
    exit 1
  fi
}

# Runs a command as root: as it is when root already, else through sudo.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  else
    sudo "$@"
  fi
}

can_be_root() { [ "$(id -u)" -eq 0 ] || command -v sudo >/dev/null 2>&1; }

# Prints, one a line, those of the packages that are not installed.
missing_packages() {
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      echo "$package"
    fi
  done
}

# Installs the packages named, which `missing_packages` found missing.
install_packages() {
  [ $# -eq 0 ] && return 0
  if ! can_be_root; then
    say "need root or sudo to install: $*"
    exit 1
  fi
  say "installing $*"
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -qq
  as_root apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

# An apt set-up of its own in folder $1 that offers the sources of the system's Debian archives
# (deb-src for each deb line, and for each deb822 stanza) and leaves the system's apt alone. Sets
# the array apt_opts, to pass to apt-get and apt-cache.
debian_sources_apt() {
  local dir=$1 sources
  mkdir -p "$dir/lists/partial" "$dir/cache/archives/partial"
  : >"$dir/sources.list"
  for sources in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$sources" ] && sed -n 's/^deb \(.*\)$/deb-src \1/p' "$sources" >>"$dir/sources.list"
  done
  for sources in /etc/apt/sources.list.d/*.sources; do
    [ -f "$sources" ] || continue
    awk 'BEGIN{RS=""; ORS="\n\n"} /Types:[^\n]*deb/ && !/disabled/ {sub(/Types:[^\n]*/, "Types: deb-src"); print}' \
      "$sources" >"$dir/$(basename "$sources")"
  done
  apt_opts=(
    -o "Dir::Etc::sourcelist=$dir/sources.list"
    -o "Dir::Etc::sourceparts=$dir"
    -o "Dir::State::Lists=$dir/lists"
    -o "Dir::Cache=$dir/cache"
    -o "APT::Sandbox::User=root"
  )
}

# Downloads once, into $1/sources, the newest source of each package ($2...) that the mirror
# actually serves (a security update's may be listed and missing), with an apt set-up of its own
# in $1 (debian_sources_apt), and records "package=version" lines in $1/versions. Does nothing when
# they are recorded already.
debian_newest_sources() {
  local dir=$1 package version found
  shift
  debian_sources_apt "$dir"
  [ -f "$dir/versions" ] && return 0
  say "looking up Debian's sources of $*"
  apt-get "${apt_opts[@]}" update -qq >&2
  mkdir -p "$dir/sources"
  for package in "$@"; do
    found=
    for version in $(apt-cache "${apt_opts[@]}" showsrc "$package" | sed -n 's/^Version: //p' | sort -Vru); do
      if (cd "$dir/sources" && apt-get "${apt_opts[@]}" source --download-only -qq "$package=$version" >/dev/null 2>&1); then
        found=$version
        break
      fi
    done
    [ -n "$found" ] || { say "no $package source package could be fetched"; return 1; }
    echo "$package=$found"
  done >"$dir/versions.new"
  mv "$dir/versions.new" "$dir/versions"
}

# The version debian_newest_sources recorded in $1 for package $2.
debian_source_version() { sed -n "s/^$2=//p" "$1/versions"; }
