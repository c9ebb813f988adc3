#!/usr/bin/env bash
# Sets everything up and runs every test: first the normal build, then the whole suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer. Fails on any failed test or sanitizer finding.
set -euo pipefail
cd "$(dirname "$0")"

scripts/setup.sh normal
(cd build && ctest --output-on-failure -j2 --timeout 600)

scripts/setup.sh sanitize
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd build-sanitize && ctest --output-on-failure -j2 --timeout 900)
