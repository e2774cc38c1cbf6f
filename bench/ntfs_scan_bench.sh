#!/usr/bin/env bash
# Benchmark (not a test): a 50 000-file NTFS volume, a few per cent deleted, scanned by
# `keldrin scan --mode fast` and by `ntfsundelete --scan` in one run; prints both times, their
# ratio, the MFT read rate of the fast scan and `cat` of the same image from the page cache.
# Usage: bench/ntfs_scan_bench.sh [KELDRIN_BINARY] [FILES]. Needs root (FUSE), mkntfs, ntfs-3g.
set -euo pipefail
export PATH="$PATH:/sbin:/usr/sbin"
here=$(cd "$(dirname "$0")/.." && pwd)
keldrin=${1:-$here/build/default/bin/keldrin}
files=${2:-50000}
work=$(mktemp -d "${TMPDIR:-/tmp}/ntfsbench.XXXXXX")
mnt="$work/mnt"; mkdir -p "$mnt"
trap 'mountpoint -q "$mnt" && umount "$mnt"; rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/xdg"
img="$work/bench.img"

truncate -s 512M "$img"
mkntfs -F -f -Q -q "$img" 2>/dev/null
ntfs-3g "$img" "$mnt"
python3 - "$mnt" "$files" <<'PY'
import os, sys
mnt, n = sys.argv[1], int(sys.argv[2])
for d in range(n // 1000 + 1):
    os.makedirs(os.path.join(mnt, "d%03d" % d), exist_ok=True)
for i in range(n):
    size = 200 if i % 4 else 6000  # most resident, some with a cluster run
    with open(os.path.join(mnt, "d%03d" % (i // 1000), "f%06d.bin" % i), "wb") as f:
        f.write(b"%08d" % i * (size // 8))
for i in range(0, n, 33):  # about 3 per cent deleted
    os.remove(os.path.join(mnt, "d%03d" % (i // 1000), "f%06d.bin" % i))
PY
sync; umount "$mnt"

mft_bytes=$(ntfsinfo -F '$MFT' "$img" 2>/dev/null | awk '/Allocated size/ {print $(NF-1); exit}')
mft_bytes=${mft_bytes:-0}
now() { date +%s.%N; }
cat "$img" > /dev/null  # warm the page cache for all three
t0=$(now); cat "$img" > /dev/null; t1=$(now)
"$keldrin" scan --mode fast "$img" > "$work/keldrin.out" 2>&1; t2=$(now)
ntfsundelete --scan --force "$img" > "$work/undelete.out" 2>&1; t3=$(now)
python3 - "$t0" "$t1" "$t2" "$t3" "$mft_bytes" "$(stat -c %s "$img")" <<'PY'
import sys
t0, t1, t2, t3, mft, size = map(float, sys.argv[1:])
cat, ours, theirs = t1 - t0, t2 - t1, t3 - t2
print("image %.0f MiB, MFT %.1f MiB" % (size / 2**20, mft / 2**20))
print("keldrin scan --mode fast : %.3f s (MFT read rate %.0f MB/s)" % (ours, mft / ours / 1e6))
print("ntfsundelete --scan      : %.3f s" % theirs)
print("ratio ntfsundelete/keldrin: %.2f" % (theirs / ours))
print("cat of the image (cached): %.3f s (%.0f MB/s)" % (cat, size / cat / 1e6))
PY
tail -3 "$work/keldrin.out"
grep -c '^[0-9]' "$work/undelete.out" | sed 's/^/ntfsundelete lines: /'
