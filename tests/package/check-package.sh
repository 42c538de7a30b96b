#!/usr/bin/env bash
# The Debian package's control fields and contents: check-package.sh ossel-analyzer_<version>_<arch>.deb
# Every installed path present with its owner and mode, nothing outside /usr or under /usr/local, the desktop entry
# and the AppStream data valid, the manual pages readable, and the command line showing the package's version.
set -uo pipefail
deb=$1
failures=0
fail() {
  echo "check-package: $*" >&2
  failures=$((failures + 1))
}

field() { dpkg-deb -f "$deb" "$1"; }
version=$(field Version) arch=$(field Architecture)
[[ $(basename "$deb") == "ossel-analyzer_${version}_${arch}.deb" ]] || fail "file name $(basename "$deb")"
[[ $(field Package) == ossel-analyzer ]] || fail "package $(field Package)"
[[ $(field Section) == sound ]] || fail "section $(field Section)"
[[ -n $(field Maintainer) && -n $(field Homepage) ]] || fail "no maintainer or homepage"
description=$(field Description)
[[ $(wc -l <<< "$description") -ge 5 ]] || fail "description of one line: $description"
# Depends computed from the binaries: the libraries both programs link.
depends=$(field Depends)
for library in libc6 libcdio19 libcue2 libsndfile1 libsqlite3-0 libudev1 libqt6widgets6 libqt6svg6; do
  [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done

# The contents: "MODE OWNER SIZE DATE TIME ./PATH[ -> TARGET]".
declare -A mode_of link_of
while read -r mode owner _ _ _ path rest; do
  path=${path#./}
  path=${path%/}
  [[ -z $path ]] && continue
  mode_of[$path]=$mode
  [[ $rest == "-> "* ]] && link_of[$path]=${rest#-> }
  [[ $owner == root/root ]] || fail "$path owned by $owner"
  [[ $path == usr || $path == usr/* ]] || fail "$path is outside /usr"
  [[ $path == usr/local || $path == usr/local/* ]] && fail "$path is under /usr/local"
  case $mode in
    d*) [[ $mode == drwxr-xr-x ]] || fail "folder $path has mode $mode" ;;
    l*) ;;
    *) [[ $mode == -rw-r--r-- || $mode == -rwxr-xr-x ]] || fail "$path has mode $mode" ;;
  esac
done < <(dpkg-deb -c "$deb")

# The program's folder: lib/<multiarch>/ossel when built for /usr, lib/ossel otherwise.
target=${link_of[usr/bin/ossel-analyzer]:-}
[[ $target == ../lib/ossel/ossel-analyzer || $target == ../lib/*-linux-gnu*/ossel/ossel-analyzer ]] ||
  fail "/usr/bin/ossel-analyzer links to '$target', not to lib/.../ossel/ossel-analyzer"
lib=usr/${target#../}
lib=${lib%/ossel-analyzer}
expect() {  # expect PATH MODE
  if [[ -z ${mode_of[$1]:-} ]]; then
    fail "missing /$1"
  elif [[ ${mode_of[$1]} != "$2" ]]; then
    fail "/$1 has mode ${mode_of[$1]}, not $2"
  fi
}
expect usr/bin/ossel -rwxr-xr-x
expect $lib/ossel-analyzer -rwxr-xr-x
expect $lib/libossel-pictures.so -rw-r--r--
expect $lib/help/index.html -rw-r--r--
expect $lib/i18n/ossel_en.qm -rw-r--r--
expect usr/share/applications/ossel-analyzer.desktop -rw-r--r--
expect usr/share/icons/hicolor/scalable/apps/ossel-analyzer.svg -rw-r--r--
expect usr/share/metainfo/com.velmora.OsselAnalyzer.metainfo.xml -rw-r--r--
expect usr/share/man/man1/ossel.1.gz -rw-r--r--
expect usr/share/man/man1/ossel-analyzer.1.gz -rw-r--r--
expect usr/share/bash-completion/completions/ossel -rw-r--r--
expect usr/share/doc/ossel-analyzer/copyright -rw-r--r--
expect usr/share/doc/ossel-analyzer/changelog.gz -rw-r--r--

# What the files say.
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
desktop-file-validate "$tree/usr/share/applications/ossel-analyzer.desktop" || fail "the desktop entry is not valid"
appstreamcli validate --no-net --pedantic "$tree/usr/share/metainfo/com.velmora.OsselAnalyzer.metainfo.xml" ||
  fail "the AppStream data is not valid"
grep -q "GPL-3.0-or-later" "$tree/usr/share/metainfo/com.velmora.OsselAnalyzer.metainfo.xml" ||
  fail "the AppStream data does not give the licence"
grep -q "^License: GPL-3.0-or-later" "$tree/usr/share/doc/ossel-analyzer/copyright" || fail "copyright without licence"
for page in ossel ossel-analyzer; do
  zcat "$tree/usr/share/man/man1/$page.1.gz" | grep -q "^\.TH .* \"$page $version\"" ||
    fail "manual page $page.1 does not carry version $version"
done
zcat "$tree/usr/share/doc/ossel-analyzer/changelog.gz" | head -1 | grep -q "^ossel-analyzer ($version)" ||
  fail "the changelog's first entry is not version $version"
bash -n "$tree/usr/share/bash-completion/completions/ossel" || fail "the bash completion does not parse"
shown=$("$tree/usr/bin/ossel" --version 2>&1)
[[ $shown == "ossel $version" ]] || fail "ossel --version says '$shown', the package is $version"

if ((failures > 0)); then
  echo "check-package: $failures fault(s) in $deb" >&2
  exit 1
fi
