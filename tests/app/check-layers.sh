#!/usr/bin/env bash
# Fails on any include in the app that reaches a folder at its own level or above, and on any
# source file left at the top of app/. Levels, bottom up: widgets/, model/, then items/,
# access/, agents/ and watch/ side by side, map/, window/, shell/.
# Usage: check-layers.sh APP_DIR
set -euo pipefail
cd "$1"

level() {
    case $1 in
    widgets) echo 0 ;;
    model) echo 1 ;;
    items | access | agents | watch) echo 2 ;;
    map) echo 3 ;;
    window) echo 4 ;;
    shell) echo 5 ;;
    *) echo -1 ;;
    esac
}

failed=0
while IFS= read -r file; do
    folder=${file%%/*}
    own=$(level "$folder")
    [ "$own" -ge 0 ] || { echo "FAIL: $file is in a folder without a level"; failed=1; continue; }
    while IFS= read -r target; do
        [ "$target" != "$folder" ] || continue
        other=$(level "$target")
        if [ "$other" -ge "$own" ]; then
            echo "FAIL: $file includes $target/, which is not below $folder/"
            failed=1
        fi
    done < <(sed -n 's|^#include "\([a-z]*\)/.*|\1|p' "$file" | sort -u)
done < <(find . -mindepth 2 -name '*.cpp' -o -mindepth 2 -name '*.h' | sed 's|^\./||' | sort)

loose=$(find . -maxdepth 1 -name '*.cpp' -o -maxdepth 1 -name '*.h')
[ -z "$loose" ] || { echo "FAIL: source files at the top of app/: $loose"; failed=1; }
exit $failed
