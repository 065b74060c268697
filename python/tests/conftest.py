"""What the tests of the module share: the program, the sample maps, and running a command."""
import os
import subprocess

import pytest

BINARY = os.environ.get("VOXMILL_BINARY", "voxmill")


def run_voxmill(*args):
    """Runs the program; its standard output, or a failed assertion with its errors."""
    done = subprocess.run([BINARY, *map(str, args)], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    return done.stdout


@pytest.fixture(scope="session")
def samples(tmp_path_factory):
    """The folder of the sample maps, written by voxmill-samples."""
    folder = tmp_path_factory.mktemp("samples")
    subprocess.run([os.environ.get("VOXMILL_SAMPLES", "voxmill-samples"), str(folder)], check=True, capture_output=True)
    return folder
