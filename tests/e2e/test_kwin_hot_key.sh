#!/usr/bin/env bash
# The hot key on KDE Plasma's Wayland session (headless KWin 5.27, windows on Xwayland): Quorrel
# binds its shortcut through the desktop's GlobalShortcuts portal, and each activation of it
# hides or brings back the window. KWin's virtual session has no keyboard, so the shortcut is
# set off through kglobalaccel's D-Bus interface, as KWin does on a key press. With the hot key
# live, the window hides when another program takes the focus.
. "$(dirname "$0")/lib.sh"

skip() {
    echo "SKIP: $*" >&2
    E2E_RC=0
    trap - EXIT
    cleanup
    exit 77
}
KWIN=$(command -v kwin_wayland) || skip "kwin_wayland is not installed (scripts/install-deps.sh)"
PORTAL_KDE=/usr/lib/x86_64-linux-gnu/libexec/xdg-desktop-portal-kde
[ -x "$PORTAL_KDE" ] || PORTAL_KDE=$(ls /usr/lib/*/libexec/xdg-desktop-portal-kde 2>/dev/null | head -1)
[ -x "$PORTAL_KDE" ] || skip "xdg-desktop-portal-kde is not installed (scripts/install-deps.sh)"

# A bus of the test's own that starts nothing by itself: the portals are started here, by PID.
if [ -z "${E2E_KWIN_BUS:-}" ]; then
    trap - EXIT
    rm -rf "$E2E_TMP"
    bus_dir=$(mktemp -d /tmp/quorrel-e2e-bus.XXXXXX)
    mkdir "$bus_dir/services"
    cat >"$bus_dir/session.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$bus_dir/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
    rc=0
    E2E_PRIVATE_BUS=1 E2E_KWIN_BUS=1 \
        dbus-run-session --config-file="$bus_dir/session.conf" -- bash "$0" "$@" || rc=$?
    rm -rf "$bus_dir"
    exit $rc
fi

on_bus() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}
# x_ours: the X display still belongs to our KWin, which holds its lock (a KWin that died frees
# the number for another server).
x_ours() {
    kill -0 "$XPID" 2>/dev/null && [ "$(tr -d ' \n' <"/tmp/.X${DISPLAY#:}-lock" 2>/dev/null)" = "$XPID" ]
}
need_x() { x_ours || fail "the X display $DISPLAY no longer belongs to our KWin"; }
# kwin_display: the X display whose lock names our KWin (it starts Xwayland on it).
kwin_display() {
    local l
    for l in /tmp/.X*-lock; do
        [ "$(tr -d ' \n' <"$l" 2>/dev/null)" = "$XPID" ] || continue
        l=${l#/tmp/.X}
        DISPLAY=":${l%-lock}"
        return 0
    done
    return 1
}

# KWin refuses to start with the file capability its binary carries in some containers: a copy
# without it, still named kwin_wayland.
mkdir -p "$E2E_TMP/kwin" "$XDG_CONFIG_HOME"
cp "$KWIN" "$E2E_TMP/kwin/kwin_wayland"
printf '[Daemon]\nAutolock=false\nLockOnResume=false\n' >"$XDG_CONFIG_HOME/kscreenlockerrc"
export XDG_CURRENT_DESKTOP=KDE XDG_SESSION_TYPE=wayland
QT_QPA_PLATFORM=offscreen "$E2E_TMP/kwin/kwin_wayland" --virtual --xwayland --socket wayland-q \
    --width 1280 --height 1024 >"$E2E_TMP/kwin.log" 2>&1 &
XPID=$!
kwin_up() { kill -0 "$XPID" 2>/dev/null || return 0; kwin_display; }
wait_until 30 kwin_up || fail "KWin started no Xwayland within 30 s: $(tail -n 3 "$E2E_TMP/kwin.log")"
kill -0 "$XPID" 2>/dev/null || skip "KWin cannot start here: $(tail -n 5 "$E2E_TMP/kwin.log" | tr '\n' ' ')"
export DISPLAY WAYLAND_DISPLAY=wayland-q
wait_until 10 on_bus org.kde.kglobalaccel || fail "KWin's kglobalaccel is not on the bus"

"$PORTAL_KDE" >"$E2E_TMP/portal-kde.log" 2>&1 &
HELPER_PIDS+=($!)
wait_until 20 on_bus org.freedesktop.impl.portal.desktop.kde ||
    fail "xdg-desktop-portal-kde did not start: $(tail -n 3 "$E2E_TMP/portal-kde.log")"
PIPEWIRE_RUNTIME_DIR=/nonexistent /usr/libexec/xdg-desktop-portal -r >"$E2E_TMP/portal.log" 2>&1 &
HELPER_PIDS+=($!)
wait_until 30 on_bus org.freedesktop.portal.Desktop ||
    fail "xdg-desktop-portal did not start: $(tail -n 3 "$E2E_TMP/portal.log")"

empty_collector Work
need_x
PATH="$E2E_BIN" QT_QPA_PLATFORM=xcb QT_LOGGING_RULES='quorrel.hotkey*=true' "$QUORREL" \
    >>"$E2E_TMP/quorrel.log" 2>&1 &
QPID=$!
m=$(need_x && wait_window 'Text Mode$' 20)

# The desktop knows the shortcut once Quorrel's session is bound: kglobalaccel lists it.
component=/component/quorrel
bound() {
    dbus-send --session --print-reply --dest=org.kde.kglobalaccel "$component" \
        org.kde.kglobalaccel.Component.shortcutNames 2>/dev/null | grep -q '"toggle"'
}
wait_until 20 bound || fail "KDE's portal bound no shortcut for Quorrel; Quorrel says: $(grep hotkey "$E2E_TMP/quorrel.log" | tail -n 2)"
press() {
    dbus-send --session --print-reply --dest=org.kde.kglobalaccel "$component" \
        org.kde.kglobalaccel.Component.invokeShortcut string:toggle >/dev/null ||
        fail "kglobalaccel did not set off Quorrel's shortcut"
}
shown() { need_x && has_window 'Text Mode$'; }
hidden() { need_x && no_window 'Text Mode$'; }

press
wait_until 10 hidden || fail "the shortcut did not hide the window; Quorrel says: $(grep hotkey "$E2E_TMP/quorrel.log" | tail -n 2)"
press
wait_until 10 shown || fail "the shortcut did not bring the window back"

# With a live hot key the window gets out of the way when another program takes the focus,
# also after the shortcut brought it back; the shortcut brings it back again.
xmessage -name other-e2e 'another program' >/dev/null 2>&1 &
HELPER_PIDS+=($!)
other_active() { need_x && [ "$(xdotool getactivewindow getwindowname 2>/dev/null)" = other-e2e ]; }
wait_until 10 other_active || fail "the other program did not get the focus"
wait_until 10 hidden || fail "the window stayed up when another program took the focus"
press
wait_until 10 shown || fail "the shortcut did not bring the window back after it lost the focus"

running || fail "Quorrel ended"
echo "KDE portal hot key end to end: passed"
