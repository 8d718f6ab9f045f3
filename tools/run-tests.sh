#!/bin/bash
# Builds and runs every test suite: the host unit tests, then the end-to-end
# suite under Wine in Windows 98 mode and in Wine's default mode.
# The last line sums them all: "N passed, M failed".
set -u
cd "$(dirname "$0")/.."

passed=0
failed=0
count() {  # count SUITE PASSED FAILED
    echo "== $1: $2 passed, $3 failed"
    passed=$((passed + $2))
    failed=$((failed + $3))
}

# Host unit tests (GoogleTest under AddressSanitizer and UBSan).
host_log=build/host/host_tests.log
if cmake -S tests/host -B build/host -DCMAKE_BUILD_TYPE=Debug >/dev/null &&
   cmake --build build/host -j2 >build/host-build.log 2>&1; then
    build/host/host_tests 2>&1 | tee "$host_log"
    ok=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$host_log" | tail -1)
    bad=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) test.*/\1/p' "$host_log" | tail -1)
    if [ -z "$ok" ]; then  # no summary: the run died
        echo "host tests ended without a summary"
        count host 0 1
    else
        count host "$ok" "${bad:-0}"
    fi
else
    cat build/host-build.log
    echo "host tests did not build"
    count host 0 1
fi

# End-to-end scenarios under Wine, once per Wine mode.
for mode in ${E2E_MODES:-win98 default}; do
    log=build/e2e-$mode.log
    E2E_WINE_MODE=$mode tests/e2e/run.sh 2>&1 | tee "$log"
    line=$(grep -E '^e2e: [0-9]+ passed, [0-9]+ failed' "$log" | tail -1)
    if [ -z "$line" ]; then
        echo "e2e ($mode) ended without a summary"
        count "e2e $mode" 0 1
    else
        count "e2e $mode" "$(echo "$line" | awk '{print $2}')" "$(echo "$line" | awk '{print $4}')"
    fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
