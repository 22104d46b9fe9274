"""The Python the commands in scripts/ run: skin check and preview, the
contact sheet, archives, the sample tune and skins, captures to pictures,
and the release. Run a module with `python3 -m scriptlib.NAME` and the
repository's top folder on PYTHONPATH (scripts/env.sh sets it)."""
