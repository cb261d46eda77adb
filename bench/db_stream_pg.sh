#!/usr/bin/env bash
# Runs bench_db_stream_pg (the program path is $1) against a private PostgreSQL cluster started
# for the run and stopped afterwards.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
program=${1:?usage: db_stream_pg.sh PROGRAM}
state=$(mktemp -u "${TMPDIR:-/tmp}/bexlo-bench-pg.XXXXXX")
conninfo=$("$top/scripts/pg-test-cluster" start "$state")
trap '"$top/scripts/pg-test-cluster" stop "$state"' EXIT
"$program" "$conninfo"
