#!/bin/busybox sh
# The HID lab's first process, from its small initramfs: loads what reading the host's files needs, mounts
# the host's root read-only over 9p under a tmpfs overlay (so the guest may write anywhere, and nothing
# reaches the host), mounts the one writable shared folder at the same path as on the host, and hands over
# to the stage script on that root. hidlab.conf (beside this file) names the shared folder.
export PATH=/bin
busybox mkdir -p /proc /sys /dev /host /rw /newroot
busybox mount -t proc proc /proc
busybox mount -t sysfs sysfs /sys
busybox mount -t devtmpfs devtmpfs /dev
. /hidlab.conf
for m in $(busybox cat /modules/order); do
  busybox insmod "/modules/$m.ko" || echo "hidlab: module $m not loaded"
done
opts=trans=virtio,version=9p2000.L,msize=524288
busybox mount -t 9p -o "$opts,cache=loose,ro" hostroot /host || { echo "hidlab: no host root"; busybox poweroff -f; }
busybox mount -t tmpfs -o mode=755 tmpfs /rw
busybox mkdir -p /rw/upper /rw/work
busybox mount -t overlay overlay -o lowerdir=/host,upperdir=/rw/upper,workdir=/rw/work /newroot ||
  { echo "hidlab: no overlay"; busybox poweroff -f; }
busybox mkdir -p "/newroot$share"
busybox mount -t 9p -o "$opts" share "/newroot$share" || { echo "hidlab: no shared folder"; busybox poweroff -f; }
busybox mount --move /proc /newroot/proc
busybox mount --move /sys /newroot/sys
busybox mount --move /dev /newroot/dev
exec busybox switch_root /newroot /bin/bash "$share/stage.sh"
