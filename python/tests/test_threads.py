"""Long work leaves Python running: another thread meanwhile, Ctrl-C to stop it."""
import os
import signal
import threading
import time

import numpy as np
import pytest

import voxmill

LONG = dict(origin=[0] * 6, axes=[[1, 0, 0, 0, 0, 0], [0, 1, 0, 0, 0, 0], [0, 0, 1, 0, 0, 0]], size=[48, 48, 48])


@pytest.fixture(scope="module")
def map6d():
    return voxmill.Map(np.random.default_rng(1).normal(size=(4,) * 6).astype(np.float32))


def spikes(shape, every=16):
    """Zeros with a spike every `every` voxels: wide plateaus for the analyses to walk."""
    a = np.zeros(shape, np.float32)
    a[(Ellipsis,) + (slice(None, None, every),) * 3] = 1
    return voxmill.Map(a)


def test_other_thread_runs_during_section(map6d):
    ticks = []
    done = threading.Event()

    def tick():
        while not done.is_set():
            ticks.append(1)
            time.sleep(0.005)

    ticker = threading.Thread(target=tick)
    ticker.start()
    try:
        voxmill.section(map6d, origin=LONG["origin"], axes=LONG["axes"], size=[60, 60, 60])
    finally:
        done.set()
        ticker.join()
    assert len(ticks) > 2


def timed(work):
    start = time.perf_counter()
    work()
    return time.perf_counter() - start


# Each runs once whole, then with Ctrl-C pressed a few hundredths of a second in: it must stop
# with KeyboardInterrupt long before the whole run's time.
@pytest.mark.parametrize("make, work", [
    (lambda: voxmill.Map(np.random.default_rng(1).normal(size=(4,) * 6).astype(np.float32)),
     lambda m: voxmill.section(m, **LONG)),
    (lambda: voxmill.Map(np.random.default_rng(1).normal(size=(4,) * 6).astype(np.float32)),
     lambda m: m.interpolate(np.random.default_rng(2).uniform(size=(200_000, 6)))),
    (lambda: spikes((192, 192, 192)), lambda m: voxmill.peaks(m)),
    (lambda: spikes((8, 128, 128, 64)), lambda m: voxmill.atoms(m)),
    (lambda: voxmill.Map(np.zeros((64,) * 4, np.float32)), lambda m: voxmill.reorder(m, "4321")),
], ids=["section", "interpolate", "peaks", "atoms", "reorder"])
def test_ctrl_c_stops(make, work):
    m = make()
    whole = timed(lambda: work(m))
    timer = threading.Timer(0.02, signal.raise_signal, (signal.SIGINT,))
    start = time.perf_counter()
    timer.start()
    with pytest.raises(KeyboardInterrupt):
        work(m)
    stopped = time.perf_counter() - start
    timer.join()
    assert stopped < whole / 2, (stopped, whole)


@pytest.mark.parametrize("name", ["map.xplor", "map.q47", "map.ccp4"])
def test_ctrl_c_leaves_no_partial_file(tmp_path, name):
    m = voxmill.Map(np.ones((256, 256, 256), np.float32), cell=(10, 10, 10, 90, 90, 90))
    finished = threading.Event()

    def press_ctrl_c_once_writing():
        while not finished.is_set():
            if os.listdir(tmp_path):
                os.kill(os.getpid(), signal.SIGINT)
                return
            time.sleep(0.0005)

    watcher = threading.Thread(target=press_ctrl_c_once_writing)
    watcher.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            m.write(str(tmp_path / name))
    finally:
        finished.set()
        watcher.join()
    assert os.listdir(tmp_path) == []
