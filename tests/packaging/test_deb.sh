#!/usr/bin/env bash
# Packs the built tree into the Debian package and checks it as Debian's tools and a user would:
# lintian, appstreamcli, desktop-file-validate, then the control fields and the files it holds.
# Usage: test_deb.sh <build dir> [cpack] [hardened: 1 when the build has the hardening flags]
#                    [compiler: GNU or Clang]
set -euo pipefail
BUILD=$(cd "${1:?build dir}" && pwd)
CPACK=${2:-cpack}
HARDENED=${3:-1}
COMPILER=${4:-GNU}
OUT=$BUILD/tests/packaging/deb
errors=0
fail() { echo "FAIL: $*" >&2; errors=$((errors + 1)); }
die() { echo "FAIL: $*" >&2; exit 1; }

for tool in lintian appstreamcli desktop-file-validate dpkg-deb dpkg-shlibdeps file ldd; do
  command -v "$tool" >/dev/null || die "$tool is not installed (bash scripts/install-deps.sh installs it)"
done

# Pack what the build made; cpack runs only the install rules, it builds nothing.
rm -rf "$OUT" && mkdir -p "$OUT"
if ! "$CPACK" -G DEB -B "$OUT" --config "$BUILD/CPackConfig.cmake" >"$OUT/cpack.log" 2>&1; then
  cat "$OUT/cpack.log" >&2
  die "cpack did not make the package"
fi
debs=("$OUT"/quorrel_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  die "expected one quorrel_*.deb in $OUT, found: ${debs[*]}"
fi
DEB=${debs[0]}
echo "package: $DEB"

# --- lintian: no error and no warning (overrides, each with its reason, ship in the package).
lintian_status=0
lintian_out=$(lintian --allow-root --fail-on error,warning --display-level '>=info' \
  --tag-display-limit 0 "$DEB" 2>&1) || lintian_status=$?
[ -z "$lintian_out" ] || printf '%s\n' "$lintian_out"
[ "$lintian_status" -eq 0 ] || fail "lintian reports errors or warnings, or could not check (above)"
# The program is stripped and hardened as Debian's own are: lintian rates these as information.
# Clang leaves the printf family unfortified (glibc's checked wrappers need GCC's
# __builtin_va_arg_pack), which lintian reports as hardening-no-fortify-functions.
if [ "$HARDENED" = 1 ]; then
  tags='hardening-|unstripped-|binary-has-unneeded-section'
  [ "$COMPILER" = Clang ] && tags='hardening-(?!no-fortify-functions)|unstripped-|binary-has-unneeded-section'
  grep -qP "^[EWI]: quorrel: ($tags)" <<<"$lintian_out" &&
    fail "the program is not stripped or hardened as Debian's are (above)"
fi

# --- control fields
field() { dpkg-deb -f "$DEB" "$1"; }
[ "$(field Package)" = quorrel ] || fail "Package is '$(field Package)', not quorrel"
depends=$(field Depends)
echo "Depends: $depends"
# The library versions come from dpkg-shlibdeps, the rest is what no library pulls in.
for dep in 'libc6 (>= ' 'libstdc++6 (>= ' 'libqt6core6 (>= ' 'libqt6gui6 (>= ' \
           'libqt6widgets6 (>= ' 'libxcb-xinput0' 'libqt6dbus6' 'fonts-liberation' 'qt6-qpa-plugins'; do
  grep -qF "$dep" <<<"$depends" || fail "Depends lacks '$dep'"
done
grep -qw xchm <<<"$(field Recommends)" || fail "Recommends lacks xchm: '$(field Recommends)'"
description=$(field Description)
[ "$(wc -l <<<"$description")" -ge 5 ] || fail "the extended description is missing: '$description'"

# --- files: every one owned by root, below /usr, and the ones a user and Debian look for
listing=$(dpkg-deb -c "$DEB")
awk '$2 != "root/root" { print }' <<<"$listing" | grep . && fail "files not owned by root (above)"
paths=$(awk '{ print $6 }' <<<"$listing" | sed 's|^\./|/|; s|/$||')
grep -vE '^(/|/usr(/.*)?)$' <<<"$paths" && fail "files outside /usr (above)"
grep -qx /usr/bin/Quorrel <<<"$paths" && fail "the program is installed as /usr/bin/Quorrel"
expected=(/usr/bin/quorrel
          /usr/share/applications/quorrel.desktop
          /usr/share/metainfo/io.github.quorrel.metainfo.xml
          /usr/share/man/man1/quorrel.1.gz
          /usr/share/doc/quorrel/copyright
          /usr/share/doc/quorrel/changelog.gz
          /usr/share/quorrel/html/index.html
          /usr/share/icons/hicolor/scalable/apps/quorrel.svg)
sizes=(16 22 24 32 48 64 128 256)
for s in "${sizes[@]}"; do expected+=("/usr/share/icons/hicolor/${s}x$s/apps/quorrel.png"); done
# The CHM is in the package whenever the build could compile it.
[ -f "$BUILD/QuorrelHelp.chm" ] && expected+=(/usr/share/quorrel/QuorrelHelp.chm)
for f in "${expected[@]}"; do
  grep -qxF "$f" <<<"$paths" || fail "$f is not in the package"
done
grep -E '^-rwxr-xr-x .* \./usr/bin/quorrel$' <<<"$listing" >/dev/null || fail "/usr/bin/quorrel is not mode 0755"

ROOT=$OUT/root
dpkg-deb -x "$DEB" "$ROOT"

# Each PNG holds the size its folder names (width and height from the IHDR chunk).
for s in "${sizes[@]}"; do
  png=$ROOT/usr/share/icons/hicolor/${s}x$s/apps/quorrel.png
  [ -f "$png" ] || continue
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" |
    awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }')
  [ "$w $h" = "$s $s" ] || fail "the ${s}x$s icon is ${w}x$h"
done

# --- desktop entry: valid, starting the installed program by name, with an installed icon
desktop=$ROOT/usr/share/applications/quorrel.desktop
if [ -f "$desktop" ]; then
  out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate failed"
  [ -z "$out" ] || { printf '%s\n' "$out"; fail "desktop-file-validate reports problems (above)"; }
  exec_cmd=$(sed -n 's/^Exec=//p' "$desktop" | awk '{ print $1 }')
  [ "$exec_cmd" = quorrel ] || fail "Exec starts '$exec_cmd', not quorrel"
  [ -x "$ROOT/usr/bin/$exec_cmd" ] || fail "Exec names $exec_cmd, which the package does not install"
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  [ -f "$ROOT/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "Icon=$icon has no icon in the package"
fi

# --- metainfo: clean at the pedantic level (no E, W, I or P line), naming installed files
metainfo=$ROOT/usr/share/metainfo/io.github.quorrel.metainfo.xml
if [ -f "$metainfo" ]; then
  # The file alone, then as installed beside its desktop entry and icons.
  for check in "validate $metainfo" "validate-tree $ROOT"; do
    out=$(appstreamcli "${check%% *}" --pedantic --no-net --no-color "${check#* }" 2>&1) || true
    printf '%s\n' "$out"
    grep -qE '^[EWIP]: ' <<<"$out" && fail "appstreamcli ${check%% *} --pedantic reports issues (above)"
    grep -q 'Validation was successful' <<<"$out" || fail "appstreamcli ${check%% *} did not succeed"
  done
  while read -r bin; do
    [ -x "$ROOT/usr/bin/$bin" ] || fail "the metainfo provides binary $bin, which is not in /usr/bin"
  done < <(sed -n 's:.*<binary>\(.*\)</binary>.*:\1:p' "$metainfo")
  launch=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
  [ -f "$ROOT/usr/share/applications/$launch" ] || fail "the metainfo launches $launch, which is not installed"
fi

# --- one version everywhere: the package, its changelog's last entry and the newest release
version=$(field Version)
changelog=$ROOT/usr/share/doc/quorrel/changelog.gz
if [ -f "$changelog" ]; then
  logged=$(zcat "$changelog" | dpkg-parsechangelog -l - -S Version)
  [ "$logged" = "$version" ] || fail "the changelog's last entry is $logged, the package $version"
fi
if [ -f "$metainfo" ]; then
  released=$(sed -n 's:.*<release version="\([^"]*\)".*:\1:p' "$metainfo" | head -n1)
  [ "$released" = "$version" ] || fail "the metainfo's newest release is $released, the package $version"
fi

manpage=$ROOT/usr/share/man/man1/quorrel.1.gz
if [ -f "$manpage" ]; then
  zgrep -q "^\.TH QUORREL 1 .* \"Quorrel $version\"" "$manpage" || fail "the manual page is not for version $version"
fi

# --- the program finds every library it links to
if [ -f "$ROOT/usr/bin/quorrel" ]; then
  ldd "$ROOT/usr/bin/quorrel" | grep 'not found' && fail "libraries not found (above)"
fi

for gz in "$ROOT"/usr/share/man/man1/quorrel.1.gz "$ROOT"/usr/share/doc/quorrel/changelog.gz; do
  [ -f "$gz" ] && ! gzip -t "$gz" && fail "$gz is not a whole gzip file"
done

[ "$errors" -eq 0 ] || die "$errors check(s) failed"
echo "PASS: the package passes lintian, appstreamcli and desktop-file-validate and holds what it should"
