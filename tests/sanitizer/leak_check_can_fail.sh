#!/usr/bin/env bash
# Runs leak_through_qt under the leak check with the project's suppressions,
# once ending through the shut-down routine and once by leaving main, and
# passes only if each run fails and reports both deliberate leaks with our
# own function in the allocation stack.
#   $1: the leak_through_qt executable   $2: the suppressions file
set -uo pipefail
exe=${1:?usage: leak_check_can_fail.sh leak_through_qt lsan.supp}
supp=${2:?usage: leak_check_can_fail.sh leak_through_qt lsan.supp}
[ -r "$supp" ] || { echo "FAIL: cannot read $supp" >&2; exit 1; }

for way in shutdown exit; do
  # The full allocation stack (slow unwinder), so that every Qt frame on the
  # way is compared with the suppressions, as in the program itself.
  out=$(QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:fast_unwind_on_malloc=0 \
        LSAN_OPTIONS=suppressions=$supp:print_suppressions=0 "$exe" "$way" 2>&1)
  status=$?
  echo "$out"
  [ "$status" -ne 0 ] || { echo "FAIL ($way): the leaking program ended with status 0" >&2; exit 1; }
  for leak in "300:leakThroughSignal" "400:leakThroughEvent"; do
    bytes=${leak%%:*} function=${leak#*:}
    # The first frames after the header: operator new[], then our function.
    echo "$out" | grep -A3 "Direct leak of $bytes byte(s) in 1 object(s) allocated from" | grep -q "$function" \
      || { echo "FAIL ($way): the $bytes-byte leak in $function was not reported" >&2; exit 1; }
  done
  echo "ok ($way): both deliberate leaks reported"
done
