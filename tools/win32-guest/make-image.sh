#!/usr/bin/env bash
# Makes the emulated PC that runs the 32-bit programs: a Debian 12 root file system with
# its own kernel (which, unlike the host's, runs 32-bit code), 32-bit Wine and Xvfb, turned
# into a raw ext4 disk image without mounting anything, then booted once to create the
# 32-bit Wine prefix inside it.
#
#   make-image.sh <output folder> <clone root>
#
# The output folder gets vmlinuz, initrd.img and disk.img, and "ready" last: a folder
# without "ready" is unfinished. The i386 architecture is added inside the chroot only,
# never on the host. Needs root, debootstrap, mke2fs and qemu-system-x86_64.
set -euo pipefail
out=$1
clone=$2
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
mirror=${CARRYDECK_DEBIAN_MIRROR:-http://deb.debian.org/debian}
work="$out.work"
root="$work/root"

say() { printf '[image %(%H:%M:%S)T] %s\n' -1 "$*"; }

unmount_chroot() {
  local m
  for m in dev/pts dev sys proc; do
    if mountpoint -q "$root/$m" 2>/dev/null; then umount -l "$root/$m" || true; fi
  done
}

# Never remove a tree that still has something mounted in it (the host's /dev is bound
# into the chroot while packages install).
remove_work() {
  unmount_chroot
  if grep -q " $work/" /proc/mounts; then
    echo "Something is still mounted under $work; leaving it for you to look at." >&2
    return 1
  fi
  rm -rf --one-file-system "$work"
}
trap 'unmount_chroot' EXIT
trap 'exit 1' TERM INT

rm -rf "$out"
remove_work
mkdir -p "$root" "$out"

say "debootstrap (Debian 12, amd64) from $mirror"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
  { tail -n 30 "$work/debootstrap.log" >&2; echo "debootstrap failed" >&2; exit 1; }

say "Kernel, 32-bit Wine and Xvfb, inside the chroot"
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
# Services never start inside the chroot.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod +x "$root/usr/sbin/policy-rc.d"
echo "deb $mirror bookworm main" >"$root/etc/apt/sources.list"
printf 'APT::Install-Recommends "false";\nAPT::Install-Suggests "false";\n' >"$root/etc/apt/apt.conf.d/90carrydeck"
cat >"$work/inside.sh" <<'INSIDE'
set -e
export DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8
dpkg --add-architecture i386
apt-get update -qq
# The guest's initramfs needs only the virtio disk and ext4: a short list builds in
# seconds where the default (most modules) takes minutes.
apt-get install -y -qq -o Dpkg::Use-Pty=0 initramfs-tools kmod
echo MODULES=list >/etc/initramfs-tools/conf.d/carrydeck
printf '%s\n' virtio_pci virtio_blk ext4 crc32c_generic >>/etc/initramfs-tools/modules
apt-get install -y -qq -o Dpkg::Use-Pty=0 linux-image-amd64 \
  wine wine32 libfontconfig1:i386 fonts-dejavu-core xvfb xauth procps
apt-get clean
rm -rf /var/lib/apt/lists/* /usr/share/doc/* /usr/share/man/*
INSIDE
cp "$work/inside.sh" "$root/tmp/inside.sh"
chroot "$root" /bin/bash /tmp/inside.sh >"$work/packages.log" 2>&1 ||
  { tail -n 40 "$work/packages.log" >&2; echo "Installing the guest's packages failed" >&2; exit 1; }
rm -f "$root/tmp/inside.sh" "$root/usr/sbin/policy-rc.d"
unmount_chroot

install -m 0755 "$here/init" "$root/sbin/carrydeck-init"
echo carrydeck-guest >"$root/etc/hostname"
: >"$root/etc/fstab"
cp -L "$root/vmlinuz" "$out/vmlinuz"
cp -L "$root/initrd.img" "$out/initrd.img"

say "Disk image"
size_mb=$(($(du -sm "$root" | cut -f1) + 2048))
mke2fs -q -t ext4 -L carrydeck -d "$root" -F "$out/disk.img" "${size_mb}M"
remove_work

say "First boot: the 32-bit Wine prefix"
mkdir -p "$clone/build/win32-guest"
rm -f "$clone/build/win32-guest/provision.status"
timeout --kill-after=10 900 qemu-system-x86_64 \
  -accel tcg,thread=multi -cpu max,-smap -smp 2 -m 3072 \
  -kernel "$out/vmlinuz" -initrd "$out/initrd.img" \
  -append "console=ttyS0 root=/dev/vda rw init=/sbin/carrydeck-init panic=1 quiet carrydeck.share=$clone carrydeck.run=tools/win32-guest/provision.sh" \
  -drive "file=$out/disk.img,format=raw,if=virtio,cache=unsafe" \
  -virtfs "local,path=$clone,mount_tag=carrydeck,security_model=none" \
  -nic none -display none -monitor none -serial "file:$clone/build/win32-guest/provision.log" -no-reboot ||
  { echo "The provisioning boot failed or timed out; its console: $clone/build/win32-guest/provision.log" >&2; exit 1; }
if [ "$(cat "$clone/build/win32-guest/provision.status" 2>/dev/null)" != ok ]; then
  tail -n 30 "$clone/build/win32-guest/provision.log" >&2
  echo "The 32-bit Wine prefix was not created; console: $clone/build/win32-guest/provision.log" >&2
  exit 1
fi
sync
date -u +%FT%TZ >"$out/ready"
say "Image ready in $out"
