#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The README's first command as a new user runs it: ./scripts/demo, as root, in a new
# minimal Debian 12 root with nothing installed beyond apt. The root is made once with
# mmdebstrap from Debian's registry and kept as a tarball in the build folder (made anew
# when it is a month old); each run unpacks it afresh, clones this repository into it and
# checks that the demo's preview and header are the bytes the release build writes.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$PWD

if [ "$(id -u)" -ne 0 ]; then
    echo "demo-fresh-root: skipped: making and entering a Debian root needs root"
    exit 77
fi

if [ ! -x build/release/converter/panelbake ]; then
    cmake --preset release >/dev/null
    cmake --build --preset release -j"$(nproc)" --target panelbake
fi

cache=build/fresh-root
tarball=$cache/bookworm-apt.tar
mkdir -p "$cache"
find "$cache" -maxdepth 1 -name bookworm-apt.tar -mtime +30 -delete
if [ ! -f "$tarball" ]; then
    start=$SECONDS
    rm -rf "$tarball.part"
    mmdebstrap --quiet --format=tar --variant=apt --include=ca-certificates bookworm "$tarball.part"
    mv "$tarball.part" "$tarball"
    echo "new Debian 12 root made in $((SECONDS - start)) s"
fi

root=$(mktemp -d "$repo/$cache/root.XXXXXX")
cleanup() {
    umount "$root/proc" 2>/dev/null || true
    # Never a recursive removal through a mounted /proc.
    mountpoint -q "$root/proc" || rm -rf "$root"
}
trap cleanup EXIT
tar -xf "$tarball" -C "$root"
# The root asks this machine's name servers, as the machine does.
cp /etc/resolv.conf "$root/etc/resolv.conf"
git clone --quiet "$repo" "$root/root/panelbake"
mount -t proc proc "$root/proc"

start=$SECONDS
env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
    chroot "$root" /bin/bash -c 'cd /root/panelbake && ./scripts/demo' | tee "$cache/demo.log"
echo "the demo ran in $((SECONDS - start)) s"

# The same picture converted by the release build of this tree.
expected=$(mktemp -d)
trap 'cleanup; rm -rf "$expected"' EXIT
cp examples/landscape.bmp "$expected/"
build/release/converter/panelbake "$expected/landscape.bmp" -h 64 >/dev/null
for output in landscape_glcd.bmp landscape_glcd.h; do
    cmp "$root/root/panelbake/examples/$output" "$expected/$output"
done
grep -q '^#define LANDSCAPE_GLCD_HEIGHT 64 $' "$cache/demo.log"
echo "the demo in a new Debian 12 root wrote the release build's preview and header"
