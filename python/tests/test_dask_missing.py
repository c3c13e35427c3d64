import importlib
import sys

import pytest


def test_quorvane_dask_without_dask_says_what_to_install(monkeypatch):
    # None in sys.modules makes an import of that name fail as if it were not installed.
    monkeypatch.setitem(sys.modules, "dask", None)
    monkeypatch.delitem(sys.modules, "quorvane.dask", raising=False)
    with pytest.raises(ImportError, match=r"quorvane\[dask\].*python3-dask"):
        importlib.import_module("quorvane.dask")
    import quorvane
    assert quorvane.solve_batch([[[1.0] * 10] * 3])[0].shape[1] == 3
