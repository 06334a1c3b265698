#!/usr/bin/env bash
# The picture viewer against a real X server, at scale factors 1 and 2: a picture shows pixel for
# pixel (device pixels: a scale factor does not enlarge it), a picture larger than the screen is
# scaled down so that the whole window stays on the screen, and Esc and Enter close the viewer
# as a click on the picture does.
. "$(dirname "$0")/lib.sh"
start_x
empty_collector Work
export QUORREL_TRACE="$E2E_TMP/trace"
viewer='^Quorrel {20}Preview$'

# Single-pixel checks: any scaling blurs or doubles them.
convert -size 300x200 pattern:gray50 -fill red -draw 'point 0,0' -type TrueColor "$E2E_TMP/checks.png"
convert -size 1600x1200 gradient:'#2050c0-#f0a020' "$E2E_TMP/large.png"

# client WINDOW: "X Y WIDTH HEIGHT" of the window's client area on the screen.
client() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF } END { print x, y, w, h }'
}
# frame WINDOW: the frame's extents "LEFT RIGHT TOP BOTTOM" (0 0 0 0 before openbox set them).
frame() {
    xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | awk -F' = ' '/=/ { gsub(",", "", $2); print $2; exit }
        END { if (NR == 0) print "0 0 0 0" }'
}
seen_picture() { grep -q "picture=$1 " "$QUORREL_TRACE"; }

# open_viewer: Preview (3000,3840 twips, below the menu) in the graphics window $p; sets V to
# the viewer once it is framed.
open_viewer() {
    focus "$p"
    click_at "$p" $((240 * scale)) $((290 * scale))
    V=$(wait_window "$viewer")
    wait_until 5 test "$(frame "$V")" != "0 0 0 0" || fail "the viewer was never framed"
}

for scale in 1 2; do
    : >"$QUORREL_TRACE"
    QT_SCALE_FACTOR=$scale start_quorrel
    m=$(wait_window 'Text Mode$')
    focus "$m"
    key_to "$m" alt+g
    p=$(wait_window 'Graphics Mode$')

    # Pixel for pixel: the picture on the screen is the picture copied.
    serve_clip image/png "$E2E_TMP/checks.png"
    wait_until 5 seen_picture 300x200 || fail "the copied picture never reached Quorrel"
    open_viewer
    read -r x y w h <<<"$(client "$V")"
    shot "viewer_${scale}x"
    # The picture stands 120 twips (8 units) from the client area's corner.
    off=$((8 * scale))
    import -window root -crop "300x200+$((x + off))+$((y + off))" +repage "$E2E_TMP/shown.png"
    diff=$(compare -metric AE "$E2E_TMP/checks.png" "$E2E_TMP/shown.png" null: 2>&1) || true
    [ "$diff" = 0 ] || fail "at scale $scale the viewer does not show the picture pixel for pixel ($diff pixels differ; client $x $y $w $h)"
    key_to "$V" Escape
    wait_no_window "$viewer"

    # Larger than the screen (at scale 2 the screen is 640 x 512 units): the whole window on it.
    serve_clip image/png "$E2E_TMP/large.png"
    wait_until 5 seen_picture 1600x1200 || fail "the large picture never reached Quorrel"
    open_viewer
    read -r x y w h <<<"$(client "$V")"
    read -r fl fr ft fb <<<"$(frame "$V")"
    shot "viewer_large_${scale}x"
    [ $((x - fl)) -ge 0 ] && [ $((y - ft)) -ge 0 ] && [ $((x + w + fr)) -le 1280 ] &&
        [ $((y + h + fb)) -le 1024 ] ||
        fail "at scale $scale the viewer leaves the screen: client $x,$y ${w}x$h, frame $fl $fr $ft $fb"
    key_to "$V" Return
    wait_no_window "$viewer"

    focus "$p"
    open_popup "$p" alt+f
    xdotool key x
    wait_exit 10
done
echo "picture viewer end to end: passed"
