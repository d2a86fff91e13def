"""Screenshots of the X display and what the saver's pictures must hold.

An image is (width, height, pixels): pixels a list of (r, g, b) byte
triples, row by row from the top left.
"""
import os
import struct
import subprocess

WIDTH, HEIGHT = 1280, 720
BACKGROUND = b"\x22\x22\x22"
# The dots' colours, as r, g, b (the saver holds them as 0x00BBGGRR).
PALETTE = [bytes.fromhex(c) for c in
           ("cc4141", "f8c210", "ffffff", "33b1f8", "931800", "005fad", "f9e884")]
LINK_GRAYS = range(43, 136)  # drawn only above 42, 135 at length 0
TILE = 32
TILE_BACKGROUND_SHARE = 0.5  # a caption, a border or the desktop shows as less
STRAY_SHARE = 0.005


def capture(png_path):
    """The whole X screen: saved as PNG, returned as an image."""
    xwd = subprocess.run(["xwd", "-root", "-silent", "-display", os.environ["DISPLAY"]],
                         check=True, capture_output=True).stdout
    ppm = subprocess.run(["/usr/bin/convert", "xwd:-", "-write", f"png:{png_path}", "ppm:-"],
                         input=xwd, check=True, capture_output=True).stdout
    return parse_ppm(ppm)


def parse_ppm(data):
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6" or fields[3] != b"255":
        raise ValueError("not an 8-bit binary PPM")
    width, height = int(fields[1]), int(fields[2])
    raw = data[pos + 1:pos + 1 + 3 * width * height]
    return width, height, [raw[i:i + 3] for i in range(0, len(raw), 3)]


def read_bmp(path):
    """A 24-bit uncompressed BMP, bottom-up or top-down."""
    with open(path, "rb") as f:
        data = f.read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    if bits != 24:
        raise ValueError(f"{path}: {bits} bits per pixel, not 24")
    stride = (3 * width + 3) // 4 * 4
    rows = range(abs(height) - 1, -1, -1) if height > 0 else range(abs(height))
    pixels = []
    for row in rows:
        start = offset + row * stride
        for x in range(width):
            b, g, r = data[start + 3 * x:start + 3 * x + 3]
            pixels.append(bytes((r, g, b)))
    return width, abs(height), pixels


def is_link_gray(p):
    return p[0] == p[1] == p[2] and p[0] in LINK_GRAYS


def cover_problems(image, logo_colours=()):
    """What is wrong with a picture of the running saver, as sentences."""
    width, height, pixels = image
    if (width, height) != (WIDTH, HEIGHT):
        return [f"the screen is {width}x{height}, not {WIDTH}x{HEIGHT}"]
    problems = []
    for ty in range(0, height, TILE):
        for tx in range(0, width, TILE):
            rows = range(ty, min(ty + TILE, height))
            cols = range(tx, min(tx + TILE, width))
            background = sum(pixels[y * width + x] == BACKGROUND for y in rows for x in cols)
            if background < TILE_BACKGROUND_SHARE * len(rows) * len(cols):
                problems.append(f"the {TILE} px tile at ({tx}, {ty}) is mostly not background: "
                                "not covered, or a caption or border shows")
                return problems
    expected = {BACKGROUND, *PALETTE, *logo_colours}
    palette_seen = sum(pixels.count(c) >= 5 for c in PALETTE)
    if palette_seen < len(PALETTE) - 1:
        problems.append(f"only {palette_seen} of the {len(PALETTE)} dot colours show")
    grays = sum(map(is_link_gray, pixels))
    if grays < 200:
        problems.append(f"only {grays} pixels of link gray (43..135)")
    strays = sum(p not in expected and not is_link_gray(p) for p in pixels)
    if strays > STRAY_SHARE * len(pixels):
        problems.append(f"{strays} pixels in colours the saver does not draw")
    return problems


def describe(image):
    width, height, pixels = image
    background = pixels.count(BACKGROUND) / len(pixels)
    palette = sum(pixels.count(c) >= 5 for c in PALETTE)
    levels = sorted({p[0] for p in pixels if is_link_gray(p)})
    grays = sum(map(is_link_gray, pixels))
    span = f"{levels[0]}..{levels[-1]}" if levels else "none"
    return (f"{background:.1%} background, {palette}/{len(PALETTE)} dot colours, "
            f"{grays} link-gray pixels in {len(levels)} levels ({span})")


def changed_pixels(first, second):
    return sum(a != b for a, b in zip(first[2], second[2]))


def logo_share(shots, logo, left, top):
    """Share of the logo's own (non-background) pixels found in place in at
    least one shot: dots and links passing over it hide a few in each."""
    logo_width, logo_height, logo_pixels = logo
    wanted = found = 0
    for y in range(logo_height):
        for x in range(logo_width):
            colour = logo_pixels[y * logo_width + x]
            if colour == BACKGROUND:
                continue
            wanted += 1
            at = (top + y) * WIDTH + left + x
            found += any(shot[2][at] == colour for shot in shots)
    return found / wanted
