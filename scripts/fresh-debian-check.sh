#!/bin/sh
# Checks the README's two commands on a fresh Debian 12, as a newcomer would run them: a minimal
# bookworm (debootstrap) with the project cloned into /root/tavo, where scripts/run-example.sh and
# then scripts/test.sh run as root in a chroot. Needs root, debootstrap and a Debian mirror.
#
# Usage: scripts/fresh-debian-check.sh [--root DIR] [--branch NAME] [REPO]
#   REPO    the git repository to clone (default: this checkout), on its branch NAME (default:
#           the branch checked out here; commit first, only committed work is cloned)
#   DIR     where the Debian roots live (default /var/tmp/tavo-fresh-debian), outside the checkout:
#     DIR/base       pristine minimal bookworm, made on the first check and reused (delete it to
#                    fetch a newer one)
#     DIR/run        a copy of base for this check, replaced by the next one and kept meanwhile
#     DIR/apt-cache  .deb files the checks downloaded, so a rerun does not fetch them again (every
#                    package is still installed by the scripts, in the fresh copy)
# Exit status: the first failing command's. Runs niced; takes about an hour on two cores, so
# start it in the background with its output in a file.
set -eu

root=/var/tmp/tavo-fresh-debian
repo=$(cd "$(dirname "$0")/.." && pwd)
branch=""
while [ $# -gt 0 ]; do
  case $1 in
    --root) root=$2; shift 2 ;;
    --branch) branch=$2; shift 2 ;;
    -*) echo "usage: $0 [--root DIR] [--branch NAME] [REPO]" >&2; exit 2 ;;
    *) repo=$1; shift ;;
  esac
done
[ -n "$branch" ] || branch=$(git -C "$repo" symbolic-ref --short HEAD)
[ "$(id -u)" -eq 0 ] || { echo "$0: run as root (debootstrap, chroot, mount)" >&2; exit 2; }
mkdir -p "$root"
root=$(cd "$root" && pwd)
case $root/ in
  "$repo"/*) echo "$0: $root lies inside the checkout" >&2; exit 2 ;;
esac

base=$root/base
run=$root/run

if [ ! -e "$base/.complete" ]; then
  rm -rf --one-file-system "$base"
  nice debootstrap --variant=minbase bookworm "$base" http://deb.debian.org/debian
  touch "$base/.complete"
fi

mounts_under_run() { grep -q " $run/" /proc/mounts; }
unmount_all() {
  for m in dev/shm dev/pts dev sys proc var/cache/apt/archives; do
    if mountpoint -q "$run/$m" 2>/dev/null; then umount "$run/$m"; fi
  done
}
unmount_all
if mounts_under_run; then echo "$0: something is still mounted under $run" >&2; exit 1; fi
rm -rf --one-file-system "$run"
cp -a "$base" "$run"
rm "$run/.complete"

trap unmount_all EXIT
trap 'exit 130' INT TERM HUP
mkdir -p "$root/apt-cache/partial"
mount --bind "$root/apt-cache" "$run/var/cache/apt/archives"
mount -t proc proc "$run/proc"
mount -t sysfs sysfs "$run/sys"
mount --bind /dev "$run/dev"
mount --bind /dev/pts "$run/dev/pts"
mount --bind /dev/shm "$run/dev/shm"
cp /etc/resolv.conf "$run/etc/resolv.conf"
# A chroot starts no services (a package's maintainer scripts would otherwise try).
printf '#!/bin/sh\nexit 101\n' > "$run/usr/sbin/policy-rc.d"
chmod 755 "$run/usr/sbin/policy-rc.d"

# A bare copy of the branch for the chroot's own git to clone from.
git clone --quiet --bare --single-branch --branch "$branch" "$repo" "$run/srv/tavo.git"
echo "check: $(git -C "$run/srv/tavo.git" log -1 --format='%h %s' "$branch") in $run"

nice chroot "$run" /usr/bin/env -i HOME=/root TERM=dumb \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  /bin/sh -eu -c '
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends git >/dev/null
    ls -ld /root
    git clone --quiet --branch "$1" /srv/tavo.git /root/tavo
    cd /root/tavo
    echo "check: scripts/run-example.sh"
    scripts/run-example.sh
    echo "check: scripts/test.sh"
    scripts/test.sh
    echo "check: both commands passed"
  ' sh "$branch"
