#!/usr/bin/env bash
# Builds the Debian package from this build tree, unpacks it into a scratch root and checks what a
# user's machine would get: the files in their places, the dependencies, a valid launcher, and a
# program that starts and answers --version and --help; then the documents Debian asks of a package
# (copyright, changelog, manual pages), the AppStream data, and what lintian says of it.
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log"; fail "cpack"; }
deb=$(ls "$scratch"/out/kestrin_*.deb) || fail "no .deb made"
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libqt6widgets6 libqt6webenginewidgets6 libqt6webenginecore6-bin libqt6multimedia6 libc6; do
  [[ $depends == *"$dep"* ]] || fail "Depends lacks $dep: $depends"
done
twice=$(tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//' | sort | uniq -d)
[ -z "$twice" ] || fail "Depends names $twice more than once: $depends"
pkg_version=$(dpkg-deb -f "$deb" Version)

dpkg -x "$deb" "$scratch/root"
r=$scratch/root/usr
for f in bin/kestrin bin/kestrin-library share/applications/kestrin.desktop \
         share/icons/hicolor/scalable/apps/kestrin.svg share/icons/hicolor/16x16/apps/kestrin.png \
         share/icons/hicolor/48x48/apps/kestrin.png share/icons/hicolor/256x256/apps/kestrin.png; do
  [ -s "$r/$f" ] || fail "missing $f"
done
[ -x "$r/bin/kestrin" ] || fail "kestrin is not executable"
# Nothing of the tests or benchmarks goes to users.
extra=$(cd "$r/bin" && ls | grep -vx -e kestrin -e kestrin-library || true)
[ -z "$extra" ] || fail "unexpected programs: $extra"

desktop=$r/share/applications/kestrin.desktop
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "desktop file invalid"
fi
for line in "Name=Kestrin" "Name[zh_CN]=图库" "Exec=kestrin" "Icon=kestrin"; do
  grep -qxF "$line" "$desktop" || fail "desktop file lacks $line"
done
grep -q '^Categories=.*Network;' "$desktop" || fail "desktop file not in Network"

version=$(env -u DISPLAY QT_QPA_PLATFORM= "$r/bin/kestrin" --version) || fail "--version failed"
[[ $version == "Kestrin "[0-9]* ]] || fail "--version said: $version"
help=$(env -u DISPLAY "$r/bin/kestrin" --help) || fail "--help failed"
for word in MySelect.ini queue.json --version; do
  [[ $help == *"$word"* ]] || fail "--help does not mention $word"
done
# The web views come from a module that the installed program finds beside itself, and whose every
# symbol of ours the (stripped) program provides.
module=$(sed -n 's/^网页显示模块: //p' <<<"$help")
[ "$module" = "$r/lib/kestrin/libkestrin_web.so" ] || fail "the program looks for its web module at '$module'"
[ -s "$module" ] || fail "missing lib/kestrin/libkestrin_web.so"
provided=$(nm -D --defined-only "$r/bin/kestrin" | awk '{print $3}' | sort -u)
missing=$(nm -D --undefined-only "$module" | awk '{print $2}' | grep kestrin | sort -u | comm -23 - <(echo "$provided"))
[ -z "$missing" ] || fail "the program does not provide the web module's $missing"
# So does the chime's player, which the program looks for in the same folder.
nm -D --defined-only "$r/lib/kestrin/libkestrin_chime.so" 2>/dev/null | grep -q ' kestrinMakeChime$' ||
  fail "missing lib/kestrin/libkestrin_chime.so or its kestrinMakeChime"
"$r/bin/kestrin-library" --help >/dev/null 2>&1 || fail "kestrin-library --help failed"
[[ $("$r/bin/kestrin-library" --version) == "kestrin-library "[0-9]* ]] || fail "kestrin-library --version failed"

doc=$r/share/doc/kestrin
[ "$(head -n1 "$doc/copyright" 2>/dev/null)" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] ||
  fail "share/doc/kestrin/copyright is missing or not in the machine-readable format"
[ "$(zcat "$doc/changelog.gz" 2>/dev/null | dpkg-parsechangelog -l - -S Version 2>/dev/null)" = "$pkg_version" ] ||
  fail "share/doc/kestrin/changelog.gz is missing or its latest entry is not $pkg_version"
for program in kestrin kestrin-library; do
  page=$r/share/man/man1/$program.1.gz
  [ -s "$page" ] || fail "missing share/man/man1/$program.1.gz"
  MANWIDTH=80 man -l "$page" 2>/dev/null | grep -A1 -x NAME | grep -q "^ *$program  *- " ||
    fail "the manual page of $program has no NAME section naming it"
done
# The files kestrin keeps are read one a line, as its --help lists them.
LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$r/share/man/man1/kestrin.1.gz" 2>/dev/null | grep -q '^ *下载队列: ~/.local/share/Kestrin/queue.json$' ||
  fail "the manual page of kestrin runs the files it keeps together"
metainfo=$r/share/metainfo/invalid.kestrin.kestrin.metainfo.xml
[ -s "$metainfo" ] || fail "missing share/metainfo/invalid.kestrin.kestrin.metainfo.xml"
grep -q "<release version=\"$pkg_version\"" "$metainfo" || fail "the AppStream data has no release $pkg_version"
# Checks the data and that it names an existing launcher; only errors and warnings fail.
appstreamcli validate-tree --no-net "$scratch/root" || fail "appstreamcli finds the AppStream data invalid"

lint=0
lintian --tag-display-limit 0 "$deb" >"$scratch/lintian.log" 2>&1 || lint=$?
cat "$scratch/lintian.log"
! grep -q '^E: ' "$scratch/lintian.log" || fail "lintian reports errors"
[ "$lint" = 0 ] || fail "lintian ended with status $lint"
echo "ok: $(basename "$deb"), $version"
