"""Runs the module's tests with pytest; exit status 77 (skipped) when pytest is missing."""
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
try:
    import pytest
except ImportError:
    print("SKIP: pytest is not installed (Debian: python3-pytest)")
    sys.exit(77)

sys.exit(pytest.main(["-p", "no:cacheprovider"] + sys.argv[1:]))
