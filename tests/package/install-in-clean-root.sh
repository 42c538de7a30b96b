#!/usr/bin/env bash
# The package installed as a user installs it, in a clean Debian 12 root: install-in-clean-root.sh DEB
# `apt install ./DEB` there, `ossel analyze` on a disc of FLAC files, `ossel-analyzer` started under Xvfb, then
# `apt remove` leaving none of the package's files behind.
#
# The root is a tar of a fresh Debian 12, named by OSSEL_CLEAN_ROOT, made once with
#   debootstrap --variant=minbase bookworm DIR && tar -C DIR -cf bookworm.tar .
# Needs root (chroot) and Debian's archive. Without them the test is skipped (exit 77) with the reason.
set -uo pipefail
deb=$(realpath "$1")
skip() {
  echo "skipped: $*"
  exit 77
}
[[ -n ${OSSEL_CLEAN_ROOT:-} ]] || skip "OSSEL_CLEAN_ROOT names no root (a tar of a debootstrap bookworm root)"
[[ -f $OSSEL_CLEAN_ROOT ]] || skip "OSSEL_CLEAN_ROOT=$OSSEL_CLEAN_ROOT is not a file"
[[ $(id -u) -eq 0 ]] || skip "chroot needs root"
command -v sox > /dev/null && command -v flac > /dev/null || skip "sox and flac make the test disc"

root=$(mktemp -d /var/tmp/ossel-clean-root.XXXXXX)
cleanup() {
  for mount in dev/pts dev proc sys; do umount -l "$root/$mount" 2> /dev/null; done
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT
tar -C "$root" -xf "$OSSEL_CLEAN_ROOT" || exit 1
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc" && mount --rbind /dev "$root/dev" && mount --rbind /sys "$root/sys" || exit 1

# Two tracks of FLAC: a tone over noise, and the same through nothing lossy.
mkdir -p "$root/srv/disc"
for n in 1 2; do
  sox -R -n -r 44100 -c 2 -b 16 "$root/srv/disc/0$n.flac" synth 8 pinknoise synth 8 sine mix $((300 * n)) gain -6 ||
    exit 1
done
cp "$deb" "$root/srv/"

run() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
  DEBIAN_FRONTEND=noninteractive bash -ec "$1"; }

failures=0
fail() {
  echo "install-in-clean-root: $*" >&2
  failures=$((failures + 1))
}

run 'apt-get update -qq && apt-get install -y -qq --no-install-recommends xvfb xauth > /dev/null' || fail "no Xvfb"
run "apt-get install -y -qq --no-install-recommends /srv/$(basename "$deb") > /dev/null" || fail "apt install failed"
installed=$(run 'dpkg -L ossel-analyzer')

out=$(run 'ossel analyze /srv/disc/01.flac /srv/disc/02.flac --summary') || fail "ossel analyze failed: $out"
[[ $out == *CDDA* ]] || fail "ossel analyze gave no verdict: $out"
run 'man -w ossel > /dev/null 2>&1 || test -f /usr/share/man/man1/ossel.1.gz' || fail "no manual page"

# The window: it must start and still run after a few seconds.
run 'xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "ossel-analyzer /srv/disc/01.flac & pid=\$!; sleep 6;
     kill -0 \$pid && kill \$pid"' || fail "ossel-analyzer did not start under Xvfb"

run 'apt-get remove -y -qq ossel-analyzer > /dev/null' || fail "apt remove failed"
# Every path the package brought is gone, but for the folders other packages share (/usr/share/man/man1...).
for path in $installed; do
  [[ $path == /. ]] && continue
  [[ -e $root$path || -L $root$path ]] || continue
  run "dpkg -S '$path' > /dev/null 2>&1" || fail "$path is still there"
done

if ((failures > 0)); then
  echo "install-in-clean-root: $failures fault(s)" >&2
  exit 1
fi
echo "installed, ran and removed cleanly in a fresh root"
