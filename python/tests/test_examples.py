# SPDX-License-Identifier: BSD-3-Clause
"""The Python examples run as shipped and find what they are built to find."""

import pathlib
import runpy

import numpy as np

EXAMPLES = pathlib.Path(__file__).parents[2] / "examples"


def run_example(name):
    return runpy.run_path(str(EXAMPLES / name))["main"]()


def test_trilateration_finds_the_receiver_and_its_mirror_image(capsys):
    candidates, receiver = run_example("trilateration.py")
    np.testing.assert_allclose(receiver, [2, 1.5, 1], rtol=0, atol=1e-9)
    assert candidates.shape == (2, 3)
    # The other candidate is the receiver's mirror image in the anchors' plane.
    anchors = np.array([[0, 0, 2.5], [6, 0, 2.8], [0, 4, 2.6]])
    normal = np.cross(anchors[1] - anchors[0], anchors[2] - anchors[0])
    normal /= np.linalg.norm(normal)
    mirror = receiver - 2 * np.dot(receiver - anchors[0], normal) * normal
    other = candidates[np.argmax(np.linalg.norm(candidates - receiver, axis=1))]
    np.testing.assert_allclose(other, mirror, rtol=0, atol=1e-9)
    assert "receiver at (2.000000, 1.500000, 1.000000)" in capsys.readouterr().out


def test_ransac_rejects_exactly_the_wrong_ranges():
    position, inliers, receiver, outliers = run_example("ransac_ranges.py")
    np.testing.assert_array_equal(np.flatnonzero(~inliers), outliers)
    # Eight ranges with 1 cm noise: the position to within a few centimetres.
    assert np.linalg.norm(position - receiver) < 0.03


def test_ransac_pose_rejects_exactly_the_wrong_matches():
    rotation, centre, inliers, true_rotation, true_centre, outliers = run_example(
        "ransac_pose.py")
    np.testing.assert_array_equal(np.flatnonzero(~inliers), outliers)
    # Bearings with 0.2 mrad of noise, the pose of one sample of three: the rotation to
    # within a few hundredths of a degree and the centre, 5 to 40 m from the points, within
    # a few centimetres.
    cosine = (np.trace(rotation @ true_rotation.T) - 1) / 2
    assert np.degrees(np.arccos(min(cosine, 1))) < 0.1
    assert np.linalg.norm(centre - true_centre) < 0.1
