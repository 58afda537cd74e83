#!/usr/bin/env bash
# Builds the tests under the sanitizers and runs them. Usage: scripts/sanitize.sh [KIND]...
#   address,undefined   every test under AddressSanitizer and UndefinedBehaviorSanitizer (default)
#   thread              the tests that exercise the decoding threads, under ThreadSanitizer
# Any other -fsanitize list (address, undefined) also runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(address,undefined thread)
# The loader's own test decodes on one thread: nothing for ThreadSanitizer to see there, and its picture
# tables take longer than its time limit under it.
threaded=(test_preloader test_sequence test_player test_player_input)
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
for kind in "${kinds[@]}"; do
    dir=build-${kind//,/-}
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMORA_SANITIZE="$kind" "${launcher[@]}" >/dev/null
    if [ "$kind" = thread ]; then
        cmake --build "$dir" -j"$(nproc)" --target "${threaded[@]}"
        filter=(-R "^($(IFS='|'; echo "${threaded[*]}"))\$")
    else
        cmake --build "$dir" -j"$(nproc)"
        filter=()
    fi
    # Qt and SDL are not built with the sanitizers: leaks inside them are theirs, and TSan must not
    # follow Qt's own thread pool, which this program does not use.
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp" \
    ASAN_OPTIONS="detect_leaks=0 halt_on_error=1 abort_on_error=1" \
    UBSAN_OPTIONS="halt_on_error=1 print_stacktrace=1" \
        ctest --test-dir "$dir" --output-on-failure -j2 "${filter[@]}"
done
