#!/usr/bin/env bash
# Builds the tests that exercise the decoding threads under ThreadSanitizer and AddressSanitizer and
# runs them. Usage: scripts/sanitize.sh [thread|address]...
set -euo pipefail
cd "$(dirname "$0")/.."
kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(thread address)
tests=(test_preloader test_sequence test_pictureloader test_player test_player_input)
for kind in "${kinds[@]}"; do
    dir=build-$kind
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMORA_SANITIZE="$kind" >/dev/null
    cmake --build "$dir" -j"$(nproc)" --target "${tests[@]}"
    # Qt and SDL are not built with the sanitizers: leaks inside them are theirs, and TSan must not
    # follow Qt's own thread pool, which this program does not use.
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp" \
    ASAN_OPTIONS="detect_leaks=0 halt_on_error=1" \
        ctest --test-dir "$dir" --output-on-failure -R "^($(IFS='|'; echo "${tests[*]}"))\$"
done
