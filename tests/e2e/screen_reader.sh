# The program as a screen reader hears it, for the end-to-end scripts: Qt's accessibility on, and
# `hear`, which asks read_aloud.py (AT-SPI) about the running program. Source this file.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
hear() { /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/read_aloud.py" zeld "$@" || true; }
