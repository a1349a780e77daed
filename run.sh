#!/usr/bin/env bash
# Installs what is missing, builds, and starts the editor: ./run.sh [FILE]
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}" CCACHE_NOHASHDIR=1

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j "$(nproc)" --target Vantorix

# A file named relative to where the user stands must still be found.
args=()
for a in "$@"; do
  if [[ "$a" != -* && "$a" != /* && -e "$a" ]]; then
    args+=("$(pwd)/$a")
  else
    args+=("$a")
  fi
done
exec "$root/build/bin/Vantorix" "${args[@]}"
