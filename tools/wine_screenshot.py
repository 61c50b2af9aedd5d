"""Takes the README's picture of Morvane.exe as a Windows player sees it at rest: the window's
client area under Wine, in a Wine prefix made afresh, read back from the X server that DISPLAY
names (scripts/screenshots.sh runs this on Xvfb at 96 dpi). Wine draws no frame where no window
manager runs, so the X window is the client area alone.

    wine_screenshot.py WINE_RUN MORVANE_EXE OUTPUT_PNG
"""

import os
import struct
import subprocess
import sys
import tempfile
import time
import zlib

TITLE = "Morvane"
# Making the prefix on first use takes most of this on a loaded machine.
WINDOW_TIMEOUT_S = 300
PAINT_TIMEOUT_S = 30


def grab(window_id):
    """The window's pixels from xwd's dump: its width, height and rows of RGB bytes."""
    dump = subprocess.run(["xwd", "-silent", "-id", window_id], check=True,
                          capture_output=True).stdout
    header = struct.unpack(">25I", dump[:100])
    header_size, width, height = header[0], header[4], header[5]
    byte_order, bits_per_pixel, bytes_per_line = header[7], header[11], header[12]
    masks, colours = header[14:17], header[19]
    if bits_per_pixel != 32:
        raise RuntimeError(f"unexpected screen format: {bits_per_pixel} bits per pixel")
    pixels = dump[header_size + 12 * colours:]
    order = "little" if byte_order == 0 else "big"
    shifts = [(mask & -mask).bit_length() - 1 for mask in masks]
    rows = []
    for y in range(height):
        line = pixels[y * bytes_per_line:y * bytes_per_line + 4 * width]
        row = bytearray()
        for x in range(width):
            value = int.from_bytes(line[4 * x:4 * x + 4], order)
            row += bytes((value & mask) >> shift for mask, shift in zip(masks, shifts))
        rows.append(bytes(row))
    return width, height, rows


def write_png(path, width, height, rows):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data)))

    # Filter type 0 before each row; 8-bit RGB.
    image = zlib.compress(b"".join(b"\0" + row for row in rows), 9)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", image))
        out.write(chunk(b"IEND", b""))


def painted(window_id):
    """The window once painted and still: on Xvfb a window not yet painted is one flat colour,
    and the controls paint after the window, so two grabs a moment apart must agree."""
    give_up = time.monotonic() + PAINT_TIMEOUT_S
    last = None
    while time.monotonic() < give_up:
        picture = grab(window_id)
        colours = {row[i:i + 3] for row in picture[2] for i in range(0, len(row), 3)}
        if len(colours) > 2 and picture == last:
            return picture
        last = picture
        time.sleep(0.5)
    raise RuntimeError("the window never settled into a painted picture")


def window_of(title):
    """The X window of the top-level window titled `title`, once Wine has mapped it. Searched
    again and again: xdotool's search ends with BadWindow when a window it walks goes away, as
    Wine's own windows do while it starts."""
    give_up = time.monotonic() + WINDOW_TIMEOUT_S
    while time.monotonic() < give_up:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"],
                               check=False, capture_output=True, text=True)
        if found.returncode == 0 and found.stdout.split():
            return found.stdout.split()[0]
        time.sleep(0.2)
    raise RuntimeError(f"no window titled {title} within {WINDOW_TIMEOUT_S} s")


def main():
    wine_run, game, output = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as home:
        env = dict(os.environ, WINEPREFIX=os.path.join(home, "wine"))
        process = subprocess.Popen([wine_run, game], env=env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        try:
            write_png(output, *painted(window_of(TITLE)))
            print(output)
        finally:
            process.terminate()
            subprocess.run([wine_run, "--kill"], env=env, check=False)
            process.wait()


if __name__ == "__main__":
    main()
