#!/usr/bin/env bash
# Builds the NTFS test volumes with mkntfs and fills them through an ntfs-3g mount, then deletes
# what the tests expect to recover. Usage: make_fixtures.sh OUTDIR [NAME...]
# Writes NAME.img.gz and NAME.manifest for each volume (main: 512-byte sectors; sector4k:
# 4096-byte sectors). A manifest line is "sha256 size path" for every deleted file the fast scan
# must recover, path as its folders and name show in the scan (lost folders as LostFolder<n>);
# lines starting with "#" carry facts the tests check (a record number, a run count).
# Needs root (FUSE), mkntfs, ntfs-3g and python3. The committed fixtures were made by:
#   tests/ntfs/make_fixtures.sh tests/ntfs/fixtures
set -euo pipefail
export PATH="$PATH:/sbin:/usr/sbin"

out=$(realpath -m "${1:?usage: make_fixtures.sh OUTDIR [NAME...]}")
shift
names=("$@")
[ ${#names[@]} -eq 0 ] && names=(main sector4k)
mkdir -p "$out"
work=$(mktemp -d "${TMPDIR:-/tmp}/ntfsfix.XXXXXX")
mnt="$work/mnt"
mkdir -p "$mnt"
cleanup() {
  mountpoint -q "$mnt" 2>/dev/null && umount "$mnt" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mount_img() { ntfs-3g "$1" "$mnt" -o no_def_opts,silent; }
unmount_img() { sync; umount "$mnt"; }

# Runs a Python fill script with the mount point and the manifest path as arguments.
py() { python3 - "$mnt" "$@"; }

make_main() {
  local img="$work/main.img" manifest="$work/main.manifest"
  : > "$manifest"
  truncate -s 16M "$img"
  mkntfs -F -f -Q -q -c 4096 -L keldrin "$img"
  mount_img "$img"
  py "$manifest" <<'PY'
import hashlib, os, sys
mnt, manifest = sys.argv[1], sys.argv[2]
lines = []
def data(seed, size):
    # Text that names its file and position: it compresses well, and a run read from the wrong
    # place or in the wrong order changes the hash.
    out = bytearray()
    line = 0
    while len(out) < size:
        out += b"%05d:%08x|" % (seed, line * 15)
        line += 1
    return bytes(out[:size])
def put(rel, seed, size, expect=None, header=b""):
    path = os.path.join(mnt, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    body = (header + data(seed, size))[:size]
    with open(path, "wb") as f:
        f.write(body)
    if expect is not None:
        lines.append("%s %d %s" % (hashlib.sha256(body).hexdigest(), size, expect))
    return path
# The folder whose record a file takes over later: made first, so its record is the lowest
# that gets freed, and a fresh mount hands it to the next new file.
os.mkdir(os.path.join(mnt, "reused_dir"))
lines.append("# reused-record %d" % os.stat(os.path.join(mnt, "reused_dir")).st_ino)
orphan = put("reused_dir/orphan.bin", 1, 9000)
lines.append("%s 9000 LostFolder%d/orphan.bin" % (hashlib.sha256(open(orphan, "rb").read()).hexdigest(),
             os.stat(os.path.join(mnt, "reused_dir")).st_ino))
# Deleted files in the root: resident, with allocation slack, a picture.
put("tiny.txt", 2, 650, "tiny.txt")
put("note.txt", 3, 120, "note.txt")
put("slack.bin", 4, 5000, "slack.bin")
put("empty.dat", 5, 0, "empty.dat")
# Nested live folders with deleted files inside.
put("live/keep.txt", 6, 3000)
put("live/inner/deep.bin", 7, 20000, "live/inner/deep.bin")
put("live/inner/small.txt", 8, 400, "live/inner/small.txt")
# A deleted folder tree.
put("gone/y.txt", 9, 600, "gone/y.txt")
put("gone/sub/x.bin", 10, 12000, "gone/sub/x.bin")
put("gone/sub/z.txt", 11, 100, "gone/sub/z.txt")
# A file with a DOS name and a Win32 name.
dos = put("Long Document Name.txt", 12, 3000, "Long Document Name.txt")
os.setxattr(dos, "system.ntfs_dos_name", b"LONGDO~1.TXT")
lines.append("# dos-name LONGDO~1.TXT")
# A live file that stays.
put("stays.bin", 13, 7000)
# A fragmented file: fill the volume with one-cluster files, free every other one and write a
# file that can only go into the holes. Its run list is longer than 512 bytes. Everything is
# created before anything that must be recovered is deleted, so that no new file takes over a
# deleted file's record.
st = os.statvfs(mnt)
ballast = st.f_bavail * st.f_frsize - 520 * 4096
if ballast > 0:
    with open(os.path.join(mnt, "ballast.bin"), "wb") as f:
        f.write(bytes(ballast))
os.makedirs(os.path.join(mnt, "fill"))
fillers = []
i = 0
while True:
    p = os.path.join(mnt, "fill", "f%04d.bin" % i)
    try:
        with open(p, "wb") as f:
            f.write(data(1000 + i, 4096))
    except OSError:
        if os.path.exists(p):
            os.remove(p)
        break
    fillers.append(p)
    i += 1
for p in fillers[1::2]:
    os.remove(p)
holes = len(fillers[1::2])
size = (holes - 20) * 4096 - 1234
frag = put("frag.bin", 15, size, "frag.bin")
lines.append("# fragmented frag.bin")
os.remove(frag)
for rel in ["tiny.txt", "note.txt", "slack.bin", "empty.dat", "live/inner/deep.bin",
            "live/inner/small.txt", "Long Document Name.txt"]:
    os.remove(os.path.join(mnt, rel))
for rel in ["gone/sub/x.bin", "gone/sub/z.txt", "gone/y.txt"]:
    os.remove(os.path.join(mnt, rel))
os.rmdir(os.path.join(mnt, "gone/sub"))
os.rmdir(os.path.join(mnt, "gone"))
os.remove(os.path.join(mnt, "reused_dir/orphan.bin"))
os.rmdir(os.path.join(mnt, "reused_dir"))
open(manifest, "w").write("\n".join(lines) + "\n")
PY
  unmount_img
  # A fresh mount hands the lowest free record (the folder's) to the next new file.
  mount_img "$img"
  printf 'newcomer\n' > "$mnt/newcomer.txt"
  local newcomer
  newcomer=$(stat -c %i "$mnt/newcomer.txt")
  unmount_img
  grep -q "^# reused-record $newcomer\$" "$manifest" || {
    echo "make_fixtures: the new file took record $newcomer, not the deleted folder's" >&2
    exit 1
  }
}

make_sector4k() {
  local img="$work/sector4k.img" manifest="$work/sector4k.manifest"
  : > "$manifest"
  truncate -s 12M "$img"
  mkntfs -F -f -Q -q -s 4096 -c 4096 -L keldrin4k "$img"
  mount_img "$img"
  py "$manifest" <<'PY'
import hashlib, os, sys
mnt, manifest = sys.argv[1], sys.argv[2]
lines = []
def put(rel, seed, size, expect=None):
    path = os.path.join(mnt, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    body = bytearray()
    line = 0
    while len(body) < size:
        body += b"%05d:%08x|" % (seed, line * 15)
        line += 1
    body = bytes(body[:size])
    with open(path, "wb") as f:
        f.write(body)
    if expect:
        lines.append("%s %d %s" % (hashlib.sha256(body).hexdigest(), size, expect))
put("a/big.bin", 21, 70000, "a/big.bin")
put("a/resident.txt", 22, 900, "a/resident.txt")
put("root.bin", 23, 10000, "root.bin")
put("a/keep.txt", 24, 50)
for rel in ["a/big.bin", "a/resident.txt", "root.bin"]:
    os.remove(os.path.join(mnt, rel))
open(manifest, "w").write("\n".join(lines) + "\n")
PY
  unmount_img
}

for name in "${names[@]}"; do
  "make_$name"
  gzip -9 -n -c "$work/$name.img" > "$out/$name.img.gz"
  cp "$work/$name.manifest" "$out/$name.manifest"
done
