"""Reading and writing every format: numpy round trips, the files of voxmill convert, refusals."""
import os

import numpy as np
import pytest

import voxmill
from conftest import run_voxmill

CELL = (7.0, 8.0, 9.0, 90.0, 100.0, 90.0)
# The formats that are read back, and the most dimensions each holds.
READABLE = {"q47": 6, "ccp4": 3, "xplor": 3}


@pytest.mark.parametrize("dimension", range(1, 7))
@pytest.mark.parametrize("fmt", READABLE)
def test_round_trip(tmp_path, fmt, dimension):
    shape = (5, 3, 4, 2, 3, 6)[:dimension]
    densities = np.random.default_rng(dimension).normal(size=shape).astype(np.float32)
    out = tmp_path / f"m.{fmt}"
    if dimension > READABLE[fmt]:
        with pytest.raises(voxmill.MapError, match=f"{out}: .*{dimension} dimensions"):
            voxmill.Map(densities, cell=CELL).write(str(out))
        assert not out.exists()
        return
    voxmill.Map(densities, cell=CELL).write(str(out))
    back = voxmill.read(str(out))
    # X-PLOR holds six significant digits.
    tolerance = 1e-4 if fmt == "xplor" else 0
    np.testing.assert_allclose(back.array.reshape(shape), densities, rtol=tolerance, atol=tolerance)
    assert back.shape[:dimension] == shape[::-1]


@pytest.mark.parametrize("sample", ["atoms3d.q47", "atoms3d.xplor", "modulated4d.q47"])
@pytest.mark.parametrize("ext", ["q47", "ccp4", "xplor", "vend"])
def test_write_is_convert(samples, tmp_path, sample, ext):
    source = samples / sample
    cell = ["--cell", "6,6,8,90,90,90"] if sample.endswith("q47") else []
    command_out, python_out = tmp_path / f"c.{ext}", tmp_path / f"p.{ext}"
    done = os.system(f"{os.environ.get('VOXMILL_BINARY', 'voxmill')} convert {' '.join(cell)} {source} {command_out} 2>/dev/null")
    m = voxmill.read(str(source))
    try:
        m.write(str(python_out), cell=[6, 6, 8, 90, 90, 90] if cell else None)
    except voxmill.MapError:
        assert done != 0 and not python_out.exists()
        return
    assert done == 0
    assert python_out.read_bytes() == command_out.read_bytes()


def unreadable(path):
    path.write_bytes(b"map")
    path.chmod(0)
    return path


@pytest.mark.parametrize("make, error", [
    (lambda d: d / "missing.q47", FileNotFoundError),
    (lambda d: unreadable(d / "locked.q47"), PermissionError),
    (lambda d: (d / "text.q47").write_text("no map here") and d / "text.q47", voxmill.MapError),
    (lambda d: d, voxmill.MapError),
])
def test_read_refusals(tmp_path, make, error):
    path = make(tmp_path)
    if error is PermissionError and os.access(path, os.R_OK):
        pytest.skip("the superuser reads every file")
    with pytest.raises(error) as caught:
        voxmill.read(str(path))
    # The command line's words and the file's name.
    status, _, errors = voxmill.run_command(["info", str(path)])
    assert status == 1 and errors.startswith(f"voxmill: error: {path}: ")
    assert errors.strip().split(f"{path}: ", 1)[1] in str(caught.value) and str(path) in str(caught.value)


@pytest.mark.parametrize("name, kwargs, error", [
    ("m.unknown", {}, voxmill.MapError),
    ("m.ccp4", {}, voxmill.MapError),  # CCP4 needs a cell
    ("m.q47", {"to": "gif"}, voxmill.MapError),
    ("no/such/folder/m.q47", {}, FileNotFoundError),
])
def test_write_refusals(tmp_path, name, kwargs, error):
    path = tmp_path / name
    with pytest.raises(error, match=str(path) if error is not voxmill.MapError or "to" not in kwargs else "gif"):
        voxmill.Map(np.zeros((2, 3, 4), np.float32)).write(str(path), **kwargs)
    assert not path.exists()
