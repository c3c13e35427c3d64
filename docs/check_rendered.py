# SPDX-License-Identifier: BSD-3-Clause
"""Opens the built documentation in headless Chromium and checks that each page rendered
with its content: the text of the page as the browser built it (after its scripts ran), not
the HTML file as written.

    python3 docs/check_rendered.py [build/docs/html]
"""

import html.parser
import pathlib
import shutil
import subprocess
import sys
import tempfile

# Each page, and texts its rendered body must hold.
EXPECTED = {
    "index.html": ["quorvane finds every real solution", "1, xy, xz, yz, x², y², z², x, y, z",
                   "quorvane::solveThreeQuadrics", "quorvane.solve_batch",
                   "quorvane_sphere_coefficients", "Getting started in C++",
                   "Accuracy and speed"],
    "api-cpp.html": ["solveThreeQuadrics", "solveBatch", "BatchSolutions", "quadricCoefficients",
                     "sphereCoefficients", "quadricMatrix", "QuadricCoefficients",
                     "(1, xy, xz, yz, x², y², z², x, y, z)"],
    "api-python.html": ["quorvane.solve(", "quorvane.solve_batch(", "quorvane.quadric_coefficients(",
                        "quorvane.sphere_coefficients(", "quorvane.quadric_matrix(",
                        "1, xy, xz, yz, x², y², z², x, y, z", "Raises", "ValueError"],
    "errors.html": ["quorvane:inputCount", "quorvane:tooFewCoefficients", "quorvane:internal",
                    "quorvane:shape"],
    "accuracy.html": ["products of random planes", "median log10 error", "time per call"],
    "method.html": ["25 x 33", "action matrix", "Limits"],
    "coefficients.html": ["1, xy, xz, yz, x², y², z², x, y, z", "Q₁₂ + Q₂₁"],
    "examples.html": ["Trilateration", "solve_batch", "sphereCoefficients"],
}
# Images a page must show.
IMAGES = {"accuracy.html": "stability.png"}
# Texts no page may show: Sphinx's and breathe's marks of what failed to render.
FORBIDDEN = ["Unable to resolve", "Cannot find", "doxygennamespace", "autofunction",
             "{include}", "{toctree}", "Traceback"]


class BodyText(html.parser.HTMLParser):
    """The text of <body>, without scripts and styles."""

    def __init__(self):
        super().__init__()
        self.parts, self.skipping, self.in_body, self.images = [], 0, False, []

    def handle_starttag(self, tag, attrs):
        self.in_body |= tag == "body"
        if tag == "img":
            self.images.append(dict(attrs).get("src", ""))
        self.skipping += tag in ("script", "style")

    def handle_endtag(self, tag):
        self.skipping -= tag in ("script", "style") and self.skipping > 0

    def handle_data(self, data):
        if self.in_body and not self.skipping:
            self.parts.append(data)


def chromium():
    for name in ("chromium", "chromium-browser", "google-chrome"):
        if shutil.which(name):
            return shutil.which(name)
    sys.exit("check_rendered: no chromium on PATH (scripts/install-deps.sh docs installs it)")


def rendered_text(browser, page):
    with tempfile.TemporaryDirectory() as profile:
        dom = subprocess.run(
            [browser, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
             "--no-first-run", "--disable-background-networking", "--disable-component-update",
             "--disable-sync", f"--user-data-dir={profile}", "--dump-dom", page.as_uri()],
            check=True, capture_output=True, text=True, timeout=120).stdout
    parser = BodyText()
    parser.feed(dom)
    return " ".join(" ".join(parser.parts).split()), parser.images


def main():
    site = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build/docs/html").resolve()
    browser = chromium()
    failures = []
    for name, texts in EXPECTED.items():
        page = site / name
        if not page.is_file():
            failures.append(f"{name}: not built")
            continue
        text, images = rendered_text(browser, page)
        # Every image the page shows is there (the stability plot on the accuracy page).
        lost = [src for src in images if not (page.parent / src).is_file()]
        if lost:
            failures.append(f"{name}: images missing: {lost}")
        if name in IMAGES and IMAGES[name] not in " ".join(images):
            failures.append(f"{name}: shows no {IMAGES[name]}")
        # Signatures come in several elements ("quorvane." "solve" "("), so compare without
        # whitespace.
        squeezed = "".join(text.split())
        missing = [t for t in texts if "".join(t.split()) not in squeezed]
        shown = [t for t in FORBIDDEN if t in text]
        if missing:
            failures.append(f"{name}: rendered text lacks {missing}")
        if shown:
            failures.append(f"{name}: rendered text shows {shown}")
        print(f"check_rendered: {name}: {len(text)} characters, "
              f"{len(texts) - len(missing)} of {len(texts)} expected texts")
    if failures:
        sys.exit("check_rendered: FAILED\n  " + "\n  ".join(failures))
    print(f"check_rendered: {len(EXPECTED)} pages rendered with their content")


if __name__ == "__main__":
    main()
