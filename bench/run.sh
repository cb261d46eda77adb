#!/usr/bin/env bash
# bench/run.sh NAME [ARGS...]: builds bench_NAME in an optimised build and runs it.
# Every benchmark prints its figures and ends with the line "RATIO <ours/baseline>".
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
name=${1:?usage: bench/run.sh NAME [ARGS...]}
shift
build=${BEXLO_BENCH_BUILD:-$top/build-bench}
"$top/scripts/install-deps"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBEXLO_TESTS=OFF >/dev/null
cmake --build "$build" --target "bench_$name" -j "${BENCH_JOBS:-2}"
if [ -x "$here/$name.sh" ]; then
  exec "$here/$name.sh" "$build/bench/bench_$name" "$@"
fi
exec "$build/bench/bench_$name" "$@"
