#!/usr/bin/env bash
# Runs the end-to-end tests against a built program.
# Usage: run_e2e.sh path/to/fendrel artifact-folder [unittest arguments...]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
if [ $# -lt 2 ]; then
  echo "usage: $0 path/to/fendrel artifact-folder [test names...]" >&2
  exit 2
fi
FENDREL_BINARY="$(realpath "$1")"
E2E_ARTIFACTS="$(mkdir -p "$2" && realpath "$2")"
export FENDREL_BINARY E2E_ARTIFACTS
shift 2

missing=()
for tool in Xvfb xdotool xclip xwininfo import rsvg-convert pdftoppm python3; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if ((${#missing[@]})); then
  echo "missing: ${missing[*]} (scripts/setup installs them)" >&2
  exit 1
fi

cd "$here"
if [ $# -eq 0 ]; then
  exec python3 -m unittest discover -v -s "$here" -p 'test_*.py'
fi
exec python3 -m unittest -v "$@"
