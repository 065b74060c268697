"""The map as a numpy array: its shape and order, memory shared with the map, its properties."""
import numpy as np
import pytest

import voxmill


@pytest.mark.parametrize("shape", [(7,), (3, 5), (2, 3, 4), (2, 2, 3, 4), (2, 1, 2, 3, 4), (2, 2, 1, 2, 3, 4)])
def test_array_is_the_map(shape):
    densities = np.arange(np.prod(shape), dtype=np.float32).reshape(shape)
    m = voxmill.Map(densities.tolist())
    view = m.array
    assert view.shape == shape and view.flags.c_contiguous and view.flags.writeable
    assert m.shape == shape[::-1] and m.dimension == len(shape)
    np.testing.assert_array_equal(view, densities)
    # Every view starts at the map's densities; what is written into one the map holds.
    assert m.array.ctypes.data == view.ctypes.data
    view[(0,) * len(shape)] = 1000.0
    assert voxmill.statistics(m)["max"] == 1000.0
    del m
    assert view[(0,) * len(shape)] == 1000.0  # the view keeps the map alive


def test_properties(samples):
    m = voxmill.read(str(samples / "modulated4d.q47"))
    assert (m.dimension, m.shape, m.axis_codes) == (4, (20, 20, 20, 10), (1, 2, 3, 4))
    assert m.frame[0] == pytest.approx((0.0, 0.95, 0.05))
    assert m.cell is None and m.map_code == 4 and m.subsystem == 1
    m.cell = (6, 6, 8, 90, 90, 90)
    assert m.cell == (6, 6, 8, 90, 90, 90)
    assert repr(m) == "voxmill.Map(dimension=4, shape=(20, 20, 20, 10), cell=(6, 6, 8, 90, 90, 90))"


@pytest.mark.parametrize("kwargs, text", [
    ({"frame": [(0, 1, 0.5)]}, "frame gives 1 axes"),
    ({"frame": [(0, 1, 0)] * 2}, "step of axis 1"),
    ({"axis_codes": [1]}, "axis_codes gives 1 codes"),
])
def test_map_refusals(kwargs, text):
    with pytest.raises(voxmill.MapError, match=text):
        voxmill.Map(np.zeros((3, 4)), **kwargs)
