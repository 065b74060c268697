"""The spline at any point against the section through it; the gradient and the plane."""
import numpy as np
import pytest

import voxmill


def random_map(dimension, seed):
    shape = (6, 5, 7, 6, 5, 8)[:dimension]
    return voxmill.Map(np.random.default_rng(seed).normal(size=shape).astype(np.float32))


@pytest.mark.parametrize("dimension", range(1, 7))
def test_interpolate_is_section(dimension):
    m = random_map(dimension, dimension)
    points = np.random.default_rng(10 + dimension).uniform(-1.5, 2.5, size=(5, dimension))
    zero = [0.0] * dimension
    sections = [voxmill.section(m, origin=list(p), axes=[zero] * 3, size=[1, 1, 1]).array.ravel()[0] for p in points]
    np.testing.assert_array_equal(m.interpolate(points), sections)
    assert m.interpolate(points[0]) == sections[0]


@pytest.mark.parametrize("dimension", [1, 3, 4])
def test_gradient_is_slope(dimension):
    m = random_map(dimension, 20 + dimension)
    points = np.random.default_rng(30 + dimension).uniform(0, 1, size=(4, dimension))
    h = 1e-3
    for k in range(dimension):
        step = np.zeros(dimension)
        step[k] = h
        slope = (m.interpolate(points + step).astype(float) - m.interpolate(points - step)) / (2 * h)
        np.testing.assert_allclose(m.gradient(points)[:, k], slope, rtol=2e-2, atol=2e-2 * np.abs(slope).max())


def test_plane_of_voxels():
    m = random_map(4, 5)
    values, u, v = voxmill.plane(m, axes=(1, 4), at=[0, 3 / 7, 0.2, 0], window=(0, 5 / 6, 0, 5 / 6))
    assert values.shape == (6, 6) and u[-1] == v[-1] == pytest.approx(5 / 6)
    np.testing.assert_array_equal(values, m.array[:, 1, 3, :])
