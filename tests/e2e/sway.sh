# Headless sway for the Wayland end-to-end tests, sourced after lib.sh. sway refuses to run as
# root: when the tests run as root (CI), sway runs as the user quorrel-e2e, made here when
# missing, and the other programs (Quorrel, wl-clipboard, foot, grim) stay root and reach sway's
# socket by its full path; Xwayland is told to let root in. A private session bus carries the
# desktop portals. Everything started is remembered by PID and ended by it.
E2E_USER=quorrel-e2e
SWAY_RUN=""
XWAYLAND_PID=""
NATIVE_PID=""

# skip WHY: the test cannot run on this machine (ctest counts status 77 as skipped).
skip() {
    echo "SKIP: $*" >&2
    E2E_RC=0
    trap - EXIT
    cleanup
    exit 77
}

# The test runs inside a session bus of its own, so that the portals it starts are its own, and
# that sway's user may reach (lib.sh's bus lets in only root when the tests run as root). The
# bus starts only the helpers of the portals (start_portals starts these itself): the document
# portal would leave a FUSE mount behind.
if [ -z "${E2E_SWAY_BUS:-}" ]; then
    command -v dbus-run-session >/dev/null || skip "dbus-run-session is not installed"
    trap - EXIT
    rm -rf "$E2E_TMP"
    bus_dir=$(mktemp -d /tmp/quorrel-e2e-bus.XXXXXX)
    mkdir "$bus_dir/services"
    for s in org.freedesktop.impl.portal.desktop.gtk org.freedesktop.impl.portal.PermissionStore; do
        cp "/usr/share/dbus-1/services/$s.service" "$bus_dir/services/" 2>/dev/null || true
    done
    cat >"$bus_dir/session.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <keep_umask/>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$bus_dir/services</servicedir>
  <policy context="default">
    <!-- sway's user too: what sway starts (a key binding) reaches the programs on this bus. -->
    <allow user="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
    rc=0
    E2E_PRIVATE_BUS=1 E2E_SWAY_BUS=1 env -u XDG_RUNTIME_DIR \
        dbus-run-session --config-file="$bus_dir/session.conf" -- bash "$0" "$@" || rc=$?
    rm -rf "$bus_dir"
    exit $rc
fi

ensure_user() {
    id -u "$E2E_USER" >/dev/null 2>&1 && return 0
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin \
        "$E2E_USER" || fail "could not create the user $E2E_USER for sway"
}

# x_ours: the X display still belongs to our sway (which holds its lock file and starts Xwayland
# on it). A compositor that died frees its display number for another server, and an X action
# there would go to a stranger.
x_ours() {
    local lock
    kill -0 "$XPID" 2>/dev/null || return 1
    lock=$(tr -d ' \n\0' <"/tmp/.X${DISPLAY#:}-lock" 2>/dev/null) || return 1
    [ "$lock" = "$XPID" ]
}
need_x() { x_ours || fail "the X display $DISPLAY no longer belongs to our sway"; }

# start_sway: sway 1.7 headless at 1280 x 1024 with Xwayland; exports WAYLAND_DISPLAY (a full
# path), DISPLAY and SWAYSOCK. SWAY_EXTRA: more lines for its configuration (key bindings).
# Skips only when sway ends before it is ready.
start_sway() {
    local conf="$E2E_TMP/sway.conf" as=() i
    command -v sway >/dev/null || skip "sway is not installed"
    SWAY_RUN="$E2E_TMP/sway-run"
    mkdir -p "$SWAY_RUN"
    if [ "$(id -u)" = 0 ]; then
        ensure_user
        chown "$E2E_USER:" "$SWAY_RUN"
        chmod 711 "$E2E_TMP"
        as=(setpriv "--reuid=$E2E_USER" "--regid=$E2E_USER" --clear-groups)
    fi
    chmod 700 "$SWAY_RUN"
    cat >"$conf" <<EOF
xwayland force
output HEADLESS-1 resolution 1280x1024 position 0 0
default_border none
default_floating_border none
focus_on_window_activation focus
${SWAY_EXTRA:-}
exec sh -c 'xhost +si:localuser:root >/dev/null 2>&1; echo "\$WAYLAND_DISPLAY \$DISPLAY" >$SWAY_RUN/ready.tmp && mv $SWAY_RUN/ready.tmp $SWAY_RUN/ready'
EOF
    chmod 644 "$conf"
    "${as[@]}" env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$SWAY_RUN" XDG_RUNTIME_DIR="$SWAY_RUN" \
        DBUS_SESSION_BUS_ADDRESS="${DBUS_SESSION_BUS_ADDRESS:-}" \
        WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
        sway -c "$conf" >"$E2E_TMP/sway.log" 2>&1 &
    XPID=$!
    for i in $(seq 400); do
        [ -s "$SWAY_RUN/ready" ] && break
        kill -0 "$XPID" 2>/dev/null ||
            skip "sway cannot start here: $(tail -n 5 "$E2E_TMP/sway.log" | tr '\n' ' ')"
        sleep 0.05
    done
    [ -s "$SWAY_RUN/ready" ] || fail "sway did not report ready within 20 s"
    local wd d
    read -r wd d <"$SWAY_RUN/ready"
    export WAYLAND_DISPLAY="$SWAY_RUN/$wd" DISPLAY="$d" XDG_CURRENT_DESKTOP=sway
    SWAYSOCK=$(echo "$SWAY_RUN"/sway-ipc.*.sock)
    export SWAYSOCK
    wait_until 10 x_ours || fail "Xwayland of sway did not take $DISPLAY"
    # The portals started on demand by the bus see this desktop.
    dbus-update-activation-environment WAYLAND_DISPLAY DISPLAY XDG_CURRENT_DESKTOP XDG_RUNTIME_DIR \
        >/dev/null 2>&1 ||
        fail "the session bus did not take the desktop's environment"
}

# on_bus NAME: a program owns NAME on the session bus.
on_bus() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}

# start_portals: the desktop portals of sway (Screenshot through xdg-desktop-portal-wlr), started
# here so that their PIDs are ours. The wlr backend needs pipewire, without its portal module
# (which waits for the portal, which waits for pipewire); the portal itself is kept away from
# pipewire, where it only looks for cameras and can hang the start.
start_portals() {
    command -v pipewire >/dev/null || fail "pipewire is not installed (scripts/install-deps.sh)"
    sed '/libpipewire-module-portal/,/}/d' /usr/share/pipewire/pipewire.conf >"$E2E_TMP/pipewire.conf"
    pipewire -c "$E2E_TMP/pipewire.conf" >"$E2E_TMP/pipewire.log" 2>&1 &
    HELPER_PIDS+=($!)
    wait_until 10 test -S "$XDG_RUNTIME_DIR/pipewire-0" ||
        fail "pipewire did not start: $(tail -n 3 "$E2E_TMP/pipewire.log")"
    /usr/libexec/xdg-desktop-portal-wlr >"$E2E_TMP/portal-wlr.log" 2>&1 &
    HELPER_PIDS+=($!)
    wait_until 20 on_bus org.freedesktop.impl.portal.desktop.wlr ||
        fail "xdg-desktop-portal-wlr did not start: $(tail -n 3 "$E2E_TMP/portal-wlr.log")"
    PIPEWIRE_RUNTIME_DIR=/nonexistent /usr/libexec/xdg-desktop-portal -r \
        >"$E2E_TMP/portal.log" 2>&1 &
    HELPER_PIDS+=($!)
    wait_until 30 on_bus org.freedesktop.portal.Desktop ||
        fail "xdg-desktop-portal did not start: $(tail -n 3 "$E2E_TMP/portal.log")"
}

# focused_is APP-ID-OR-CLASS: sway says the focused window is that program's.
focused_app() {
    swaymsg -t get_tree -r 2>/dev/null | python3 -c '
import json, sys
def walk(n):
    if n.get("focused"):
        print(n.get("app_id") or (n.get("window_properties") or {}).get("class") or "")
        return True
    return any(walk(c) for c in n.get("nodes", []) + n.get("floating_nodes", []))
walk(json.load(sys.stdin))'
}
focused_is() { [ "$(focused_app)" = "$1" ]; }

# start_native: a native Wayland window (foot) that takes the focus, as a user's program does.
start_native() {
    foot --app-id=native-e2e --title=native-e2e sh -c 'while :; do sleep 3600; done' \
        >"$E2E_TMP/foot.log" 2>&1 &
    NATIVE_PID=$!
    HELPER_PIDS+=("$NATIVE_PID")
    focus_native
}
focus_native() {
    swaymsg '[app_id="native-e2e"] focus' >/dev/null 2>&1 || true
    wait_until 10 focused_is native-e2e || {
        swaymsg '[app_id="native-e2e"] focus' >/dev/null 2>&1
        wait_until 5 focused_is native-e2e
    } || fail "the native window does not have the focus; focused: '$(focused_app)'"
}

# start_quorrel_wayland: Quorrel with its windows on Xwayland, as on a Wayland desktop.
start_quorrel_wayland() {
    need_x
    PATH="$E2E_BIN" QT_QPA_PLATFORM=xcb "$QUORREL" "$@" >>"$E2E_TMP/quorrel.log" 2>&1 &
    QPID=$!
}
