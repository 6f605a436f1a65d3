#!/usr/bin/env bash
# Builds the Debian package from a built build folder and checks it as a user
# would meet it: every file where the desktop looks for it, the validators of
# the desktop entry and the AppStream metadata, the manual pages, and the
# installed kwatrix started under Xvfb, once with no archive anywhere (it must
# ask for a folder) and once with a demo folder (its main window must open).
#
# Usage: packaging/test-package.sh BUILD_DIR
# The package, its dpkg -I text and the screenshots go to BUILD_DIR/package-test.
# With CI set, as root, the package is really installed with apt-get and purged
# afterwards; otherwise it is only unpacked (dpkg -x) into a temporary tree, so
# a developer's machine is left as it was.
set -euo pipefail

if [ "${1:-}" = "--under-xvfb" ]; then
    mode=xvfb
    shift
else
    mode=main
fi
[ $# -eq 1 ] || {
    echo "usage: packaging/test-package.sh BUILD_DIR" >&2
    exit 2
}

app_id=cz.telvanor.Kwatrix
dialog_title="Vyberte složku s archivem"
fatal_title="Kritická chyba programu"

passed=0
failed=0
pass() {
    echo "  ok    $*"
    passed=$((passed + 1))
}
fail() {
    echo "  FAIL  $*"
    failed=$((failed + 1))
}
check() { # description, command...
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

# Waits up to $2 seconds for a window whose name matches the regular
# expression $1 and prints its id; gives up early when process $3 has ended
# or the fatal message is shown.
wait_for_window() {
    local pattern=$1 seconds=$2 pid=$3 id
    for _ in $(seq $((seconds * 5))); do
        id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        kill -0 "$pid" 2>/dev/null || return 1
        xdotool search --onlyvisible --name "$fatal_title" > /dev/null 2>&1 && return 1
        sleep 0.2
    done
    return 1
}

# xvfb-run may start us before the server takes connections.
wait_for_display() {
    for _ in $(seq 50); do
        xdotool getdisplaygeometry > /dev/null 2>&1 && return 0
        sleep 0.2
    done
}

stop_program() {
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

# Runs inside xvfb-run: BIN is the folder of the installed programs.
gui_checks() {
    local bin=$1 out=$2 work=$3 pid id title

    wait_for_display
    echo "Started with no archive folder (HOME empty, nothing beside $bin/kwatrix):"
    HOME=$work/home-empty "$bin/kwatrix" > "$out/no-archive.log" 2>&1 &
    pid=$!
    if id=$(wait_for_window "^$dialog_title\$" 30 "$pid"); then
        sleep 1 # let it paint before the picture
        import -window root "$out/folder-dialog.png"
        title=$(xdotool getwindowname "$id")
        pass "a window titled \"$title\" appeared (screenshot $out/folder-dialog.png)"
    else
        import -window root "$out/folder-dialog.png" 2>/dev/null || true
        fail "no window titled \"$dialog_title\" within 30 s (screenshot $out/folder-dialog.png)"
    fi
    if xdotool search --name "$fatal_title" > /dev/null 2>&1; then
        fail "the fatal message \"$fatal_title\" appeared"
    else
        pass "no fatal message"
    fi
    stop_program "$pid"

    local demo="$work/Archiv Demo"
    echo "Started on a demo folder made by kwatrix-demo: kwatrix \"$demo\""
    "$bin/kwatrix-demo" --dir "$demo" --months 2 > /dev/null
    wait_for_display
    HOME=$work/home-demo "$bin/kwatrix" "$demo" > "$out/demo-folder.log" 2>&1 &
    pid=$!
    if id=$(wait_for_window "Kwatrix – Archiv Demo" 30 "$pid"); then
        sleep 2
        import -window root "$out/main-window.png"
        # The window alone, as packaging/screenshots/main-window.png shows it.
        import -window "$id" "$out/main-window-alone.png"
        title=$(xdotool getwindowname "$id")
        pass "the main window \"$title\" appeared (screenshot $out/main-window.png)"
    else
        import -window root "$out/main-window.png" 2>/dev/null || true
        fail "no window \"Kwatrix – Archiv Demo\" within 30 s (screenshot $out/main-window.png)"
    fi
    for unwanted in "$fatal_title" "^$dialog_title\$"; do
        if xdotool search --name "$unwanted" > /dev/null 2>&1; then
            fail "a window \"$unwanted\" appeared on the demo folder"
        else
            pass "no window \"$unwanted\" on the demo folder"
        fi
    done

    # F1 in the main window: the installed help document, not "help is not installed".
    local help_title
    help_title=$(sed -n 's:.*<title>\(.*\)</title>.*:\1:p' "$bin/../share/kwatrix/qx5view.html")
    if [ -n "$id" ] && [ -n "$help_title" ]; then
        xdotool windowfocus --sync "$id" key F1 2>/dev/null || true
        if wait_for_window "^$help_title\$" 15 "$pid" > /dev/null; then
            sleep 1
            import -window root "$out/help.png"
            pass "F1 showed the installed help \"$help_title\" (screenshot $out/help.png)"
        else
            import -window root "$out/help.png" 2>/dev/null || true
            fail "F1 did not show the help \"$help_title\" within 15 s (screenshot $out/help.png)"
        fi
    else
        fail "no main window or no title in the installed help document to try F1 with"
    fi
    stop_program "$pid"
    echo "gui: $passed passed, $failed failed" > "$out/gui-result"
}

if [ "$mode" = xvfb ]; then
    mapfile -t args < "$1"
    gui_checks "${args[@]}"
    exit 0
fi

start=$SECONDS
build=$(realpath "$1")
out=$build/package-test
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
rm -rf "$out"
mkdir -p "$out"
work=$(mktemp -d)
installed_here=0
cleanup() {
    if [ "$installed_here" -eq 1 ]; then
        DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq kwatrix > /dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

echo "== Debian package from $build"
(cd "$build" && cpack -G DEB -B "$out" > "$out/cpack.log") || {
    cat "$out/cpack.log"
    exit 1
}
debs=("$out"/kwatrix_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || {
    echo "expected one kwatrix_*.deb in $out" >&2
    exit 1
}
deb=${debs[0]}
echo "$deb"
dpkg-deb --info "$deb" | tee "$out/dpkg-info.txt"
field() { dpkg-deb --field "$deb" "$1"; }
check "version $version from the project" [ "$(field Version)" = "$version" ]
depends=$(field Depends)
for lib in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6printsupport6 libqt6svg6 libqcustomplot2.1-qt6 \
    libsqlite3-0 libpq5; do
    check "depends on $lib (worked out from the libraries)" \
        grep -qxF "$lib" <(tr ',|' '\n\n' <<< "$depends" | sed 's/^ *//; s/ *(.*//; s/ *$//')
done
for f in Maintainer Description Section Homepage; do
    check "field $f" [ -n "$(field $f)" ]
done

echo "== Files of the package"
root=$work/root
dpkg-deb -x "$deb" "$root"
(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | sort) > "$out/files.txt"
expected=(
    usr/bin/kwatrix
    usr/bin/kwatrix-demo
    usr/bin/kwatrix-report
    usr/share/applications/$app_id.desktop
    usr/share/icons/hicolor/256x256/apps/$app_id.png
    usr/share/icons/hicolor/48x48/apps/$app_id.png
    usr/share/icons/hicolor/scalable/apps/$app_id.svg
    usr/share/kwatrix/qx5view.html
    usr/share/man/man1/kwatrix-demo.1.gz
    usr/share/man/man1/kwatrix-report.1.gz
    usr/share/man/man1/kwatrix.1.gz
    usr/share/metainfo/$app_id.metainfo.xml
)
check "exactly the expected files, each in its place" \
    diff -u <(printf '%s\n' "${expected[@]}" | sort) "$out/files.txt"
for program in kwatrix kwatrix-report kwatrix-demo; do
    check "usr/bin/$program is executable" [ -x "$root/usr/bin/$program" ]
done
for size in 48 256; do
    png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png
    check "the ${size}x${size} icon is a ${size}x${size} PNG" \
        [ "$(identify -format '%m %wx%h' "$png" 2>/dev/null)" = "PNG ${size}x${size}" ]
done

# On CI the package is installed for real; the checks below then look at /usr.
prefix=$root/usr
if [ -n "${CI:-}" ] && [ "$(id -u)" -eq 0 ]; then
    if dpkg-query -W -f='${Status}' kwatrix 2>/dev/null | grep -q "install ok installed"; then
        echo "kwatrix is already installed on this machine: checking the unpacked tree only"
    else
        echo "== apt-get install $deb"
        installed_here=1
        if DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" \
            > "$out/apt-install.log" 2>&1; then
            pass "apt-get install of the package"
            prefix=/usr
        else
            cat "$out/apt-install.log"
            fail "apt-get install of the package"
        fi
    fi
fi

echo "== The desktop's view of $prefix"
desktop=$prefix/share/applications/$app_id.desktop
metainfo=$prefix/share/metainfo/$app_id.metainfo.xml
check "desktop-file-validate $desktop" desktop-file-validate "$desktop"
check "appstreamcli validate --no-net $metainfo" appstreamcli validate --no-net "$metainfo"
# The package's own tree: the metainfo together with the desktop entry it launches.
check "appstreamcli validate-tree --no-net on the package's files" \
    appstreamcli validate-tree --no-net "$root"
entry() { sed -n "s/^$1=//p" "$desktop"; }
check "Exec=kwatrix %f" [ "$(entry Exec)" = "kwatrix %f" ]
check "the program of Exec is installed" [ -x "$prefix/bin/$(entry Exec | cut -d' ' -f1)" ]
check "MimeType offers the program for folders" grep -qx 'MimeType=\(.*;\)\?inode/directory;.*' "$desktop"
czech() { grep -q '^Name\[cs\]=' "$desktop" && grep -q '^Comment\[cs\]=' "$desktop"; }
check "Name and Comment in Czech too" czech
icon=$(entry Icon)
has_icon() { compgen -G "$prefix/share/icons/hicolor/$1/apps/$icon.$2" > /dev/null; }
check "icon \"$icon\" in the hicolor theme as SVG" has_icon scalable svg
for size in 48x48 256x256; do
    check "icon \"$icon\" in the hicolor theme at $size" has_icon $size png
done
check "the metainfo's launchable is the desktop entry" \
    grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo"
check "the metainfo's release is $version" grep -q "<release version=\"$version\"" "$metainfo"
check "the help document in share/kwatrix, found from bin/ as ../share/kwatrix" \
    [ -f "$prefix/bin/../share/kwatrix/qx5view.html" ]

echo "== Manual pages"
for page in kwatrix kwatrix-report kwatrix-demo; do
    file=$root/usr/share/man/man1/$page.1.gz
    # groff's warnings (bad macros, unknown escapes) come on standard error.
    warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$file" 2>&1 > /dev/null || echo "man failed")
    check "man $page formats without warnings${warnings:+: $warnings}" [ -z "$warnings" ]
    check "man $page has a NAME line for whatis" grep -qF "\"$page - " <(lexgrog "$file")
done

echo "== The installed program under Xvfb"
bin=$prefix/bin
check "no archive beside the installed kwatrix" \
    [ -z "$(find "$bin" -maxdepth 1 -iname '*.dat' -o -maxdepth 1 -iname '*arch.ini')" ]
echo "== A workbook in LibreOffice"
# A workbook of the installed kwatrix-report, converted headless by
# LibreOffice as a user's Calc opens it: a file Calc refuses fails here.
xlsx_demo=$work/xlsx-demo
mkdir -p "$xlsx_demo" "$work/home-office"
"$bin/kwatrix-demo" --dir "$xlsx_demo" --last 2024-03-31 --months 3 --devices 0 > /dev/null
check "kwatrix-report --format xlsx saves a workbook" sh -c "'$bin/kwatrix-report' \
    --dir '$xlsx_demo/' --year 2024 --capacity 200 --format xlsx \
    --output '$out/rok-2024.xlsx' 2> /dev/null"
check "LibreOffice converts the workbook to PDF" sh -c "HOME='$work/home-office' soffice \
    --headless --convert-to pdf --outdir '$out' '$out/rok-2024.xlsx' > /dev/null 2>&1 &&
    [ -s '$out/rok-2024.pdf' ]"
check "the converted workbook shows the overview and its charts" sh -c \
    "pdftotext -l 1 '$out/rok-2024.pdf' - | grep -q 'Energie po měsících' &&
     pdftotext -l 1 '$out/rok-2024.pdf' - | grep -q 'Energie \\[kWh\\]'"
# The Excel CSV as Calc opens it in a Czech locale (1029): date-times and
# numbers, not texts.
check "kwatrix-report --format excel-csv writes the Czech CSV" sh -c "'$bin/kwatrix-report' \
    --dir '$xlsx_demo/' --month 2024-02 --whole-month --format excel-csv \
    --output '$out/unor.csv' 2> /dev/null"
check "LibreOffice reads its date-times and values as such" sh -c "HOME='$work/home-office' \
    soffice --headless --infilter='CSV:59,34,76,1,,1029' --convert-to xlsx --outdir '$out' \
    '$out/unor.csv' > /dev/null 2>&1 && /usr/bin/python3 -c \"
import datetime, openpyxl, sys
rows = list(openpyxl.load_workbook(sys.argv[1]).active.iter_rows(min_row=2, values_only=True))
sys.exit(not (len(rows) == 2784 and all(isinstance(r[0], datetime.datetime) and
         isinstance(r[3], (int, float)) for r in rows)))\" '$out/unor.xlsx'"

mkdir -p "$work/home-empty" "$work/home-demo" "$work/runtime"
chmod 700 "$work/runtime"
printf '%s\n' "$bin" "$out" "$work" > "$work/args"
(
    unset DISPLAY WAYLAND_DISPLAY
    export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work/runtime
    unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME
    # -noreset: the server would otherwise reset, refusing connections for a
    # moment, whenever the first program's last window goes.
    xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" --under-xvfb "$work/args"
) || true
if [ -f "$out/gui-result" ]; then
    read -r _ p _ f _ < "$out/gui-result"
    passed=$((passed + p))
    failed=$((failed + f))
else
    fail "the checks under Xvfb did not finish"
fi
[ "$failed" -eq 0 ] || for log in "$out"/no-archive.log "$out"/demo-folder.log; do
    [ -s "$log" ] && { echo "-- $log"; tail -n 20 "$log"; }
done

echo "Package stage took $((SECONDS - start)) s; results in $out"
echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
