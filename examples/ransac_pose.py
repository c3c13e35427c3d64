# SPDX-License-Identifier: BSD-3-Clause
"""RANSAC over three-point poses: a calibrated camera's pose from 50 bearings to surveyed
points at map coordinates, a fifth of which are matched to the wrong point.

Each minimal sample is three correspondences, which quorvane.three_point_poses turns into up to
four poses; a pose scores the correspondences whose point it puts within an angle of their
bearing, and the best pose's inliers are the answer.

    python examples/ransac_pose.py
"""

import numpy as np
import quorvane

SEED = 2026
CORRESPONDENCES = 50
OUTLIERS = 10
BEARING_NOISE = 2e-4  # radians, standard deviation in each component
INLIER_ANGLE = 2e-3  # radians
SAMPLES = 100
MAP_ORIGIN = np.array([5e5, 4.5e6, 200.0])


def rotation_about(axis, angle):
    """Rodrigues' rotation by `angle` about `axis`."""
    k = np.asarray(axis, float) / np.linalg.norm(axis)
    cross = np.array([[0, -k[2], k[1]], [k[2], 0, -k[0]], [-k[1], k[0], 0]])
    return np.eye(3) + np.sin(angle) * cross + (1 - np.cos(angle)) * cross @ cross


def synthetic_view(rng):
    """The camera (rotation, centre), 50 points at map coordinates 5 to 40 m in front of it,
    their noisy bearings, one a row, and the indices of the OUTLIERS wrong matches."""
    rotation = rotation_about([1, 2, 3], np.pi / 6)
    centre = MAP_ORIGIN + [3, -4, 2]
    seen = np.column_stack([rng.uniform(-0.6, 0.6, CORRESPONDENCES),
                            rng.uniform(-0.4, 0.4, CORRESPONDENCES),
                            np.ones(CORRESPONDENCES)]) * rng.uniform(5, 40, (CORRESPONDENCES, 1))
    points = seen @ rotation + centre
    bearings = seen / np.linalg.norm(seen, axis=1, keepdims=True)
    bearings += rng.normal(0, BEARING_NOISE, bearings.shape)
    outliers = np.sort(rng.choice(CORRESPONDENCES, OUTLIERS, replace=False))
    bearings[outliers] = np.column_stack([rng.uniform(-0.6, 0.6, OUTLIERS),
                                          rng.uniform(-0.4, 0.4, OUTLIERS), np.ones(OUTLIERS)])
    return rotation, centre, points, bearings, outliers


def angles_off(rotation, translation, points, bearings):
    """The angle between where the pose puts each point and its bearing; behind the camera
    is as far as can be."""
    seen = points @ rotation.T + translation
    return np.arctan2(np.linalg.norm(np.cross(seen, bearings), axis=1),
                      np.sum(seen * bearings, axis=1))


def ransac(points, bearings, rng):
    """The best pose (rotation, translation) over SAMPLES samples and its inlier mask."""
    best, best_inliers = None, np.zeros(len(points), bool)
    for _ in range(SAMPLES):
        sample = rng.choice(len(points), 3, replace=False)
        rotations, translations = quorvane.three_point_poses(bearings[sample], points[sample])
        for rotation, translation in zip(rotations, translations):
            inliers = angles_off(rotation, translation, points, bearings) < INLIER_ANGLE
            if inliers.sum() > best_inliers.sum():
                best, best_inliers = (rotation, translation), inliers
    return best, best_inliers


def main():
    rng = np.random.default_rng(SEED)
    rotation, centre, points, bearings, outliers = synthetic_view(rng)
    (found_rotation, found_translation), inliers = ransac(points, bearings, rng)
    found_centre = -found_rotation.T @ found_translation
    # The angle of the rotation between the two, from its trace.
    cosine = (np.trace(found_rotation @ rotation.T) - 1) / 2
    rotation_error = np.degrees(np.arccos(np.clip(cosine, -1, 1)))
    print(f"{CORRESPONDENCES} correspondences, {OUTLIERS} of them wrong; {SAMPLES} samples")
    print(f"inliers: {inliers.sum()}; rejected {np.flatnonzero(~inliers)} (wrong at {outliers})")
    print(f"rotation error {rotation_error:.4f} deg, camera centre error "
          f"{np.linalg.norm(found_centre - centre):.4f} m")
    return found_rotation, found_centre, inliers, rotation, centre, outliers


if __name__ == "__main__":
    main()
