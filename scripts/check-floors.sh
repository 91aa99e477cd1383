#!/usr/bin/env bash
# Holds the plan of the house: an include never runs from a lower floor to a higher one, and
# engine code (every floor below the shared view pieces, and the Shell's own engine) never
# includes a Qt Gui or Qt Widgets header. Prints each violation and exits 1 when there is one.
#
# Floors, from the ground up (a folder may include its own floor and the ones below it):
#   0  Support, ScanRules, KeyedArchive   (each includes only itself)
#   1  Platform
#   2  App
#   3  Catalogue
#   4  tool engines, in this order: Browser, FreeUpSpace, MissingFiles, Compare, Plugins,
#      FinalCut, Manual (a tool's engine may include the engine of a tool before it)
#      Manual/Render, the manual's page laid out with Qt Gui (no widgets), stands above the
#      tool engines and below Widgets
#   5  Widgets
#   6  tool views (<Tool>/Views), in the same order
#   7  Shell (the composition root) and main.cpp
#
# Usage: check-floors.sh [source root]   (default: the Sources folder beside this script)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
sources="${1:-$here/../Sources}"
sources="$(cd "$sources" && pwd)"

tools=(Browser FreeUpSpace MissingFiles Compare Plugins FinalCut Manual)

# The floor of a folder name as includes spell it ("Catalogue", "Browser/Views", ...), as a
# number that orders every folder; -1 when the name is not one of ours.
rank() {
    local name="$1"
    case "$name" in
    Support) echo 0 ;;
    ScanRules) echo 1 ;;
    KeyedArchive) echo 2 ;;
    Platform) echo 10 ;;
    App) echo 20 ;;
    Catalogue) echo 30 ;;
    Manual/Render) echo 47 ;;
    Widgets) echo 50 ;;
    Shell | main.cpp) echo 70 ;;
    *)
        local i
        for i in "${!tools[@]}"; do
            if [ "$name" = "${tools[$i]}" ]; then
                echo $((40 + i))
                return
            fi
            if [ "$name" = "${tools[$i]}/Views" ]; then
                echo $((60 + i))
                return
            fi
        done
        echo -1
        ;;
    esac
}

# The folder name of a source file's own floor, from its path below the source root.
folder_of() {
    local rel="$1"
    case "$rel" in
    ScanRules/*) echo ScanRules ;;
    KeyedArchive/*) echo KeyedArchive ;;
    Pellimor/main.cpp) echo main.cpp ;;
    Pellimor/*)
        local rest="${rel#Pellimor/}"
        local first="${rest%%/*}"
        local after="${rest#*/}"
        if [ "${after%%/*}" = "Views" ] && [ "$first" != "Shell" ]; then
            echo "$first/Views"
        elif [ "$first" = "Manual" ] && [ "${after%%/*}" = "Render" ]; then
            echo "Manual/Render"
        else
            echo "$first"
        fi
        ;;
    *) echo "" ;;
    esac
}

# The folder an include names: "Browser/Views/X.h" -> Browser/Views, "Catalogue/Store/X.h" ->
# Catalogue.
folder_of_include() {
    local inc="$1"
    local first="${inc%%/*}"
    local after="${inc#*/}"
    if [ "$inc" = "$first" ]; then
        echo ""
        return
    fi
    if [ "${after%%/*}" = "Views" ] && [ "$first" != "Shell" ] && [ "$after" != "${after#*/}" ]; then
        echo "$first/Views"
    elif [ "$first" = "Manual" ] && [ "${after%%/*}" = "Render" ] && [ "$after" != "${after#*/}" ]; then
        echo "Manual/Render"
    else
        echo "$first"
    fi
}

# Qt Gui and Widgets headers by their include names, from the installed Qt.
qt_headers="$(qtpaths6 --query QT_INSTALL_HEADERS 2>/dev/null || true)"
if [ -z "$qt_headers" ] || [ ! -d "$qt_headers/QtGui" ]; then
    qt_headers=/usr/include/x86_64-linux-gnu/qt6
fi
declare -A gui_header=()
for module in QtGui QtWidgets QtOpenGL QtOpenGLWidgets QtSvgWidgets QtPrintSupport; do
    [ -d "$qt_headers/$module" ] || continue
    gui_header[$module]=1
    while IFS= read -r name; do
        gui_header[$name]=1
        gui_header[$module/$name]=1
    done < <(ls "$qt_headers/$module")
done
if [ "${#gui_header[@]}" -lt 10 ]; then
    echo "check-floors: the Qt Gui headers were not found under $qt_headers" >&2
    exit 2
fi

violations=0
while IFS= read -r file; do
    rel="${file#"$sources"/}"
    own="$(folder_of "$rel")"
    own_rank="$(rank "$own")"
    if [ "$own_rank" -lt 0 ]; then
        echo "$rel: lies in no known floor ($own)"
        violations=$((violations + 1))
        continue
    fi
    # Engine code: everything below Widgets, and the Shell's files outside its Views folder.
    engine=0
    if [ "$own_rank" -lt 50 ] && [ "$own" != Manual/Render ]; then
        engine=1
    elif [ "$own" = Shell ] && [[ "$rel" != Pellimor/Shell/Views/* ]]; then
        engine=1
    fi
    lineno=0
    while IFS= read -r line; do
        lineno=$((lineno + 1))
        [[ "$line" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*([\"\<])([^\"\>]+)[\"\>] ]] || continue
        kind="${BASH_REMATCH[1]}"
        inc="${BASH_REMATCH[2]}"
        if [ "$kind" = "<" ]; then
            if [ "$engine" = 1 ] && [ -n "${gui_header[$inc]:-}" ]; then
                echo "$rel:$lineno: engine code includes the Qt Gui/Widgets header <$inc>"
                violations=$((violations + 1))
            fi
            continue
        fi
        case "$inc" in
        Tests/*)
            echo "$rel:$lineno: program code includes the test file \"$inc\""
            violations=$((violations + 1))
            continue
            ;;
        esac
        target="$(folder_of_include "$inc")"
        [ -n "$target" ] || continue
        target_rank="$(rank "$target")"
        [ "$target_rank" -ge 0 ] || continue
        if [ "$target_rank" -gt "$own_rank" ]; then
            echo "$rel:$lineno: $own includes \"$inc\" from the higher floor $target"
            violations=$((violations + 1))
        elif [ "$own_rank" -lt 10 ] && [ "$target" != "$own" ]; then
            echo "$rel:$lineno: $own includes \"$inc\"; the ground-floor libraries stand alone"
            violations=$((violations + 1))
        fi
    done <"$file"
done < <(find "$sources" -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

if [ "$violations" -gt 0 ]; then
    echo "check-floors: $violations violation(s)"
    exit 1
fi
echo "check-floors: every include keeps to the floors"
