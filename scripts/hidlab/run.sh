#!/usr/bin/env bash
# The HID lab: boots the distribution's Linux kernel under QEMU (software emulation; no disk image), with
# the host's files shared read-only under a tmpfs overlay, loads uhid and runs ONE test script inside as
# root; the guest then powers off. Prints the script's output and exits with its exit code (124 when the
# guest did not finish in time). Nothing is left running.
# Usage: scripts/hidlab/run.sh [--timeout SECONDS] TEST_SCRIPT [ARGS...]
#   The test script runs from the repository root and gets $HIDLAB_SHARE, a folder written through to the
#   host (build/hidlab/share), for results. HIDLAB_CPUS / HIDLAB_MEMORY_MB size the guest;
#   HIDLAB_IDLE_SECONDS (passed on) sets how long the idle program is measured.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
limit=420
if [ "${1:-}" = "--timeout" ]; then limit=$2; shift 2; fi
[ $# -ge 1 ] || { echo "usage: scripts/hidlab/run.sh [--timeout SECONDS] TEST_SCRIPT [ARGS...]" >&2; exit 2; }
test_script=$(realpath "$1"); shift

version=$(bash scripts/hidlab/kernel.sh)
kdir=$root/build/hidlab/kernel/$version
kernel=$kdir/boot/vmlinuz-$version
[ -f "$kernel" ] || { echo "hidlab: no kernel image $kernel" >&2; exit 1; }

work=$root/build/hidlab
share=$work/share
rm -rf "$share" "$work/initramfs"
mkdir -p "$share" "$work/initramfs/bin" "$work/initramfs/modules"

# The initramfs: static busybox, the modules that reading the host's files over 9p and the overlay need
# (those built into the kernel are simply not there), and the first process.
ird=$work/initramfs
cp /bin/busybox "$ird/bin/busybox"
: > "$ird/modules/order"
for m in virtio_ring virtio virtio_pci_legacy_dev virtio_pci_modern_dev virtio_pci netfs fscache 9pnet \
         9pnet_virtio 9p overlay; do
  f=$(find "$kdir/lib/modules/$version/kernel" -name "$m.ko*" | head -n1)
  [ -n "$f" ] || continue
  case $f in
    *.xz) xz -dc "$f" > "$ird/modules/$m.ko" ;;
    *.zst) zstd -qdc "$f" > "$ird/modules/$m.ko" ;;
    *) cp "$f" "$ird/modules/$m.ko" ;;
  esac
  echo "$m" >> "$ird/modules/order"
done
cp scripts/hidlab/guest_init.sh "$ird/init"
chmod +x "$ird/init"
printf 'share=%q\n' "$share" > "$ird/hidlab.conf"
(cd "$ird" && find . | cpio -o -H newc --quiet | gzip -1) > "$work/initramfs.cpio.gz"

cp scripts/hidlab/guest_stage.sh "$share/stage.sh"
{
  printf 'HIDLAB_KERNEL=%q\nHIDLAB_KERNEL_DIR=%q\nHIDLAB_ROOT=%q\nHIDLAB_TEST=%q\n' \
    "$version" "$kdir" "$root" "$test_script"
  printf 'HIDLAB_ARGS=('; [ $# -eq 0 ] || printf '%q ' "$@"; printf ')\n'
  printf 'export HIDLAB_SHARE=%q\n' "$share"
  [ -z "${HIDLAB_IDLE_SECONDS:-}" ] || printf 'export HIDLAB_IDLE_SECONDS=%q\n' "$HIDLAB_IDLE_SECONDS"
} > "$share/stage.env"

# The guest writes its console to a file; the test's own output is printed afterwards.
started=$(date +%s)
set +e
timeout --kill-after=5 "$limit" qemu-system-x86_64 -accel tcg -machine q35 \
  -smp "${HIDLAB_CPUS:-2}" -m "${HIDLAB_MEMORY_MB:-3072}" \
  -kernel "$kernel" -initrd "$work/initramfs.cpio.gz" \
  -append "console=ttyS0 quiet loglevel=3 panic=-1 rw" \
  -no-reboot -nodefaults -display none -serial "file:$work/console.log" \
  -fsdev local,id=hostroot,path=/,readonly=on,security_model=none,multidevs=remap \
  -device virtio-9p-pci,fsdev=hostroot,mount_tag=hostroot \
  -fsdev local,id=share,path="$share",security_model=none \
  -device virtio-9p-pci,fsdev=share,mount_tag=share </dev/null
qrc=$?
set -e
echo "hidlab: guest ran $(( $(date +%s) - started )) s"
if [ -f "$share/test.log" ]; then cat "$share/test.log"; fi
if [ ! -f "$share/rc" ]; then
  echo "hidlab: the test did not finish (qemu exit $qrc); the guest's console:" >&2
  tail -n 40 "$work/console.log" >&2 || true
  [ "$qrc" -eq 124 ] && exit 124
  exit 1
fi
exit "$(cat "$share/rc")"
