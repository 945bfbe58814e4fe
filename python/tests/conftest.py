"""Shared fixtures: the repository's stored files and the eccrypt tool.

The tests run against the installed package, from any directory. The tool is found through
ECCRYPT_TOOL (scripts/test-python.sh sets it); tests that need it are skipped without it.
"""
import os
import subprocess
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
DATA = REPO / "tests" / "tool" / "data"
VECTORS = REPO / "tests" / "vectors"


@pytest.fixture(scope="session")
def tool():
    path = os.environ.get("ECCRYPT_TOOL")
    if not path:
        pytest.skip("ECCRYPT_TOOL is not set")
    def run(*args, input=None, check=True):
        return subprocess.run([path, *map(str, args)], input=input, capture_output=True,
                              check=check)
    return run


def read_vectors(name):
    """The records of a .vec file: blank-line separated blocks of `key = value` lines."""
    records, record = [], {}
    for line in (VECTORS / name).read_text().splitlines():
        if line.startswith("#"):
            continue
        if not line.strip():
            if record:
                records.append(record)
            record = {}
            continue
        key, _, value = line.partition(" = ")
        record[key.strip()] = value
    if record:
        records.append(record)
    return records


def phrase_of(name):
    """The pass phrase of a stored pass-phrase file, read as the tool reads it: one trailing
    line end dropped."""
    phrase = (DATA / name).read_bytes()
    return phrase[:-1] if phrase.endswith(b"\n") else phrase
