"""Every operation against the command that makes the same map, and the analyses' JSON."""
import json

import numpy as np
import pytest

import voxmill
from conftest import run_voxmill

CASES = [
    ("atoms3d.q47", ["add-layer"], lambda m: voxmill.add_layer(m)),
    ("modulated4d.q47", ["reorder", "--order", "4123"], lambda m: voxmill.reorder(m, "4123")),
    ("atoms3d.q47", ["shift", "--by", "0.25,-0.1,0.5"], lambda m: voxmill.shift(m, [0.25, -0.1, 0.5])),
    ("atoms3d.q47", ["box", "--center", "0.1,0.2,0.9", "--width", "0.5,0.3,0.4", "--order", "312"],
     lambda m: voxmill.box(m, [0.1, 0.2, 0.9], [0.5, 0.3, 0.4], "312")),
    ("modulated4d.q47", ["project"], lambda m: voxmill.project(m)),
    ("modulated4d.q47", ["section", "--origin", "0.1,0,0.3,0.2", "--axes", "1,0,0,0/0,1,0,0.5/0,0,1,0", "--size", "9,8,7"],
     lambda m: voxmill.section(m, origin=[0.1, 0, 0.3, 0.2], axes=[[1, 0, 0, 0], [0, 1, 0, 0.5], [0, 0, 1, 0]], size=[9, 8, 7])),
    ("decagonal5d.q47", ["section", "--decagonal", "--scope", "0,10,0,10,0,4", "--pixel", "0.5"],
     lambda m: voxmill.section(m, decagonal=True, scope=[0, 10, 0, 10, 0, 4], pixel=[0.5])),
]


@pytest.mark.parametrize("sample, command, operation", CASES, ids=[c[1][0] + "-" + c[0] for c in CASES])
def test_operation_is_command(samples, tmp_path, sample, command, operation):
    command_out, python_out = tmp_path / "c.q47", tmp_path / "p.q47"
    run_voxmill(*command, samples / sample, command_out)
    operation(voxmill.read(str(samples / sample))).write(str(python_out))
    assert python_out.read_bytes() == command_out.read_bytes()


def test_combine_is_command(samples, tmp_path):
    out = run_voxmill("combine", "--op", "difference", samples / "atoms3d.q47", samples / "model3d.q47", tmp_path / "c.q47")
    m, r_value, (low, high) = voxmill.combine(voxmill.read(str(samples / "atoms3d.q47")), voxmill.read(str(samples / "model3d.q47")), "difference")
    m.write(str(tmp_path / "p.q47"))
    assert (tmp_path / "p.q47").read_bytes() == (tmp_path / "c.q47").read_bytes()
    assert out.splitlines()[0] == f"R-value {r_value:.6f}"
    assert out.splitlines()[1] == f"minimum {low:.3f} maximum {high:.3f}"


def test_classes_and_statistics(samples, tmp_path):
    m = voxmill.read(str(samples / "atoms3d.q47"))
    run_voxmill("classes", "--count", "7", samples / "atoms3d.q47", tmp_path / "c.txt")
    table = [float(line) for line in (tmp_path / "c.txt").read_text().split()]
    np.testing.assert_allclose(voxmill.class_limits(m, 7), table, atol=1e-6)
    info = json.loads(run_voxmill("info", "--json", samples / "atoms3d.q47"))
    assert voxmill.statistics(m) == {k: v for k, v in info.items() if k not in ("file", "format", "stored")}


@pytest.mark.parametrize("sample, command, analysis", [
    ("atoms3d.q47", ["peaks", "--min-sigma", "2", "--cell", "12,12,12,90,90,90"], lambda m: voxmill.peaks(m, min_sigma=2)),
    ("modulated4d.q47", ["atoms", "--order", "1", "--cell", "6,6,8,90,90,90"], lambda m: voxmill.atoms(m, order=1)),
])
def test_analysis_is_command(samples, sample, command, analysis):
    m = voxmill.read(str(samples / sample))
    m.cell = tuple(float(c) for c in command[-1].split(","))
    expected = json.loads(run_voxmill(*command, "--json", samples / sample))
    assert analysis(m) == expected[command[0]]


@pytest.mark.parametrize("call, text", [
    (lambda m: voxmill.shift(m, [0.5]), "by: gives 1 values for a map of 3 axes"),
    (lambda m: voxmill.combine(m, voxmill.Map(np.zeros((2, 2, 2))), "difference")[0], "different numbers of voxels"),
    (lambda m: voxmill.section(m, icosahedral_5=True, scope=[0, 1] * 3, pixel=[1]), "icosahedral"),
    # The command's parser, its options named as the function's arguments.
    (lambda m: voxmill.plot(m, "p.png", levels=3, step=1), "^levels excludes step$"),
    (lambda m: voxmill.plot(m, "p.txt"), "^path: p.txt: unknown extension"),
])
def test_refusals(samples, call, text):
    with pytest.raises(voxmill.MapError, match=text):
        call(voxmill.read(str(samples / "atoms3d.q47")))


def test_plot_is_command(samples, tmp_path):
    # Drawn twice: a notebook draws many pictures in one process, each the command's.
    words = ["--axes", "1,4", "--at", "0,0.25,0.5,0", "--levels", "5", "--size", "300"]
    run_voxmill("plot", *words, samples / "modulated4d.q47", tmp_path / "c.png")
    m = voxmill.read(str(samples / "modulated4d.q47"))
    for name in ("p.png", "q.png"):
        voxmill.plot(m, str(tmp_path / name), axes=(1, 4), at=[0, 0.25, 0.5, 0], levels=5, size=300)
        assert (tmp_path / name).read_bytes() == (tmp_path / "c.png").read_bytes()
