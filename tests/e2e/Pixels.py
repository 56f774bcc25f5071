"""Small measurements for the end-to-end scripts, on the standard library only.

  Pixels.py find SCREEN.ppm PICTURE.ppm   prints "X Y" where the picture appears
                                          exactly in the screenshot, or exits 1
  Pixels.py peak SAMPLES.raw              prints the largest magnitude among
                                          signed 16-bit little-endian samples
"""
import sys


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields = []
    at = 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    if fields[0] != b"P6" or fields[3] != b"255":
        raise SystemExit(path + ": not an 8-bit binary PPM")
    width, height = int(fields[1]), int(fields[2])
    pixels = data[at + 1:at + 1 + width * height * 3]
    return width, height, [pixels[y * width * 3:(y + 1) * width * 3] for y in range(height)]


def find(screen_path, picture_path):
    sw, sh, screen = read_ppm(screen_path)
    pw, ph, picture = read_ppm(picture_path)
    first = picture[0]
    for y in range(sh - ph + 1):
        x = screen[y].find(first)
        while x >= 0:
            if x % 3 == 0 and all(screen[y + r][x:x + pw * 3] == picture[r] for r in range(ph)):
                print(x // 3, y)
                return 0
            x = screen[y].find(first, x + 1)
    return 1


def peak(path):
    with open(path, "rb") as f:
        data = f.read()
    largest = 0
    for i in range(0, len(data) - 1, 2):
        value = int.from_bytes(data[i:i + 2], "little", signed=True)
        largest = max(largest, abs(value))
    print(largest)
    return 0


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "find":
        sys.exit(find(sys.argv[2], sys.argv[3]))
    if len(sys.argv) == 3 and sys.argv[1] == "peak":
        sys.exit(peak(sys.argv[2]))
    sys.exit(__doc__)
