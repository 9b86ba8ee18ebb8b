#!/usr/bin/env bash
# Runs zeltric-cli on one recorded case and compares, byte for byte, every
# file left in its folder (inputs included, so an overwritten input shows),
# its standard output, standard error and exit status with the recording.
# Usage: compare.sh CLI CASE_DIR WORK_DIR
# With ZELTRIC_GOLDEN_RECORD=1 the run is recorded instead (only ever with a
# build of a commit whose outputs are known good).
set -euo pipefail
cli=$1 case_dir=$2 work=$3
inputs=$(dirname "$case_dir")/inputs
read -r -a files <"$case_dir/inputs"
read -r -a args <"$case_dir/args"

rm -rf "$work"
mkdir -p "$work/files"
for f in "${files[@]}"; do cp "$inputs/$f" "$work/files/"; done
status=0
(cd "$work/files" && "$cli" "${args[@]}" >"$work/stdout" 2>"$work/stderr") || status=$?
echo "$status" >"$work/status"

if [[ ${ZELTRIC_GOLDEN_RECORD:-} == 1 ]]; then
  rm -rf "$case_dir/files" "$case_dir/stdout" "$case_dir/stderr" "$case_dir/status"
  cp -r "$work/files" "$work/stdout" "$work/stderr" "$work/status" "$case_dir/"
  exit 0
fi

failed=0
for f in stdout stderr status; do
  cmp "$case_dir/$f" "$work/$f" || failed=1
done
# Files added after the recording, each checked by tests of its own: the
# companion lock files (empty, never replaced) and the run record (it holds
# the time of the run).
diff -r -x '*.lock' -x '*.json' "$case_dir/files" "$work/files" || failed=1
exit $failed
