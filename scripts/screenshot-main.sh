#!/usr/bin/env bash
# Starts the window program under a virtual X screen and saves a screenshot
# of the whole screen (the main window sits in its middle).
# Usage: scripts/screenshot-main.sh [OUTPUT.png] [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-main-window.png}
build=${2:-build}
program=$build/bin/tandemix
[[ -x $program ]] || { echo "build $program first" >&2; exit 1; }
runtime=$(mktemp -d)
chmod 700 "$runtime"
data=$(mktemp -d)
trap 'rm -rf "$runtime" "$data"' EXIT
# The program registers the .avt type for the user: keep that away from the
# real home folder.
XDG_RUNTIME_DIR=$runtime XDG_DATA_HOME=$data QT_QPA_PLATFORM=xcb \
  timeout 60 xvfb-run -a -s "-screen 0 1280x1024x24" sh -c "
    '$program' & p=\$!
    sleep 3
    import -window root '$out'
    kill \$p
    wait \$p 2>/dev/null || true"
echo "wrote $out"
