#!/usr/bin/env bash
# Sets everything up (packages, configure, build) and starts Doradoza Tarnwick.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh normal
exec build/bin/tarnwick "$@"
