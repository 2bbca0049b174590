#!/usr/bin/env bash
# Makes the Debian package from the build into a temporary folder and checks it: its control
# fields, its file list (everything under /usr, nothing run at installation or removal), the
# French manual pages, the licence, the programs inside it; then lintian, where installed,
# must report no error.
# Usage: package_test.sh BUILD_DIR CPACK_COMMAND VERSION
set -euo pipefail
build=$1 cpack=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; fail "cpack"; }
arch=$(dpkg --print-architecture)
deb="$work/orvantis_${version}_${arch}.deb"
[ -f "$deb" ] || fail "no package named $(basename "$deb"): $(ls "$work")"

# Each field is read once into a variable and searched there: under pipefail, a reader that
# stops early (head, grep -q) would kill dpkg-deb with SIGPIPE and fail the test by chance.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = orvantis ] || fail "Package"
[ "$(field Version)" = "$version" ] || fail "Version $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture"
[ "$(field Section)" = graphics ] || fail "Section"
[ "$(field Maintainer)" = "Orvantis <contact@orvantis.org>" ] || fail "Maintainer"
description=$(field Description)
[ "${description%%$'\n'*}" = 'install, view and print old maps of France' ] || fail "Description"
[ "$(wc -l <<<"$description")" -gt 3 ] || fail "no long description"
depends=$(field Depends)
for dependency in libqt6widgets6 libqt6network6 libqt6printsupport6 libjpeg62-turbo libc6; do
  grep -q "$dependency" <<<"$depends" || fail "Depends lacks $dependency: $depends"
done

# Files: the programs and everything they need, under /usr only; no maintainer script, so
# installing and removing touch nothing but these files.
dpkg-deb -c "$deb" | awk '{ print $6 }' > "$work/files"
for f in usr/bin/orvantis usr/bin/orvantis-tileserver usr/share/orvantis/Aide.html \
         usr/share/orvantis/Skins/WinAqua/Skin.INI \
         usr/share/applications/org.orvantis.Orvantis.desktop \
         usr/share/icons/hicolor/scalable/apps/org.orvantis.Orvantis.svg \
         usr/share/metainfo/org.orvantis.Orvantis.metainfo.xml \
         usr/share/man/man1/orvantis.1.gz usr/share/man/man1/orvantis-tileserver.1.gz \
         usr/share/doc/orvantis/copyright usr/share/doc/orvantis/changelog.gz; do
  grep -qx "./$f" "$work/files" || fail "not in the package: $f"
done
outside=$(grep -v -e '^\./$' -e '^\./usr/' "$work/files" || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
dpkg-deb -e "$deb" "$work/control"
scripts=$(ls "$work/control" | grep -v -x -e control -e md5sums || true)
[ -z "$scripts" ] || fail "maintainer scripts: $scripts"

# What is inside: programs that run, French manual pages listing every option of --help,
# the licence declared in the copyright file and the software-centre description.
dpkg-deb -x "$deb" "$work/root"
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY
for program in orvantis orvantis-tileserver; do
  [ "$("$work/root/usr/bin/$program" --version)" = "$program $version" ] || fail "$program --version"
  page=$(zcat "$work/root/usr/share/man/man1/$program.1.gz")
  grep -q '^\.SH NOM' <<<"$page" || fail "$program(1) is not in French"
  grep -q '^\.SH SYNOPSIS' <<<"$page" || fail "$program(1) has no synopsis"
  for option in $("$work/root/usr/bin/$program" --help | grep -o -e '--[a-z][a-z-]*' | sort -u); do
    grep -qF -- "$(sed 's/-/\\-/g' <<<"$option")" <<<"$page" || fail "$program(1) lacks $option"
  done
done
grep -q '^License: GPL-3.0-or-later' "$work/root/usr/share/doc/orvantis/copyright" || fail "copyright licence"
grep -q '<project_license>GPL-3.0-or-later</project_license>' \
  "$work/root/usr/share/metainfo/org.orvantis.Orvantis.metainfo.xml" || fail "metainfo licence"

if command -v lintian >/dev/null; then
  lintian --fail-on error --tag-display-limit 0 "$deb" | tee "$work/lintian" || fail "lintian reports errors"
  ! grep -q '^E:' "$work/lintian" || fail "lintian reports errors"
fi
echo "package test passed"
