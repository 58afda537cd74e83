#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (under ASan and UBSan) and runs each in turn.
#
#   scripts/fuzz.sh [SECONDS] [TARGET]...     SECONDS per target (default 60)
#
# Targets: showfile dialogs picture-jpeg picture-bmp picture-gif picture-png picture-webp picture-tiff
# picture-heif picture-avif picture-jxl colour (default: all). The picture targets are one fuzzer started
# on the test pictures of one format; colour takes its input for an embedded ICC
# profile. Each corpus grows in
# build-fuzz/corpus/TARGET from run to run; anything found is written to build-fuzz/findings/TARGET
# and the script fails. Keep every finding, once fixed, in fuzz/regressions/ (the tests replay it).
# One fuzzer runs at a time: the machine's cores are shared.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(showfile dialogs picture-jpeg picture-bmp picture-gif picture-png picture-webp picture-tiff picture-heif picture-avif picture-jxl colour)
clang_version=${CLANG_VERSION:-14}
dir=${FUZZ_BUILD_DIR:-build-fuzz}

bash scripts/install-deps.sh "clang-$clang_version" "libclang-rt-$clang_version-dev"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="clang++-$clang_version" \
    -DLUMORA_FUZZ=ON -DLUMORA_SANITIZE=address,undefined "${launcher[@]}" >/dev/null
binaries=()
for t in "${targets[@]}"; do binaries+=("fuzz_${t%%-*}"); done
cmake --build "$dir" -j"$(nproc)" --target $(printf '%s\n' "${binaries[@]}" | sort -u)

# Seeds: our own show files, dialog texts and colour profiles, and the test pictures of each format
# up to 64 KB (larger ones explore nothing new and slow every run down); HEIC, AVIF and JPEG XL
# pictures, which the tests make as they run, are kept small under fuzz/seeds/picture.
seed() { # TARGET CORPUS
    case $1 in
    picture-*)
        local ext=${1#picture-}
        local names=(-iname "*.$ext")
        [ "$ext" = jpeg ] && names=(-iname '*.jpg' -o -iname '*.jpeg')
        [ "$ext" = bmp ] && names=(-iname '*.bmp' -o -iname '*.dib')
        [ "$ext" = heif ] && names=(-iname '*.heic' -o -iname '*.heif')
        [ "$ext" = tiff ] && names=(-iname '*.tif' -o -iname '*.tiff')
        find tests/data/pictures fuzz/seeds/picture -type f \( "${names[@]}" \) -size -64k -exec cp -n -t "$2" {} +
        ;;
    *) cp -n -t "$2" fuzz/seeds/"$1"/* ;;
    esac
}

failed=()
summary=()
for t in "${targets[@]}"; do
    corpus=$dir/corpus/$t
    findings=$dir/findings/$t
    mkdir -p "$corpus" "$findings"
    seed "$t" "$corpus"
    log=$dir/findings/$t.log
    echo "== $t: $seconds s" >&2
    rc=0
    QT_QPA_PLATFORM=offscreen ASAN_OPTIONS="detect_leaks=0" \
    UBSAN_OPTIONS="halt_on_error=1 print_stacktrace=1" \
        "$dir/fuzz/fuzz_${t%%-*}" "$corpus" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
        -max_len=65536 -artifact_prefix="$findings/" -print_final_stats=1 >"$log" 2>&1 || rc=$?
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' "$log" | tail -n 1)
    summary+=("$(printf '%-13s %6ss  %10s execs  %s  rc %s' "$t" "$seconds" "${execs:-?}" "${cov:-?}" "$rc")")
    if [ "$rc" != 0 ]; then
        failed+=("$t")
        grep -E 'ERROR|SUMMARY|Test unit written' "$log" | head -n 5 >&2 || true
    fi
done
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
    echo "findings in: ${failed[*]} (see $dir/findings)" >&2
    exit 1
fi
