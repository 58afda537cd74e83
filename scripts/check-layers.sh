#!/usr/bin/env bash
# Checks the include graph of src/: each folder includes only its own files and the folders on the
# floors below it, and no two files (a .h and its .cpp counted as one) include each other, however
# long the way round. Exits non-zero and names the offending lines or loop.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A floor=(
    [platform]=1
    # The show files and the picture room stand beside each other: neither includes the other.
    [show]=2
    [picture]=2
    [dialogs]=3
    # The shared controls may use the dialog component: the show options open the music dialog.
    [controls]=4
    [forms]=5
    # The windows share one floor: the player, the folder windows and the maker never include one
    # another; what two of them need (the picture room, the show files) lies below.
    [player]=6
    [folder]=6
    [maker]=6
    [app]=7
)

# The picture room's parts stand on floors of their own inside it: its limits and budgets at the
# bottom, then colour and reducing beside each other, the readers over them, and loading (the format
# table, the loader, the preloader, placement) on top, in src/picture itself.
declare -A picture_floor=(
    [limits]=1
    [colour]=2
    [reduce]=2
    [readers]=3
    [.]=4
)

# The part of the picture room a path under src/picture/ lies in ("." for the room itself).
picture_part() {
    local rest=${1#picture/}
    [[ $rest == */* ]] && echo "${rest%%/*}" || echo .
}

status=0
edges=$(mktemp)
trap 'rm -f "$edges"' EXIT

while IFS= read -r file; do
    dir=${file#src/}
    dir=${dir%%/*}
    if [[ -z ${floor[$dir]:-} ]]; then
        echo "$file: the folder src/$dir has no floor in scripts/check-layers.sh"
        status=1
        continue
    fi
    module=${file%.*}
    part=
    if [[ $dir == picture ]]; then
        part=$(picture_part "${file#src/}")
        if [[ -z ${picture_floor[$part]:-} ]]; then
            echo "$file: the folder src/picture/$part has no floor in scripts/check-layers.sh"
            status=1
            continue
        fi
    fi
    # Every quoted include names a file under src/ by its folder.
    while IFS= read -r target; do
        to=${target%%/*}
        if [[ $target != */* || -z ${floor[$to]:-} ]]; then
            echo "$file: includes \"$target\", which is not a file under src/<folder>/"
            status=1
            continue
        fi
        if [[ $to != "$dir" ]] && ((floor[$to] >= floor[$dir])); then
            echo "$file: includes \"$target\": src/$to is not below src/$dir"
            status=1
        fi
        if [[ -n $part && $to == picture ]]; then
            to_part=$(picture_part "$target")
            if [[ -z ${picture_floor[$to_part]:-} ]]; then
                echo "$file: includes \"$target\", whose folder has no floor in scripts/check-layers.sh"
                status=1
            elif [[ $to_part != "$part" ]] && ((picture_floor[$to_part] >= picture_floor[$part])); then
                echo "$file: includes \"$target\": src/picture/$to_part is not below src/picture/$part"
                status=1
            fi
        fi
        target_module="src/${target%.*}"
        [[ $target_module != "$module" ]] && echo "$module $target_module" >>"$edges"
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find src -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

if ! tsort "$edges" >/dev/null 2>"$edges.loop"; then
    echo "include loop:"
    grep -v '^tsort: .*input contains a loop' "$edges.loop" | sed 's/^tsort: /  /'
    status=1
fi
rm -f "$edges.loop"

if ((status == 0)); then
    echo "layers: $(find src -type f \( -name '*.h' -o -name '*.cpp' \) | wc -l) files, $(sort -u "$edges" | wc -l) module links, no upward include, no loop"
fi
exit $status
