# SPDX-License-Identifier: BSD-3-Clause
"""RANSAC over range measurements: a receiver's position from twelve anchors, some of whose
ranges are wrong (a reflected signal, a swapped label), with quorvane.solve_batch solving
every hypothesis in one call.

Each minimal sample is three anchors, whose spheres give up to two candidate positions; a
candidate scores the number of anchors whose measured range it explains within a tolerance.
The best candidate's inliers then give the position by least squares (Gauss-Newton).

    python examples/ransac_ranges.py
"""

import numpy as np
import quorvane

SEED = 2026
ANCHOR_COUNT = 12
OUTLIER_COUNT = 4
RANGE_NOISE = 0.01  # metres, standard deviation
INLIER_TOLERANCE = 0.05  # metres
HYPOTHESES = 200


def synthetic_measurements(rng):
    """Anchors spread over a 10 x 8 x 3 m hall, the true receiver, and noisy ranges of
    which OUTLIER_COUNT are off by 0.5 to 3 m."""
    anchors = rng.uniform([0, 0, 0], [10, 8, 3], size=(ANCHOR_COUNT, 3))
    receiver = np.array([4.2, 3.1, 1.2])
    ranges = np.linalg.norm(anchors - receiver, axis=1) + rng.normal(0, RANGE_NOISE, ANCHOR_COUNT)
    outliers = rng.choice(ANCHOR_COUNT, OUTLIER_COUNT, replace=False)
    ranges[outliers] += rng.uniform(0.5, 3, OUTLIER_COUNT)
    return anchors, ranges, receiver, np.sort(outliers)


def refine(anchors, ranges, position, steps=10):
    """Gauss-Newton on the range residuals |p - anchor| - range."""
    for _ in range(steps):
        offsets = position - anchors
        distances = np.linalg.norm(offsets, axis=1)
        jacobian = offsets / distances[:, None]
        step, *_ = np.linalg.lstsq(jacobian, ranges - distances, rcond=None)
        position = position + step
    return position


def ransac(anchors, ranges, rng):
    """The position, its inlier mask and the number of hypotheses that had candidates."""
    samples = np.array([rng.choice(len(anchors), 3, replace=False) for _ in range(HYPOTHESES)])
    # One system of three spheres per sample: shape (HYPOTHESES, 3, 10), all solved at once.
    systems = quorvane.sphere_coefficients(anchors[samples], ranges[samples])
    candidates, hypothesis = quorvane.solve_batch(systems)
    # Every candidate against every anchor: |candidate - anchor| versus the measured range.
    errors = np.abs(np.linalg.norm(candidates[:, None, :] - anchors[None], axis=2) - ranges)
    inliers = errors < INLIER_TOLERANCE
    best = np.argmax(inliers.sum(axis=1))
    position = refine(anchors[inliers[best]], ranges[inliers[best]], candidates[best])
    # The refined position may take in an anchor the candidate just missed.
    final_inliers = np.abs(np.linalg.norm(anchors - position, axis=1) - ranges) < INLIER_TOLERANCE
    return position, final_inliers, len(np.unique(hypothesis))


def main():
    rng = np.random.default_rng(SEED)
    anchors, ranges, receiver, outliers = synthetic_measurements(rng)
    position, inliers, solved = ransac(anchors, ranges, rng)
    print(f"{solved} of {HYPOTHESES} samples gave real candidates")
    print(f"inliers: {inliers.sum()} of {len(anchors)}; rejected anchors {np.flatnonzero(~inliers)}"
          f" (wrong ranges at {outliers})")
    print("position ({:.3f}, {:.3f}, {:.3f}), error {:.4f} m".format(
        *position, np.linalg.norm(position - receiver)))
    return position, inliers, receiver, outliers


if __name__ == "__main__":
    main()
