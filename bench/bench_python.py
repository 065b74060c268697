#!/usr/bin/env python3
"""The Python module against its targets, all in this one process (run with PYTHONPATH=build/python):

  voxmill.read of a 256^3 q47 map against `voxmill info` on it, run in-process: at most 1.2x;
  Map.interpolate of 10^6 points of a 4D 32^4 map against
  scipy.ndimage.map_coordinates(order=3, mode='grid-wrap') on the same points: at least 5x faster.
"""
import os
import sys
import tempfile
import time

import numpy as np
import scipy.ndimage

import voxmill

REPETITIONS = 5


def best(work):
    """The shortest of a few runs, in seconds."""
    times = []
    for _ in range(REPETITIONS):
        start = time.perf_counter()
        work()
        times.append(time.perf_counter() - start)
    return min(times)


def report(name, seconds, against, other, ratio, target):
    print(f"{name:<28} {seconds * 1e3:9.1f} ms   {against:<34} {other * 1e3:9.1f} ms   ratio {ratio:5.2f} ({target})")


def main():
    rng = np.random.default_rng(47)
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "map.q47")
        voxmill.Map(rng.normal(size=(256, 256, 256)).astype(np.float32)).write(path)
        read = best(lambda: voxmill.read(path))
        info = best(lambda: voxmill.run_command(["info", path]))
        report("voxmill.read 256^3", read, "voxmill info, in-process", info, read / info, "target at most 1.2")

    m = voxmill.Map(rng.normal(size=(32, 32, 32, 32)).astype(np.float32))
    points = rng.uniform(0, 1, size=(1_000_000, 4))
    ours = best(lambda: m.interpolate(points))
    # scipy takes coordinates in voxels, axis order of the array (axis 4 first).
    voxels = (points[:, ::-1] * 32).T
    theirs = best(lambda: scipy.ndimage.map_coordinates(m.array, voxels, order=3, mode="grid-wrap"))
    report("interpolate 10^6 of 32^4", ours, "scipy map_coordinates order 3", theirs, theirs / ours, "target at least 5")
    return 0


if __name__ == "__main__":
    sys.exit(main())
