"""The README's complete Python program, as it stands there, runs against the installed
package."""
import subprocess
import sys

from conftest import REPO


def test_readme_example_runs(tmp_path):
    text = (REPO / "README.md").read_text()
    start = text.index("<!-- example: python -->")
    body = text[start:].split("```python\n", 1)[1].split("\n```", 1)[0]
    (tmp_path / "example.py").write_text(body + "\n")
    out = subprocess.run([sys.executable, "example.py"], cwd=tmp_path, capture_output=True,
                         text=True)
    assert out.returncode == 0, out.stderr
    assert out.stdout.rstrip().endswith("all done")
