#!/usr/bin/env bash
# Runs each fuzzer for a short while on a scratch copy of its seed corpus.
# usage: fuzz/smoke.sh BUILD_DIR [SECONDS]
set -euo pipefail
build=$1
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for target in packet font; do
  mkdir -p "$scratch/$target" "$scratch/$target-artifacts"
  cp "$here/corpus/$target/"* "$scratch/$target/"
  echo "== ${target}_fuzzer for ${seconds}s =="
  "$build/bin/${target}_fuzzer" -max_total_time="$seconds" -dict="$here/markup.dict" \
    -print_final_stats=1 -artifact_prefix="$scratch/$target-artifacts/" \
    "$scratch/$target" 2>&1 | grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|==|SUMMARY|Done)' || true
  if compgen -G "$scratch/$target-artifacts/*" >/dev/null; then
    echo "${target}_fuzzer found a failing input:" "$scratch/$target-artifacts/"*
    mkdir -p "$here/artifacts" && cp "$scratch/$target-artifacts/"* "$here/artifacts/"
    exit 1
  fi
done
