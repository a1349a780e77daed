#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in a normal build (build/)
# and once with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/).
set -euo pipefail
cd "$(dirname "$0")"

# Let ccache reuse objects across clones of the repository (CI builds a fresh clone).
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(pwd)}" CCACHE_NOHASHDIR=1

scripts/install-deps.sh

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTORIX_SANITIZE=ON -DVANTORIX_BENCH=OFF
cmake --build build-asan -j "$jobs"
(cd build-asan && ctest --output-on-failure -j "$jobs")
