#!/usr/bin/env bash
# Runs pondra on the bundled dialogue.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p build/demo
build/bin/pondra < examples/dialogue.txt
