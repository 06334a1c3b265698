#!/usr/bin/env bash
# A day of copying and pasting, shortened: the real program runs with a collector open under a
# private Xvfb + openbox, session bus and home, while real programs copy to the clipboard in turn,
# COPIES times (3000 unless told): xclip with explicit targets (text/plain;charset=utf-8,
# UTF8_STRING, image/png), xsel, a GTK 3 and a Tk program that stay open and copy again and
# again, xclip quitting after its copy was read, a GTK program quitting with a clipboard manager's
# handover, now and then a 6000 x 6000 picture, three times an owner that never answers. Texts run
# from a few bytes to a few MB, some with several lines or outside ASCII.
# Every tenth copy (and some large ones) Add to Collector is pressed (Alt+A on the text-mode window); the clip then goes
# back with Add to Clipboard (Alt+C), and now and then a stored clip is found by typing in the
# clip list and chosen; what xclip -o reads then must be what was copied.
# Resident memory, peak memory, open descriptors, threads and X resources (xrestop) of the program
# are sampled at the start and every COPIES/20 copies and printed as a table; at the end every
# clip added must be in the store once, unchanged, and nothing else.
# Usage: bash bench/day_soak.sh BUILD_DIR [COPIES]
#   needs Quorrel and clip_owner built in BUILD_DIR (cmake --build BUILD_DIR --target Quorrel
#   clip_owner), and xrestop, xclip, xsel, xdotool, python3-gi, python3-tk (scripts/install-deps.sh).
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
COPIES=${2:-3000}
SRC=$(cd "$(dirname "$0")/.." && pwd)
# A private session bus: nothing the desktop runs answers, and nothing is left behind.
if [ -z "${QUORREL_SOAK_BUS:-}" ]; then
    QUORREL_SOAK_BUS=1 exec dbus-run-session -- bash "$0" "$BUILD" "$COPIES" 2> >(grep -v 'Failed to set fd limit' >&2)
fi
Q=$BUILD/Quorrel
OWNER=$BUILD/tests/clip_owner
PY=/usr/bin/python3
OWNERS=$SRC/tests/e2e/owners
for f in "$Q" "$OWNER"; do
    [ -x "$f" ] || { echo "missing $f: cmake --build $BUILD --target Quorrel clip_owner" >&2; exit 1; }
done
for c in Xvfb openbox xclip xsel xdotool xrestop; do
    command -v $c >/dev/null || { echo "missing $c (scripts/install-deps.sh)" >&2; exit 1; }
done
export LC_ALL=C.UTF-8 NO_AT_BRIDGE=1 # GTK's accessibility bus is no part of the day

T=$(mktemp -d /tmp/quorrel-soak.XXXXXX)
STARTED=() # processes this script started that may still run, ended by PID
XPID=""
WMPID=""
QPID=""
finish() {
    local p
    exec 8>&- 9>&- 2>/dev/null || true
    for p in "${STARTED[@]}" $QPID; do kill "$p" 2>/dev/null || true; done
    for p in "${STARTED[@]}" $QPID; do wait "$p" 2>/dev/null || true; done
    [ -n "$WMPID" ] && kill "$WMPID" 2>/dev/null || true
    [ -n "$XPID" ] && kill "$XPID" 2>/dev/null || true
    [ -n "${KEEP_SOAK:-}" ] && echo "kept $T" >&2 || rm -rf "$T"
}
trap finish EXIT
fail() {
    echo "FAIL after copy $i of $COPIES: $*" >&2
    import -window root "$T/failed.png" 2>/dev/null && KEEP_SOAK=1 # kept with the rest to look at
    echo "the clipboard now holds: $(timeout 5 xclip -selection clipboard -o 2>&1 | head -c 80)" >&2
    [ -z "$QPID" ] || kill -0 "$QPID" 2>/dev/null || echo "Quorrel has ended; its output:" >&2
    tail -n 20 "$T/quorrel.log" >&2 || true
    exit 1
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }
wait_until() { # SECONDS COMMAND...: polls every 20 ms
    local end=$(($(now_ms) + $1 * 1000)); shift
    until "$@" >/dev/null 2>&1; do
        [ "$(now_ms)" -le $end ] || return 1
        sleep 0.02
    done
}
i=0

# --- The desktop: X server, window manager, a home with the collector Work open. ---
mkdir -p "$T/run" && chmod 700 "$T/run"
export HOME=$T/home XDG_RUNTIME_DIR=$T/run XDG_CONFIG_HOME=$T/home/.config QT_QPA_PLATFORM=xcb
unset XDG_DOCUMENTS_DIR WAYLAND_DISPLAY XDG_SESSION_TYPE
D=$HOME/Documents/Clips/Data/Work
mkdir -p "$D"
printf '[Collector]\r\nLabel=Work\r\nOpen=%s\r\nSkip=Work\r\n' "$D" >"$HOME/Documents/Clips/Data/Settings.ini"
printf '[Collector]\r\nClipNumber=0\r\n' >"$D/Settings.ini"
mkfifo "$T/displayfd"
Xvfb -displayfd 6 -screen 0 1280x1024x24 -nolisten tcp 6>"$T/displayfd" >/dev/null 2>&1 &
XPID=$!
read -r -t 20 num <"$T/displayfd" || fail "Xvfb gave no display"
export DISPLAY=":$num"
openbox --startup "touch $T/wm-ready" >/dev/null 2>&1 &
WMPID=$!
wait_until 10 test -e "$T/wm-ready" || fail "openbox did not start"

# --- What is copied. ---
mkdir -p "$T/src" "$T/added"
# Filler lines: words only, so that "tag" and six digits name one copy alone.
awk 'BEGIN { split("alpha bravo charlie delta echo foxtrot golf hotel india juliet kilo lima", w)
    for (i = 0; i < 80000; i++) printf "%s %s %s line of a long copy %s\n", w[i % 12 + 1], w[(i * 7) % 12 + 1], w[(i * 5) % 12 + 1], w[(i * 3) % 12 + 1] }' >"$T/filler"
"$PY" "$OWNERS/make_png.py" 64 48 "$T/small.png"
"$PY" "$OWNERS/make_png.py" 6000 6000 "$T/huge.png"
# make_text N FILE: copy N's text, its size by N: most a line or a few, some kB, some MB; some
# with several lines, tabs, accents and signs outside ASCII. The large ones may end with a line
# end (what is stored gains one, and what goes back drops it again).
make_text() {
    local n=$1 tag
    tag=$(printf 'tag%06d' "$n")
    case $((n % 7)) in
    0) printf '%s' "$tag" ;;
    1) printf '%s one line as from a browser' "$tag" ;;
    2) printf '%s first line\nsecond line\n\tindented third' "$tag" ;;
    3) printf '%s café, naïve, 東京, ✓ and €' "$tag" ;;
    4) printf '%s ' "$tag"; head -c $((200 + n % 3000)) "$T/filler" | tr '\n' ' ' ;;
    5) printf '%s\n' "$tag"; head -n $((20 + n % 400)) "$T/filler" | head -c -1 ;;
    6) printf '%s %s' "$tag" "$(printf 'x%.0s' $(seq $((n % 50))))" ;;
    esac >"$2"
    # Four in fifty a large text (200 kB to 3 MB of lines), one a medium one (100 kB).
    case $((n % 50)) in
    17 | 21 | 33 | 40)
        { printf '%s large\n' "$tag"; head -c $((200000 + (n * 7919) % 2800000)) "$T/filler" | head -c -1; } >"$2" ;;
    14) { printf '%s medium\n' "$tag"; head -c 100000 "$T/filler" | head -c -1; } >"$2" ;;
    esac
}

# --- The program, with its notice trace. ---
TRACE=$T/trace
: >"$TRACE"
QUORREL_TRACE=$TRACE "$Q" >"$T/quorrel.log" 2>&1 &
QPID=$!
win() { xdotool search --onlyvisible --pid "$QPID" --name 'Text Mode$' 2>/dev/null | head -n1; }
has_win() { [ -n "$(win)" ]; }
wait_until 30 has_win || fail "no text-mode window"
M=$(win)
clip_win() { xdotool search --name '^Quorrel clipboard$' 2>/dev/null | head -n1; }
has_clip_win() { [ -n "$(clip_win)" ]; }
wait_until 10 has_clip_win || fail "no clipboard reader window"
BASE_WIN=$(printf '0x%x' $((M & ~0x1fffff)))
BASE_CLIP=$(printf '0x%x' $(($(clip_win) & ~0x1fffff)))
exec 7<"$TRACE"
# next_notice SECONDS: the next notice line into NOTICE; fails after SECONDS without one.
NOTICE=""
next_notice() {
    local end=$(($(now_ms) + $1 * 1000)) part="" line
    while :; do
        if IFS= read -r -u 7 line; then
            NOTICE=$part$line
            return 0
        fi
        part+=$line # a line still being written
        [ "$(now_ms)" -le $end ] || return 1
        kill -0 "$QPID" 2>/dev/null || fail "Quorrel ended"
        sleep 0.005
    done
}
# wait_copy PATTERN SECONDS: reads notices until one matches (a copy read again after its owner
# quit gives a second notice; an owner that hung leaves an empty one).
wait_copy() {
    local end=$(($(now_ms) + $2 * 1000))
    while next_notice $(((end - $(now_ms)) / 1000 + 1)); do
        [[ $NOTICE == $1 ]] && return 0
        [ "$(now_ms)" -le $end ] || break
    done
    return 1
}

# --- Owners that stay open and copy what they are given, one file name a line. ---
cat >"$T/gtk_owner.py" <<'EOF'
import os, sys
import gi
gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import Gdk, GLib, Gtk
clip = Gtk.Clipboard.get(Gdk.SELECTION_CLIPBOARD)
buf = b""
def readable(fd, cond):
    global buf
    data = os.read(fd, 65536)
    if not data:
        Gtk.main_quit()
        return False
    buf += data
    while b"\n" in buf:
        line, buf = buf.split(b"\n", 1)
        with open(line.decode(), encoding="utf-8") as f:
            clip.set_text(f.read(), -1)
    return True
GLib.io_add_watch(0, GLib.IO_IN | GLib.IO_HUP, readable)
Gtk.main()
EOF
cat >"$T/tk_owner.py" <<'EOF'
import os, tkinter
root = tkinter.Tk()
root.withdraw()
buf = b""
def readable(fd, mask):
    global buf
    data = os.read(0, 65536)
    if not data:
        root.destroy()
        return
    buf += data
    while b"\n" in buf:
        line, buf = buf.split(b"\n", 1)
        with open(line.decode(), encoding="utf-8") as f:
            root.clipboard_clear()
            root.clipboard_append(f.read())
root.tk.createfilehandler(0, tkinter.READABLE, readable)
root.mainloop()
EOF
mkfifo "$T/gtk.in" "$T/tk.in"
"$PY" "$T/gtk_owner.py" <"$T/gtk.in" >"$T/gtk.log" 2>&1 &
STARTED+=($!)
exec 8>"$T/gtk.in"
"$PY" "$T/tk_owner.py" <"$T/tk.in" >"$T/tk.log" 2>&1 &
STARTED+=($!)
exec 9>"$T/tk.in"

# --- Samples of the program's resources. ---
SAMPLES=$T/samples
: >"$SAMPLES"
# xres: the program's X resources, over its two connections (its windows', found by the
# text-mode window, and its clipboard reader's, by its window's name): windows, pixmaps, all
# resources, their bytes; and the number of clients the server has (a connection left open each
# time would show there).
xres() {
    xrestop -b -m 1 2>/dev/null | awk -v a="$BASE_WIN" -v b="$BASE_CLIP" '
        / - .*\( PID: / { clients++ }
        /^\t/ { split($0, kv, ":"); k = kv[1]; v = kv[2]; gsub(/[\t ~]/, "", k); gsub(/[ ~]/, "", v)
            if (k == "res_base") mine = (v == a || v == b)
            else if (mine && k == "windows") w += v; else if (mine && k == "pixmaps") px += v
            else if (mine && k == "totalbytes") tb += v
            else if (mine && k != "res_mask" && k !~ /bytes$/) o += v }
        END { printf "%d %d %d %d %d\n", w, px, o + w + px, tb, clients }'
}
sample() {
    local s=/proc/$QPID/status rss hwm thr fds
    rss=$(awk '/^VmRSS/ { print $2 }' "$s")
    hwm=$(awk '/^VmHWM/ { print $2 }' "$s")
    thr=$(awk '/^Threads/ { print $2 }' "$s")
    fds=$(ls "/proc/$QPID/fd" | wc -l)
    echo "$i $(($(now_ms) - T0)) $rss $hwm $fds $thr $(xres) $added $(ls "$D" | wc -l)" >>"$SAMPLES"
}

# --- Adding, putting back, finding. ---
added=0
copy_of=() # the copy each clip was made from
add_clip() { # N SOURCE: Add to Collector; the clip must become clip N
    local n=$1
    added_now() { grep -q "^$n) " "$D/Data" 2>/dev/null && [ -f "$D/$n" ]; }
    local k
    for k in 1 2 3 4 5; do
        focus
        xdotool key alt+a
        wait_until 10 added_now && break
        [ "$(ls "$D" | grep -cx "$n")" = 0 ] || break
    done
    added_now || fail "Add to Collector did not add clip $n ($(tail -n1 "$D/Data" | head -c 60))"
    cp "$2" "$T/added/$n"
    added=$n
}
# focus: the text-mode window takes the keys (a key typed while the focus moves goes nowhere).
is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$M" ] && [ "$(xdotool getwindowfocus 2>/dev/null)" = "$M" ]; }
focus() {
    is_active && return 0
    xdotool windowactivate "$M" >/dev/null 2>&1 || true
    wait_until 5 is_active || fail "the text-mode window did not take the focus"
}
# read_back_is FILE: what xclip reads from the clipboard is FILE's bytes.
read_back_is() { cmp -s <(xclip -selection clipboard -o 2>/dev/null) "$1"; }
# put_back SOURCE COPY: Add to Clipboard; once the program has put the text back (its own
# clearing and writing give two notices), what another program reads.
put_back() {
    local t
    focus
    t=$(now_ms)
    xdotool key alt+c
    wait_copy '*text=0 *' 10 || fail "Add to Clipboard did not clear the clipboard"
    wait_copy "*head=$(printf 'tag%06d' "$2")*" 10 || fail "Add to Clipboard did not put copy $2 back: $NOTICE"
    echo "key_add_to_clipboard $(($(now_ms) - t))" >>"$lat"
    read_back_is "$1" ||
        fail "after Add to Clipboard xclip read $(xclip -selection clipboard -o 2>/dev/null | head -c 80 | od -c | head -3)"
}
popups() { xdotool search --onlyvisible --pid "$QPID" 2>/dev/null | wc -l; }
more_popups() { [ "$(popups)" -gt "$1" ]; }
# find_back N COPY: clip N, made from copy COPY, found by typing in the clip list and chosen;
# what another program reads then.
find_back() {
    local before tag t
    tag=$(printf 'tag%06d' "$2")
    focus
    t=$(now_ms)
    xdotool mousemove --window "$M" $((3120 / 15 + 40)) $((21 + 1200 / 15 + 10)) click 1
    before=$(popups)
    xdotool type --delay 15 "$tag"
    wait_until 10 more_popups "$before" || fail "no drop-down after typing $tag"
    xdotool key Down Return
    wait_copy "*head=$tag*" 10 || fail "clip $1 found by typing was not put back: $NOTICE"
    echo "find_and_choose $(($(now_ms) - t))" >>"$lat"
    read_back_is "$T/added/$1" ||
        fail "clip $1 found by typing, but xclip read $(xclip -selection clipboard -o 2>/dev/null | head -c 80 | od -c | head -3)"
}

# --- The copies. ---
xclip_own() { # ARGS...: xclip owning the clipboard in the foreground, ended by PID later
    xclip -quiet -selection clipboard "$@" >/dev/null 2>&1 &
    STARTED+=($!)
}
gone() { ! kill -0 "$1" 2>/dev/null; }
prune() { # forgets owners that have ended (they quit when another program takes the clipboard)
    local p keep=()
    for p in "${STARTED[@]}"; do
        if kill -0 "$p" 2>/dev/null; then keep+=("$p"); else wait "$p" 2>/dev/null || true; fi
    done
    STARTED=("${keep[@]}")
}
EVERY=$(((COPIES + 19) / 20))
HANGS=" $((COPIES / 4 + 1)) $((COPIES / 2 + 1)) $((3 * COPIES / 4 + 1)) "
echo "day soak: $COPIES copies, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
T0=$(now_ms)
sample
pictures=0
huge=0
hangs=0
lat=$T/latency
: >"$lat"
for ((i = 1; i <= COPIES; i++)); do
    f=$T/src/cur
    text=1
    t=$(now_ms)
    if [[ $HANGS == *" $i "* ]]; then
        # An owner that never answers: the program gives up on it, the next copy is read.
        "$OWNER" hang >"$T/hang.out" &
        STARTED+=($!)
        wait_until 5 grep -q ready "$T/hang.out" || fail "the hanging owner did not start"
        wait_copy '*text=0 *' 15 || fail "no notice while an owner never answers"
        hangs=$((hangs + 1))
        kind=hang
        text=0
    elif [ $((i % 500)) = 249 ]; then # not where the samples fall: they show what stays
        xclip_own -t image/png -i "$T/huge.png"
        wait_copy '*picture=6000x6000*' 60 || fail "the 6000 x 6000 picture was not read: $NOTICE"
        pictures=$((pictures + 1))
        huge=$((huge + 1))
        kind=picture_6000
        text=0
    elif [ $((i % 10)) = 8 ]; then
        xclip_own -t image/png -i "$T/small.png"
        wait_copy '*picture=64x48*' 20 || fail "the small picture was not read: $NOTICE"
        pictures=$((pictures + 1))
        kind=picture
        text=0
    else
        make_text "$i" "$f"
        kind=$((i % 10))
        # A GTK program that copies and quits, handing its copy to a clipboard manager.
        [ $((i % 100)) != 55 ] || kind=gtk_quits
        case $kind in
        0 | 6) kind=xclip_text_plain; xclip_own -t 'text/plain;charset=utf-8' -i "$f" ;;
        1) kind=xclip_utf8; xclip_own -t UTF8_STRING -i "$f" ;;
        2 | 9) kind=xsel
            # xsel serves from a process of its own, which quits when the clipboard goes on.
            [ "$(stat -c %s "$f")" -lt 3900000 ] || { kind=xclip_utf8; xclip_own -i "$f"; }
            [ $kind = xclip_utf8 ] || xsel --clipboard --input <"$f" >/dev/null 2>&1 ;;
        3 | 7) kind=gtk; echo "$f" >&8 ;;
        4) kind=tk; echo "$f" >&9 ;;
        5) kind=xclip_quits
            xclip_own -l 1 -i "$f"
            quitter=${STARTED[-1]} ;;
        gtk_quits) "$PY" "$OWNERS/gtk_copy.py" --file "$f" ;;
        esac
        wait_copy "*head=$(printf 'tag%06d' "$i")*" 30 || fail "copy $i ($kind) not read; last notice: $NOTICE"
        if ! LC_ALL=C grep -q '[^ -~]' "$f"; then # ASCII: as many characters as bytes
            [[ $NOTICE == "notice text=$(stat -c %s "$f") "* ]] || fail "copy $i ($kind) read as: ${NOTICE:0:60}"
        fi
    fi
    echo "$kind $(($(now_ms) - t))" >>"$lat"
    if [ "$kind" = xclip_quits ]; then
        # The copy outlives xclip, which quits once the program has read it.
        wait_until 10 gone "$quitter" || fail "xclip -l 1 did not quit after its copy was read"
        read_back_is "$f" || fail "xclip's copy was lost when it quit"
    fi
    if [ $text = 1 ] && [ $((i % 10)) = 0 -o $((i % 100)) = 55 -o $((i % 50)) = 21 -o $((i % 50)) = 33 ]; then
        n=$((added + 1))
        add_clip "$n" "$f"
        copy_of[n]=$i
        put_back "$f" "$i"
        # An older clip, so that what is read back differs from what the clipboard held.
        [ $((n % 10)) != 5 ] || find_back $((n - 3)) "${copy_of[n - 3]}"
    fi
    [ $((i % 50)) != 0 ] || prune
    [ $((i % EVERY)) != 0 ] || sample
done
T1=$(now_ms)
i=$COPIES
kill -0 "$QPID" 2>/dev/null || fail "Quorrel ended"

# --- The store: every clip added, once, unchanged, and nothing else. ---
bad=0
expect() { # LF to CR LF, one line end added
    sed 's/$/\r/' "$1"
    if [ -z "$(tail -c 1 "$1")" ]; then printf '\r\n'; else printf '\n'; fi
}
for ((n = 1; n <= added; n++)); do
    cmp -s "$D/$n" <(expect "$T/added/$n") || {
        echo "clip $n (copy ${copy_of[n]}) differs from its copy: $(cmp "$D/$n" <(expect "$T/added/$n") 2>&1 | head -c 200)" >&2
        bad=$((bad + 1))
    }
done
[ "$(ls "$D" | grep -cE '^[0-9]+$')" = "$added" ] || { echo "clip files: $(ls "$D" | grep -cE '^[0-9]+$'), added $added" >&2; bad=$((bad + 1)); }
cmp -s "$D/Numb" <(seq "$added" | sed 's/$/\r/') || { echo "Numb is not 1..$added once each" >&2; bad=$((bad + 1)); }
[ "$(grep -c '' "$D/Data")" = "$added" ] || { echo "Data holds $(grep -c '' "$D/Data") lines" >&2; bad=$((bad + 1)); }
cmp -s <(sed 's/) .*//' "$D/Data") <(seq "$added" | sed 's/$//') || { echo "Data's numbers are not 1..$added in turn" >&2; bad=$((bad + 1)); }
grep -q "^ClipNumber=$added"$'\r'"\?$" "$D/Settings.ini" || { echo "ClipNumber: $(cat "$D/Settings.ini")" >&2; bad=$((bad + 1)); }

# --- The report. ---
echo
printf '%7s %7s %9s %9s %5s %7s %6s %7s %6s %10s %9s %6s\n' copies seconds rss_kb hwm_kb fds threads \
    x_win x_pixm x_all x_bytes x_clients added
awk '{ printf "%7s %7.1f %9s %9s %5s %7s %6s %7s %6s %10s %9s %6s\n", $1, $2 / 1000, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12 }' "$SAMPLES"
summary() { # COLUMN NAME: start, end, peak
    awk -v c="$1" -v name="$2" 'NR == 1 { s = $c } { e = $c; if ($c + 0 > m) m = $c + 0 }
        END { printf "  %-22s start %s  end %s  peak %s\n", name, s, e, m }' "$SAMPLES"
}
echo "over the run:"
summary 3 "resident memory (kB)"
summary 4 "peak memory VmHWM (kB)"
summary 5 "open descriptors"
summary 6 threads
summary 7 "X windows"
summary 8 "X pixmaps"
summary 9 "X resources, all"
summary 10 "X resource bytes"
summary 11 "X server's clients"
echo "copies: $COPIES (pictures $pictures, of them 6000 x 6000: $huge, owners that never answered $hangs); clips added $added"
echo "copy to notice by owner; a key to its effect (xdotool's start included), in ms:"
sort -k1,1 -k2,2n "$lat" | awk '{ v[$1] = v[$1] " " $2; c[$1]++ }
    END { for (k in c) { n = split(substr(v[k], 2), a, " "); printf "  %-18s %5d copies, median %s ms, longest %s ms\n", k, n, a[int((n + 1) / 2)], a[n] } }' | sort
echo "time: $(((T1 - T0) / 1000)) s for the copies; load afterwards $(cut -d' ' -f1-3 /proc/loadavg)"
[ $bad = 0 ] || { KEEP_SOAK=1; echo "FAIL: the store does not hold what was added ($bad faults)" >&2; exit 1; }
echo "store: $added clips, each once and unchanged"
