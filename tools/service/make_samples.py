#!/usr/bin/python3
"""Draws the sample pictures that the local service searches in the demo.

Run once from the repository root; the pictures are kept in resources/res/samples/.
"""
import math
import os
import sys

from PIL import Image, ImageDraw

SIZE = (240, 180)


def sky(draw, top, bottom):
    for y in range(SIZE[1]):
        t = y / (SIZE[1] - 1)
        draw.line([(0, y), (SIZE[0], y)],
                  fill=tuple(int(a + (b - a) * t) for a, b in zip(top, bottom)))


def cat(draw, fur, eyes):
    draw.rectangle([0, 0, *SIZE], fill=(235, 225, 200))
    cx, cy = 120, 100
    draw.polygon([(cx - 60, cy - 20), (cx - 50, cy - 85), (cx - 15, cy - 45)], fill=fur)
    draw.polygon([(cx + 60, cy - 20), (cx + 50, cy - 85), (cx + 15, cy - 45)], fill=fur)
    draw.ellipse([cx - 65, cy - 55, cx + 65, cy + 65], fill=fur)
    for dx in (-25, 25):
        draw.ellipse([cx + dx - 11, cy - 15, cx + dx + 11, cy + 7], fill=eyes)
        draw.ellipse([cx + dx - 3, cy - 13, cx + dx + 3, cy + 5], fill=(20, 20, 20))
    draw.polygon([(cx - 8, cy + 15), (cx + 8, cy + 15), (cx, cy + 24)], fill=(230, 120, 140))
    for side in (-1, 1):
        for dy in (-4, 6, 16):
            draw.line([(cx + side * 20, cy + 22), (cx + side * 75, cy + 22 + dy)],
                      fill=(40, 40, 40), width=2)


def dog(draw):
    draw.rectangle([0, 0, *SIZE], fill=(200, 230, 245))
    cx, cy = 120, 95
    draw.ellipse([cx - 55, cy - 60, cx + 55, cy + 60], fill=(190, 140, 80))
    draw.ellipse([cx - 85, cy - 55, cx - 40, cy + 30], fill=(110, 70, 40))
    draw.ellipse([cx + 40, cy - 55, cx + 85, cy + 30], fill=(110, 70, 40))
    draw.ellipse([cx - 28, cy + 5, cx + 28, cy + 50], fill=(235, 210, 170))
    draw.ellipse([cx - 12, cy + 8, cx + 12, cy + 24], fill=(30, 30, 30))
    for dx in (-22, 22):
        draw.ellipse([cx + dx - 8, cy - 25, cx + dx + 8, cy - 9], fill=(30, 30, 30))


def sunset(draw, sun_y, sea):
    sky(draw, (60, 40, 120), (250, 150, 60))
    draw.ellipse([90, sun_y - 30, 150, sun_y + 30], fill=(255, 220, 90))
    if sea:
        draw.rectangle([0, 120, SIZE[0], SIZE[1]], fill=(40, 70, 120))
        for y in range(126, 180, 9):
            draw.line([(100, y), (140, y)], fill=(255, 200, 90), width=2)
    else:
        draw.polygon([(0, 180), (0, 130), (70, 100), (150, 135), (240, 110), (240, 180)],
                     fill=(50, 30, 50))


def mountain(draw):
    sky(draw, (110, 170, 230), (220, 240, 255))
    draw.polygon([(0, 180), (80, 50), (160, 180)], fill=(90, 100, 110))
    draw.polygon([(80, 180), (170, 30), (240, 140), (240, 180)], fill=(70, 80, 95))
    draw.polygon([(150, 63), (170, 30), (190, 61), (178, 70), (165, 58)], fill=(250, 250, 250))
    draw.rectangle([0, 165, SIZE[0], SIZE[1]], fill=(70, 130, 60))


def flower(draw, petals):
    draw.rectangle([0, 0, *SIZE], fill=(120, 180, 90))
    cx, cy = 120, 85
    draw.line([(cx, cy), (cx, 180)], fill=(40, 110, 40), width=6)
    for i in range(8):
        a = i * math.pi / 4
        x, y = cx + 38 * math.cos(a), cy + 38 * math.sin(a)
        draw.ellipse([x - 22, y - 22, x + 22, y + 22], fill=petals)
    draw.ellipse([cx - 20, cy - 20, cx + 20, cy + 20], fill=(250, 200, 40))


SAMPLES = {
    "cat_1.jpg": lambda d: cat(d, (150, 150, 150), (120, 200, 90)),
    "cat_2.png": lambda d: cat(d, (230, 140, 50), (90, 160, 230)),
    "dog_1.png": dog,
    "sunset_1.jpg": lambda d: sunset(d, 110, True),
    "sunset_2.jpg": lambda d: sunset(d, 95, False),
    "mountain_lake_1.jpg": mountain,
    "flower_red_1.png": lambda d: flower(d, (220, 40, 60)),
    "flower_blue_2.jpg": lambda d: flower(d, (70, 90, 220)),
}


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "resources/res/samples"
    os.makedirs(folder, exist_ok=True)
    for name, paint in SAMPLES.items():
        picture = Image.new("RGB", SIZE)
        paint(ImageDraw.Draw(picture))
        path = os.path.join(folder, name)
        if name.endswith(".jpg"):
            picture.save(path, quality=85, optimize=True)
        else:
            picture.save(path, optimize=True)


if __name__ == "__main__":
    main()
