#!/usr/bin/env bash
# Writes a program's manual page from its --help with help2man, gzipped as Debian installs it.
#   make_man_page.sh PROGRAM NAME_LINE VERSION CHANGELOG WEB_MODULE OUTPUT.1.gz
# The program runs in a bare environment: no display, a UTF-8 locale (its help may be Chinese), found
# on PATH so that its usage line shows its bare name, a made-up home (written "~" in the page) and the
# installed web module's path, so that the page names files as a user's machine has them, not as the
# build machine does.
# The page's date is the release's, from the changelog.
set -euo pipefail
program=$1 name=$2 version=$3 changelog=$4 web_module=$5 out=$6
epoch=$(dpkg-parsechangelog -l "$changelog" -S Timestamp)
page=${out%.gz}
base=$(basename "$program")
# help2man takes --name as Latin-1; a NAME section of its own keeps UTF-8 text intact.
printf '[NAME]\n%s \\- %s\n' "$base" "$name" >"$page.h2m"
home=/nonexistent/kestrinhome # no hyphen: the page writes those as "\-"
env -i PATH="$(dirname "$program"):/usr/bin:/bin" LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen HOME="$home" \
    SOURCE_DATE_EPOCH="$epoch" KESTRIN_WEB_MODULE="$web_module" \
  help2man --no-info --locale=C.UTF-8 --include="$page.h2m" --version-string="$version" \
           --output="$page" "$base"
rm -f "$page.h2m"
sed -i "s|$home|~|g" "$page"
# Lines holding Chinese text cannot be broken inside it, so justified lines opened wide gaps: left-adjust.
# The usage line, and the files and addresses the help lists one a line, keep their own lines.
sed -i -e '/^\.TH /a .ad l' -e '/^用法: /a .br' -e '/^\.SS "保存的文件:"/a .nf' "$page"
grep -q '^\.SH NAME' "$page" || { echo "make_man_page.sh: no NAME section in $page" >&2; exit 1; }
gzip -9nf "$page"
