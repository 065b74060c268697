"""Long work leaves Python running: another thread meanwhile, Ctrl-C to stop it."""
import signal
import threading
import time

import numpy as np
import pytest

import voxmill

LONG = dict(origin=[0] * 6, axes=[[1, 0, 0, 0, 0, 0], [0, 1, 0, 0, 0, 0], [0, 0, 1, 0, 0, 0]], size=[120, 120, 120])


@pytest.fixture(scope="module")
def map6d():
    return voxmill.Map(np.random.default_rng(1).normal(size=(4,) * 6).astype(np.float32))


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


@pytest.mark.parametrize("work", [
    lambda m: voxmill.section(m, **LONG),
    lambda m: m.interpolate(np.random.default_rng(2).uniform(size=(3_000_000, 6))),
])
def test_ctrl_c_stops(map6d, work):
    timer = threading.Timer(0.3, signal.raise_signal, (signal.SIGINT,))
    timer.start()
    with pytest.raises(KeyboardInterrupt):
        work(map6d)
    timer.join()
