#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop and a shell find
# there: valid desktop entry and AppStream data, a manual page that renders, the bash
# completion, and installed programs that find their list and help in share/vornix.
# Usage: install-test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(cd "$(mktemp -d)" && pwd -P)  # the canonical form, as vornix --help prints paths
trap 'kill "${gui:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
id=io.github.vornix.Vornix
for f in bin/vornix-count share/vornix/Vornix.dat share/man/man1/vornix-count.1 \
    share/bash-completion/completions/vornix-count; do
    [ -f "$prefix/$f" ] || fail "not installed: $f"
done

# Manual page: renders without a groff warning and holds its sections.
MANWIDTH=80 man -l "$prefix/share/man/man1/vornix-count.1" >"$work/man.txt" 2>"$work/man.err" ||
    fail "man -l failed"
[ ! -s "$work/man.err" ] || fail "man -l warned: $(cat "$work/man.err")"
for section in NAME SYNOPSIS OPTIONS --format=table "EXIT STATUS"; do
    grep -q -- "$section" "$work/man.txt" || fail "manual page lacks $section"
done

# Completion: the installed file defines the completion and offers the formats.
out=$(bash -c 'source "$1"; complete -p vornix-count >/dev/null
    COMP_WORDS=(vornix-count --format = ""); COMP_CWORD=3; _vornix_count; echo "${COMPREPLY[*]}"' _ \
    "$prefix/share/bash-completion/completions/vornix-count")
[ "$out" = "table csv tsv json" ] || fail "completion of --format= gave '$out'"

# The installed counter with an empty user folder: its help, and the master list from
# share/vornix hides the common words.
# Lock file and socket of the single-instance guard stay private to this test too.
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run TMPDIR=$work/tmp APPDATA=
mkdir -p "$HOME" "$TMPDIR" && mkdir -m 700 "$XDG_RUNTIME_DIR"
# Read whole first: grep -q stops at its match, and a help text longer than one pipe
# write would then fail on a closed pipe under pipefail.
help=$("$prefix/bin/vornix-count" --help) || fail "installed vornix-count --help"
grep -q -- "--format=" <<<"$help" || fail "installed vornix-count --help"
grep -qx $'THE\r' "$prefix/share/vornix/Vornix.dat" || fail "master list lacks THE"
printf 'the zebra the zebra quagga\n' >"$work/text.txt"
out=$("$prefix/bin/vornix-count" "$work/text.txt")
[ "$out" = $'ZEBRA\t2\r\nQUAGGA\t1\r' ] || fail "installed vornix-count did not read the master list: $out"

if [ -f "$prefix/bin/vornix" ]; then
    # The installed counter finds its drawing program in libexec and draws without a
    # display.
    env -u DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/vornix-count" --plot=lengths --output="$work/chart.png" \
        "$work/text.txt" || fail "installed vornix-count --plot"
    [ "$(head -c 4 "$work/chart.png" | tail -c 3)" = PNG ] || fail "installed vornix-count --plot wrote no PNG"
    desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
    appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
    [ -f "$prefix/share/icons/hicolor/scalable/apps/$id.svg" ] || fail "icon not installed"
    grep -qx "Icon=$id" "$prefix/share/applications/$id.desktop" || fail "desktop entry names another icon"
    # The installed window finds its help and master list in share/vornix (and says so
    # without a display).
    [ ! -e "$prefix/bin/help" ] || fail "help installed beside the program"
    out=$(env -u DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/vornix" --help)
    grep -qx "Help pages: $prefix/share/vornix/help/index.htm" <<<"$out" || fail "installed vornix --help: $out"
    grep -qx "Master common words list: $prefix/share/vornix/Vornix.dat" <<<"$out" ||
        fail "installed vornix --help: $out"
    [ -f "$prefix/share/vornix/help/index.htm" ] || fail "help not installed"
    # The installed window, started with an empty user folder, gives the user a copy of
    # the master list it found in share/vornix.
    QT_QPA_PLATFORM=offscreen VORNIX_NO_DIALOGS=1 "$prefix/bin/vornix" id=installtest &
    gui=$!
    copy=$XDG_CONFIG_HOME/Korvane/Vornixinstalltest/Vornix.dat
    for _ in $(seq 100); do
        [ -s "$copy" ] && break
        kill -0 "$gui" 2>/dev/null || fail "installed vornix ended early"
        sleep 0.2
    done
    cmp -s "$copy" "$prefix/share/vornix/Vornix.dat" || fail "installed vornix did not copy the master list"
    kill "$gui"
    wait "$gui" 2>/dev/null || true
    gui=
fi
# The package holds the same files below /usr.
(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1) ||
    fail "cpack: $(cat "$work/cpack.log")"
deb=$(ls "$work"/pkg/vornix_*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./usr/||' | sort >"$work/deb.txt"
(cd "$prefix" && find . -type f | sed 's|^\./||' | sort) >"$work/prefix.txt"
diff <(grep -v -e '/$' -e '^$' "$work/deb.txt") "$work/prefix.txt" || fail "the .deb holds other files than the install"
dpkg-deb -f "$deb" Depends | grep -q libc6 || fail "the .deb names no dependencies"
echo "install test passed"
