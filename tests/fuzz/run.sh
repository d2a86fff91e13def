#!/usr/bin/env bash
# Fuzzes one target for VENDREL_FUZZ_SECONDS (default 30) on a working copy
# of its seed corpus, and fails on any finding.
#   run.sh FUZZER SEED_DIR WORK_DIR [libFuzzer options...]
# New inputs go to WORK_DIR/corpus and findings to WORK_DIR/findings; the
# seed folder is only read.
set -euo pipefail
fuzzer=$1 seeds=$2 work=$3
shift 3
mkdir -p "$work/corpus" "$work/findings"
cp -- "$seeds"/* "$work/corpus/"
exec "$fuzzer" -max_total_time="${VENDREL_FUZZ_SECONDS:-30}" -timeout=5 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$work/findings/" "$@" "$work/corpus"
