# SPDX-License-Identifier: BSD-3-Clause
"""Sphinx configuration of the quorvane documentation; scripts/docs.sh builds it into
build/docs/html, with every warning an error."""

import os
import pathlib
import re

root = pathlib.Path(__file__).resolve().parents[1]

project = "quorvane"
author = "the quorvane developers"
copyright = "2026, the quorvane developers"
# CMakeLists.txt's project version is the one source of the version.
release = version = re.search(r"project\(quorvane VERSION ([0-9.]+)",
                              (root / "CMakeLists.txt").read_text()).group(1)

extensions = ["myst_parser", "breathe", "sphinx.ext.autodoc", "sphinx.ext.napoleon"]
source_suffix = {".md": "markdown", ".rst": "restructuredtext"}
# Fragments that other pages include (the study and benchmark figures live once, there).
exclude_patterns = ["stability.md", "stability_intro.md", "speed.md", "verification.md"]

breathe_projects = {"quorvane": os.environ.get("QUORVANE_DOXYGEN_XML",
                                               str(root / "build/docs/doxygen/xml"))}
breathe_default_project = "quorvane"
breathe_domain_by_extension = {"h": "cpp"}
# The page says which header to include; the struct entries need not link to a file page.
breathe_show_include = False

autodoc_member_order = "bysource"
napoleon_google_docstring = False
napoleon_numpy_docstring = True

# A reference that resolves nowhere is an error, except for names that belong to other
# projects (Eigen, the standard library, numpy) and the prose types of numpydoc.
nitpicky = True
nitpick_ignore_regex = [
    ("cpp:identifier", r"(Eigen|std)(::.*)?"),
    ("cpp:identifier", r"(Matrix4d|Vector3d|MatrixXd|Matrix|size_t|int64_t|vector)"),
    ("py:class", r"(numpy\..*|array_like|float64|shape|optional|int|None|\d+|\.\.\.|\(.*|.*\))"),
    # Shape letters of "shape (N, 3)" and numpy's array type named bare.
    ("py:class", r"([A-Z]|ndarray)"),
]

html_theme = "furo"
html_title = f"quorvane {release}"
highlight_language = "none"
