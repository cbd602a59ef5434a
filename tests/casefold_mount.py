#!/usr/bin/python3
"""Runs a command in a view of the current folder that folds letter case, as a
vfat or exFAT stick does on Linux: `casefold_mount.py COMMAND [ARG...]`. A name
leads to the entry that equals it ignoring case, and a file keeps the letter
case it was first created with. Exits as the command did; 125 when no FUSE
mount can be made here. With --no-ino first, a file's number goes with the
name that reached it, as on sshfs or CIFS with noserverino. Needs Debian's
python3-fusepy."""
import os
import subprocess
import sys
import tempfile
import time

NO_MOUNT = 125


def serve(backing, mountpoint, use_ino):
    import errno
    import fusepy

    class CaseFolding(fusepy.Operations):
        def real(self, path):
            real = backing
            for part in filter(None, path.split("/")):
                try:
                    names = os.listdir(real)
                except OSError:
                    names = []
                real = os.path.join(real, next((n for n in names if n.lower() == part.lower()), part))
            return real

        def getattr(self, path, fh=None):
            try:
                st = os.lstat(self.real(path))
            except OSError as error:
                raise fusepy.FuseOSError(error.errno)
            return {key: getattr(st, key) for key in (
                "st_mode", "st_ino", "st_nlink", "st_uid", "st_gid", "st_size",
                "st_atime", "st_mtime", "st_ctime")}

        def access(self, path, mode):
            if not os.access(self.real(path), mode):
                raise fusepy.FuseOSError(errno.EACCES)

        def readdir(self, path, fh):
            return [".", ".."] + os.listdir(self.real(path))

        def create(self, path, mode, fi=None):
            return os.open(self.real(path), os.O_WRONLY | os.O_CREAT | os.O_EXCL, mode)

        def open(self, path, flags):
            return os.open(self.real(path), flags)

        def read(self, path, size, offset, fh):
            return os.pread(fh, size, offset)

        def write(self, path, data, offset, fh):
            return os.pwrite(fh, data, offset)

        def truncate(self, path, length, fh=None):
            os.truncate(self.real(path), length)

        def chmod(self, path, mode):
            os.chmod(self.real(path), mode)

        def chown(self, path, uid, gid):
            os.chown(self.real(path), uid, gid)

        def utimens(self, path, times=None):
            os.utime(self.real(path), times)

        def rename(self, old, new):
            os.rename(self.real(old), self.real(new))

        def unlink(self, path):
            os.unlink(self.real(path))

        def flush(self, path, fh):
            return 0

        def release(self, path, fh):
            os.close(fh)

    # use_ino: a file's identity is its backing inode, whatever name reached it;
    # without it, the kernel numbers each name it looks up on its own.
    fusepy.FUSE(CaseFolding(), mountpoint, foreground=True, nothreads=True, use_ino=use_ino,
                attr_timeout=0, entry_timeout=0, negative_timeout=0)


def main():
    if len(sys.argv) > 2 and sys.argv[1] == "--serve":
        serve(sys.argv[2], sys.argv[3], sys.argv[4] == "ino")
        return 0
    command = sys.argv[1:]
    numbers = "ino"
    if command[:1] == ["--no-ino"]:
        command, numbers = command[1:], "no-ino"
    backing = os.getcwd()
    mountpoint = tempfile.mkdtemp(prefix="casefold-")
    server = subprocess.Popen([sys.executable, __file__, "--serve", backing, mountpoint, numbers],
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    try:
        for _ in range(200):
            if os.path.ismount(mountpoint) or server.poll() is not None:
                break
            time.sleep(0.025)
        if not os.path.ismount(mountpoint):
            return NO_MOUNT
        status = subprocess.call(command, cwd=mountpoint)
        return status if status >= 0 else 128 - status
    finally:
        if os.path.ismount(mountpoint):
            subprocess.call(["fusermount", "-u", mountpoint])
        server.wait(timeout=10)
        os.rmdir(mountpoint)


if __name__ == "__main__":
    sys.exit(main())
