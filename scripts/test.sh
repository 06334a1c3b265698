#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test (unit, window and end-to-end);
# then the unit and window tests again under AddressSanitizer and UndefinedBehaviorSanitizer,
# and each fuzz target for a short while. Any failure or sanitizer report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# Stated, not inherited: scripts/run.sh configures the same tree without tests. Warnings are
# errors in every build here.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORREL_TESTS=ON -DQUORREL_BENCH=ON \
    -DQUORREL_E2E=ON -DQUORREL_WERROR=ON
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2 --no-tests=error

# Sanitizers: -O1 keeps the build short; no benchmarks, no end-to-end scripts.
san="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORREL_BENCH=OFF \
    -DQUORREL_E2E=OFF -DQUORREL_WERROR=ON -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
    -DCMAKE_CXX_FLAGS="$san" \
    -DCMAKE_EXE_LINKER_FLAGS="$san"
cmake --build build-asan -j2
# The crash-point tests preload their shim ahead of the sanitizer's runtime; the package test
# belongs to the release build.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:verify_asan_link_order=0 \
    UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j2 --no-tests=error -E '^packaging\.'

# Fuzzing: the store and picture readers, QUORREL_FUZZ_SECONDS (30) each.
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DQUORREL_FUZZ=ON -DQUORREL_TESTS=OFF -DQUORREL_BENCH=OFF -DQUORREL_WERROR=ON
cmake --build build-fuzz --target fuzz -j2
ctest --test-dir build-fuzz --output-on-failure -j2 --no-tests=error
