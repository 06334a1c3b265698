#!/usr/bin/env bash
# Installs what is needed, builds Quorrel and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORREL_TESTS=OFF -DQUORREL_BENCH=OFF
cmake --build build -j2 --target Quorrel
exec ./build/Quorrel
