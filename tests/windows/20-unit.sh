# The GoogleTest suite, cross-built for 64-bit Windows, under wine64: each
# test program runs whole, which is much faster under Wine than one process
# per test.

for program in "$b64"/tests/*/*_tests.exe; do
    name=$(basename "$program" .exe)
    output=$(win "$program" --gtest_brief=1 2>&1)
    status=$?
    count() { sed -n "s/^\[  $1 *\] \([0-9]*\) tests\{0,1\}[.,].*/\1/p" <<<"$output" | head -1; }
    nPassed=$(count PASSED)
    nFailed=$(count FAILED)
    nSkipped=$(count SKIPPED)
    passed=$((passed + ${nPassed:-0}))
    failed=$((failed + ${nFailed:-0}))
    skipped=$((skipped + ${nSkipped:-0}))
    if [ $status -ne 0 ] || [ -z "$nPassed" ]; then
        [ -n "$nFailed" ] || failed=$((failed + 1))
        fail "$name: ${nPassed:-0} passed, ${nFailed:-?} failed (exit $status)" \
            "$(grep -E '^\[  FAILED  \]|Failure|error' <<<"$output" | head -20)"
    else
        echo "  ok    $name: $nPassed passed${nSkipped:+, $nSkipped skipped}"
    fi
done
