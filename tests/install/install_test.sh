#!/usr/bin/env bash
# Installs the build into a temporary prefix, then checks the installed tree: the programs
# answer --version and --help, the program starts from its prefix and finds its help and
# skin under share/orvantis, and the desktop entry and software-centre description validate.
# Usage: install_test.sh BUILD_DIR CMAKE_COMMAND VERSION
set -euo pipefail
build=$1 cmake=$2 version=$3
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cmake" --install "$build" --prefix "$prefix" >/dev/null

for f in bin/orvantis bin/orvantis-tileserver share/orvantis/Aide.html \
         share/orvantis/Skins/WinAqua/Skin.INI \
         share/applications/org.orvantis.Orvantis.desktop \
         share/icons/hicolor/scalable/apps/org.orvantis.Orvantis.svg \
         share/metainfo/org.orvantis.Orvantis.metainfo.xml; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done

export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
unset DISPLAY WAYLAND_DISPLAY

[ "$("$prefix/bin/orvantis" --version)" = "orvantis $version" ] || fail "orvantis --version"
[ "$("$prefix/bin/orvantis-tileserver" --version)" = "orvantis-tileserver $version" ] \
  || fail "orvantis-tileserver --version"
# Read whole before searching: grep -q on a pipe would close it early, and under pipefail
# the writer's SIGPIPE would fail the test by chance.
help=$("$prefix/bin/orvantis" --help) || fail "orvantis --help"
grep -q '^Utilisation : orvantis \[options\]' <<<"$help" || fail "orvantis --help"
grep -q -- '--version' <<<"$help" || fail "--help lists --version"
rc=0; "$prefix/bin/orvantis" --inconnue 2>"$work/err" || rc=$?
[ $rc -eq 2 ] && grep -q 'options inconnues : inconnue' "$work/err" || fail "unknown option: rc $rc"

# An installed program keeps maps and scratch files in the per-user data folder, whether
# or not its bin/ can be written to; nothing is made beside it.
rc=0; "$prefix/bin/orvantis" -reverse --bogus 2>"$work/err" || rc=$?
[ $rc -eq 2 ] && grep -q 'options inconnues : bogus' "$work/err" || fail "Qt option then unknown option: rc $rc"
out=$(timeout 120 "$prefix/bin/orvantis" -reverse --exit-after-first-paint) || fail "installed program did not start"
echo "$out"
grep -qx "fichiers du programme : $prefix/share/orvantis/" <<<"$out" || fail "help and skin not found under share"
[ -d "$XDG_DATA_HOME/Orvantis/Mes cartes" ] || fail "no Mes cartes in the per-user data folder"
[ -d "$XDG_DATA_HOME/Orvantis/Cassini couleurs" ] || fail "no maps in the per-user data folder"
[ ! -e "$prefix/bin/Mes cartes" ] && [ ! -e "$prefix/bin/Cassini couleurs" ] || fail "maps made beside the installed program"

desktop-file-validate "$prefix/share/applications/org.orvantis.Orvantis.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/org.orvantis.Orvantis.metainfo.xml"
echo "install test passed"
