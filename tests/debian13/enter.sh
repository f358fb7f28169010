#!/usr/bin/env bash
# Runs COMMAND inside a Debian 13 root of CACHE_DIR (see roots.sh), so that
# a test can start, wait for and end it like any program.
# Usage: enter.sh CACHE_DIR ROOT COMMAND...
set -euo pipefail
source "$(dirname "$0")/roots.sh"
d13_init "$1"
shift
d13_exec "$@"
