# SPDX-License-Identifier: BSD-3-Clause
"""Trilateration: a receiver's position from its ranges to three anchors at known positions.

Each range makes a sphere about its anchor; the three spheres meet in two points mirrored in
the plane of the anchors, and the receiver is the one on the room's side of that plane.

    python examples/trilateration.py
"""

import numpy as np
import quorvane

# Anchors on the ceiling of a 6 x 4 m room, at slightly different heights, one per row.
ANCHORS = np.array([[0, 0, 2.5], [6, 0, 2.8], [0, 4, 2.6]])


def locate(anchors, ranges):
    """The candidate positions for these ranges, and the one below the anchors' plane."""
    candidates = quorvane.solve(*quorvane.sphere_coefficients(anchors, ranges))
    # The room lies below the anchors' plane: keep the candidate on the side of its normal
    # that points down.
    normal = np.cross(anchors[1] - anchors[0], anchors[2] - anchors[0])
    normal *= -np.sign(normal[2])
    below = candidates[(candidates - anchors[0]) @ normal >= 0]
    if len(below) != 1:
        raise RuntimeError(f"expected one candidate below the anchors' plane, got {len(below)}")
    return candidates, below[0]


def main():
    # The ranges a receiver at (2, 1.5, 1) measures; in use they come from the radio.
    ranges = np.linalg.norm(ANCHORS - [2, 1.5, 1], axis=1)
    candidates, receiver = locate(ANCHORS, ranges)
    print(f"{len(candidates)} candidate positions:\n{candidates}")
    print("receiver at ({:.6f}, {:.6f}, {:.6f})".format(*receiver))
    return candidates, receiver


if __name__ == "__main__":
    main()
