#!/bin/bash
# The HID lab's stage on the guest's root (the host's files under a tmpfs overlay): the kernel's own modules
# in place, uhid loaded, then the one test script; its exit code and output go to the shared folder, and the
# guest powers off whatever happens. stage.env (beside this copy) says what to run.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/stage.env"
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8
mount -t devpts devpts /dev/pts 2>/dev/null
mkdir -p /dev/shm && mount -t tmpfs tmpfs /dev/shm
# /tmp and /run start empty (no X sockets, locks or pid files of the host's), but a repository that sits
# below them (a clone in /tmp) stays where it was, with the shared folder mounted inside it.
mkdir -p /mnt/hidlab-root && mount --rbind "$HIDLAB_ROOT" /mnt/hidlab-root
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
if [ ! -d "$HIDLAB_ROOT" ]; then
  mkdir -p "$HIDLAB_ROOT" && mount --rbind /mnt/hidlab-root "$HIDLAB_ROOT"
fi
mkdir -p "/lib/modules/$HIDLAB_KERNEL"
mount --bind "$HIDLAB_KERNEL_DIR/lib/modules/$HIDLAB_KERNEL" "/lib/modules/$HIDLAB_KERNEL"
ip link set lo up 2>/dev/null || busybox ip link set lo up 2>/dev/null || true
modprobe uhid
modprobe hid-generic 2>/dev/null
echo 1 > "$here/booted"
cd "$HIDLAB_ROOT"
# Into a file, not a pipe: daemons the test starts (udevd, the wine server) keep their output open.
: > "$here/test.log"
tail -f "$here/test.log" > /dev/console &
follower=$!
bash "$HIDLAB_TEST" "${HIDLAB_ARGS[@]}" > "$here/test.log" 2>&1 < /dev/null
rc=$?
kill "$follower"
echo "$rc" > "$here/rc"
sync
busybox poweroff -f
