#!/usr/bin/env bash
# A fuzz replay without its sample drawings: under KVN_FORBID_SKIPS=1 it
# fails and says why; without it, it replays the built-in seeds and reports
# a skip in the lines CTest and scripts/test.sh recognise.
#   missing-samples.sh <kvn_replay_program>
set -u
replay="$1"
empty="$(mktemp -d)"
trap 'rm -rf "$empty"' EXIT
status=0

out="$(KVN_TESTDATA="$empty" KVN_TESTDATA_DEFAULT="$empty" KVN_FORBID_SKIPS=1 "$replay" 20 2>&1)"
code=$?
if [ "$code" -ne 1 ] || ! grep -q "not found (set KVN_TESTDATA), and every test must run" <<<"$out"; then
  echo "missing-samples: under KVN_FORBID_SKIPS=1 the replay ended with $code, not 1 with its reason:"
  echo "$out"
  status=1
fi

out="$(KVN_TESTDATA="$empty" KVN_TESTDATA_DEFAULT="$empty" KVN_FORBID_SKIPS=0 "$replay" 20 2>&1)"
code=$?
if [ "$code" -ne 0 ] || ! grep -q "^kvn-test: 1 skipped, none failed" <<<"$out"; then
  echo "missing-samples: without KVN_FORBID_SKIPS the replay ended with $code and reported no skip:"
  echo "$out"
  status=1
fi

out="$(KVN_FORBID_SKIPS=1 "$replay" 20 2>&1)"
code=$?
if [ "$code" -ne 0 ] || grep -q "kvn-test: " <<<"$out"; then
  echo "missing-samples: with the sample drawings the replay ended with $code or reported a skip:"
  echo "$out"
  status=1
fi
exit "$status"
