#!/usr/bin/env bash
# Builds everything and runs every test: the portable code natively, then again under
# AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer (any report fails the run),
# a short run of every fuzz target (longer: scripts/fuzz.sh --seconds N), then telvia.exe,
# its adapter tests and its end-to-end scenarios under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --workflow --preset host
cmake --workflow --preset host-asan
scripts/reach.sh
scripts/fuzz.sh
cmake --workflow --preset windows
