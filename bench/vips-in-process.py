#!/usr/bin/python3
"""libvips timed in process, the peer of ops_bench's threaded rows.

    bench/vips-in-process.py [PICTURE] [RUNS]

Calls libvips's C library (libvips42, which bench/compare-peers.sh installs
with libvips-tools) through ctypes on the benchmark photograph held in
memory: each result is computed into a new block of memory, with libvips's
operation cache off, on 1 and then 2 threads. Prints the median wall-clock
time of RUNS runs (default 5) per operation.

glibc's malloc is asked to advise huge pages for large blocks
(GLIBC_TUNABLES=glibc.malloc.hugetlb=1, set here unless PICTOR_PLAIN_MALLOC=1),
as Pictor's own bitmaps do: on a virtual machine where a page fault is dear,
libvips's 72 MB results would otherwise cost it 3 to 4 times as much, which is
not what the comparison is about.
"""
import ctypes
import os
import statistics
import sys
import time

TUNABLE = "glibc.malloc.hugetlb=1"
if os.environ.get("PICTOR_PLAIN_MALLOC") != "1" and TUNABLE not in os.environ.get("GLIBC_TUNABLES", ""):
    os.environ["GLIBC_TUNABLES"] = TUNABLE
    os.execv(sys.executable, [sys.executable] + sys.argv)

picture = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
    os.environ.get("PICTOR_BENCH_PICTURES",
                   os.path.join(os.environ.get("XDG_CACHE_HOME", os.path.expanduser("~/.cache")), "pictor-bench")),
    "photo-24mp.bmp")
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5

vips = ctypes.CDLL("libvips.so.42")
gobject = ctypes.CDLL("libgobject-2.0.so.0")
glib = ctypes.CDLL("libglib-2.0.so.0")
Ptr = ctypes.c_void_p
for name in ("vips_image_new_from_file", "vips_image_copy_memory", "vips_image_write_to_memory"):
    getattr(vips, name).restype = Ptr
if vips.vips_init(b"pictor-bench") != 0:
    sys.exit("vips-in-process: libvips does not start")
vips.vips_cache_set_max(0)


def in_memory(image):
    copy = Ptr(vips.vips_image_copy_memory(image))
    gobject.g_object_unref(image)
    return copy


loaded = vips.vips_image_new_from_file(picture.encode(), None)
if not loaded:
    sys.exit("vips-in-process: cannot read " + picture)
photo = in_memory(Ptr(loaded))
table = Ptr()
vips.vips_identity(ctypes.byref(table), None)  # 256 entries, as a tone pass uses
table = in_memory(table)

# Pictor's row of ops_bench beside each: the same work on the same picture.
operations = [
    ("table pass (maplut)", "Bright / Contrast / Gamma", lambda out: vips.vips_maplut(photo, out, table, None)),
    ("resize 1.5, linear", "Enlarge150", lambda out: vips.vips_resize(photo, out, ctypes.c_double(1.5),
                                                                     b"kernel", 1, None)),
    ("shrink 2 2", "Shrink50", lambda out: vips.vips_shrink(photo, out, ctypes.c_double(2), ctypes.c_double(2),
                                                           None)),
    ("rot d90", "Turn90", lambda out: vips.vips_rot(photo, out, 1, None)),
    ("rot d180", "Turn180", lambda out: vips.vips_rot(photo, out, 2, None)),
    ("flip horizontal", "Reverse", lambda out: vips.vips_flip(photo, out, 0, None)),
    ("hist_find", "HistogramCount", lambda out: vips.vips_hist_find(photo, out, None)),
]


def once(operation):
    result = Ptr()
    if operation(ctypes.byref(result)) != 0:
        sys.exit("vips-in-process: an operation failed")
    size = ctypes.c_size_t()
    glib.g_free(Ptr(vips.vips_image_write_to_memory(result, ctypes.byref(size))))
    gobject.g_object_unref(result)


print(f"libvips in process on {picture}, median of {runs} runs, GLIBC_TUNABLES={os.environ.get('GLIBC_TUNABLES', '')}")
print("| libvips operation | ops_bench row | 1 thread, ms | 2 threads, ms |")
print("|---|---|---|---|")
for name, row, operation in operations:
    cells = []
    for threads in (1, 2):
        vips.vips_concurrency_set(threads)
        once(operation)
        times = []
        for _ in range(runs):
            start = time.monotonic()
            once(operation)
            times.append((time.monotonic() - start) * 1000)
        cells.append(f"{statistics.median(times):.1f}")
    print(f"| {name} | {row} | {cells[0]} | {cells[1]} |")
