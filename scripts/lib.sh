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
