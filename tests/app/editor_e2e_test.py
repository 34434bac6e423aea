#!/usr/bin/python3
"""The editor in a real window on a virtual X server.

Starts Xvfb, runs tavelin without arguments (a copy in a temporary directory,
so that "pcgOutput.png" lands there), waits for its window and checks from
screenshots that the preview square shows the default queue where the
viewport and projection put it; holds Space and compares the exported
"pcgOutput.png" with the default queue's image; resizes the window and
checks the preview follows; closes the window with a WM_DELETE_WINDOW
client message and checks the exit status and a clean shutdown. Also checks
the message and status of a start without any display.

Every wait polls with a deadline. Exit status 77 (skipped) only when Xvfb
cannot be started at all.

usage: editor_e2e_test.py TAVELIN EDITOR_MODULE DEFAULT_IMAGE_WRITER
"""
import math
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
TITLE = "Orvane Procedural Texture Editor"
SCREEN = (1280, 1024)

RED = (255, 0, 0)
WHITE = (255, 255, 255)
BLUE = (0, 0, 255)


class Failure(Exception):
    pass


def poll(what, check, timeout=30.0, interval=0.05):
    """Calls check() until it returns a true value; Failure after timeout."""
    deadline = time.monotonic() + timeout
    last = None
    while True:
        try:
            result = check()
            if result:
                return result
        except Failure as error:
            last = error
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for %s%s" % (what, ": %s" % last if last else ""))
        time.sleep(interval)


# ---- X server ---------------------------------------------------------------

def start_xvfb():
    """Returns (process, display) or None when Xvfb cannot start."""
    if shutil.which("Xvfb") is None:
        print("Xvfb is not installed")
        return None
    read_fd, write_fd = os.pipe()
    try:
        process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "%dx%dx24" % SCREEN,
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    except OSError as error:
        print("Xvfb could not be run: %s" % error)
        return None
    os.close(write_fd)
    number = b""
    deadline = time.monotonic() + 30
    while not number.endswith(b"\n") and time.monotonic() < deadline:
        ready, _, _ = select.select([read_fd], [], [], 0.2)
        if ready:
            chunk = os.read(read_fd, 64)
            if not chunk:
                break
            number += chunk
        elif process.poll() is not None:
            break
    os.close(read_fd)
    if not number.strip().isdigit():
        process.kill()
        _, err = process.communicate()
        print("Xvfb did not start: %s" % err.decode(errors="replace")[-2000:])
        return None
    return process, ":" + number.strip().decode()


class Screen:
    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    def pixel(self, x, y):
        x, y = int(x), int(y)
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise Failure("pixel (%d, %d) is off the screen" % (x, y))
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])


def screenshot(env, path):
    subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:" + path], env=env,
                   check=True, timeout=60, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(path, "rb") as f:
        raw = f.read()
    # P6 header: magic, width, height, maxval, each followed by white space.
    fields, pos = [], 0
    while len(fields) < 4:
        while raw[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not raw[pos:pos + 1].isspace():
            pos += 1
        fields.append(raw[start:pos])
    pos += 1
    if fields[0] != b"P6" or fields[3] != b"255":
        raise Failure("unexpected screenshot format %r" % fields)
    return Screen(int(fields[1]), int(fields[2]), raw[pos:])


# ---- where the preview must appear --------------------------------------------

F = 1.0 / math.tan(45.0)  # the projection's vertical scale: tangent of 45 radians
HALF_EXTENT_Y = 9.5 * F / 6.0  # the square's half height in device coordinates


def predicted_square(window_w, window_h, menu_h):
    """The preview square in window pixels (top-left origin, edges as floats)
    for a work area of window_w x (window_h - menu_h)."""
    work_w, work_h = float(window_w), float(window_h - menu_h)
    vx, vy = int(work_w * 0.5), int(work_h * 0.5)  # viewport (vx, vy, vx, vy), GL origin bottom-left
    ey = HALF_EXTENT_Y
    ex = ey / (float(window_w) / float(window_h))
    left = vx + vx * (1 - ex) / 2
    right = vx + vx * (1 + ex) / 2
    bottom = window_h - (vy + vy * (1 - ey) / 2)
    top = window_h - (vy + vy * (1 + ey) / 2)
    return left, top, right, bottom


def raster_to_screen(square, origin, x, y):
    """Centre of raster pixel (x, y) on the screen; raster row 0 is the bottom."""
    left, top, right, bottom = square
    return (origin[0] + left + (x + 0.5) / 100.0 * (right - left),
            origin[1] + bottom - (y + 0.5) / 100.0 * (bottom - top))


def longest_run(values, wanted):
    best, start = (0, 0), None
    for i, v in enumerate(values + [None]):
        if v == wanted and start is None:
            start = i
        elif v != wanted and start is not None:
            if i - start > best[1] - best[0]:
                best = (start, i)
            start = None
    return best


def check_preview(screen, origin, size, menu_h=None):
    """Measures the square's edges, finds the menu bar height that the
    viewport formula needs to explain them (or checks the given one), and
    checks the three probe pixels. Returns the menu bar height."""
    window_w, window_h = size
    ox, oy = origin
    # Raster column 90 is white from row 0 to 99; its x does not depend on the menu bar.
    square0 = predicted_square(window_w, window_h, 0)
    column_x, _ = raster_to_screen(square0, origin, 90, 0)
    column = [screen.pixel(column_x, y) for y in range(oy, oy + window_h)]
    top, bottom = longest_run(column, WHITE)
    if bottom - top < 20:
        raise Failure("no preview square in column x=%d" % column_x)

    candidates = [menu_h] if menu_h is not None else range(0, 81)
    best = None
    for m in candidates:
        _, pt, _, pb = predicted_square(window_w, window_h, m)
        error = max(abs(top - pt), abs(bottom - pb))
        if best is None or error < best[0]:
            best = (error, m)
    error, menu_h = best
    square = predicted_square(window_w, window_h, menu_h)
    if error > 1.5:
        raise Failure("square rows %d..%d do not match the viewport and projection (best: menu bar "
                      "%d px, predicted %.1f..%.1f)" % (top, bottom, menu_h, square[1], square[3]))

    # Raster row 10: red for x < 50, white for x >= 50.
    _, row_y = raster_to_screen(square, origin, 0, 10)
    row = [screen.pixel(x, row_y) for x in range(ox, ox + window_w)]
    red_start, red_end = longest_run(row, RED)
    white_start, white_end = longest_run(row, WHITE)
    measured = (red_start, red_end, white_end)
    predicted = (square[0], (square[0] + square[2]) / 2, square[2])
    if any(abs(a - b) > 1.5 for a, b in zip(measured, predicted)):
        raise Failure("square columns (red %d..%d, white to %d) do not match the prediction "
                      "(%.1f, %.1f, %.1f)" % (measured + predicted))

    for (x, y), colour in (((25, 50), RED), ((75, 90), WHITE), ((55, 55), BLUE)):
        sx, sy = raster_to_screen(square, origin, x, y)
        got = screen.pixel(sx, sy)
        if got != colour:
            raise Failure("raster pixel (%d, %d) at screen (%d, %d) is %s, expected %s"
                          % (x, y, sx, sy, got, colour))
    return menu_h


# ---- the test -----------------------------------------------------------------

def run_without_display(tavelin, workdir):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    result = subprocess.run([tavelin], cwd=workdir, env=env, capture_output=True, timeout=60)
    stderr = result.stderr.decode(errors="replace")
    if "GLFW failed to initialize, shutting down.\n" not in stderr:
        raise Failure("no display: stderr was %r" % stderr)
    if result.returncode != 255:
        raise Failure("no display: exit status %d, expected -1 (255)" % result.returncode)
    print("ok: without a display: message and exit status -1")


def find_window(display, title):
    def search(window):
        try:
            if window.get_wm_name() == title:
                return window
            children = window.query_tree().children
        except Exception:  # a window that vanished meanwhile
            return None
        for child in children:
            found = search(child)
            if found is not None:
                return found
        return None
    return search(display.screen().root)


def window_box(display, window):
    geometry = window.get_geometry()
    root = display.screen().root
    position = root.translate_coords(window, 0, 0)
    return (position.x, position.y), (geometry.width, geometry.height)


def send_delete_window(display, window):
    from Xlib import X
    from Xlib.protocol import event
    protocols = display.intern_atom("WM_PROTOCOLS")
    delete = display.intern_atom("WM_DELETE_WINDOW")
    message = event.ClientMessage(window=window, client_type=protocols,
                                  data=(32, [delete, X.CurrentTime, 0, 0, 0]))
    window.send_event(message, event_mask=X.NoEventMask)
    display.flush()


def tear_down(editor, xvfb, workdir, keep):
    """Ends the editor (if still running) and the X server; removes the
    working folder unless a failure asked to keep it for inspection."""
    if editor is not None and editor.poll() is None:
        editor.kill()
        editor.wait()
    xvfb.terminate()
    try:
        xvfb.wait(timeout=10)
    except subprocess.TimeoutExpired:
        xvfb.kill()
    if not keep:
        shutil.rmtree(workdir, ignore_errors=True)


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    tavelin_built, module_built, writer = sys.argv[1:4]
    workdir = tempfile.mkdtemp(prefix="orvane_editor_e2e_")
    tavelin = os.path.join(workdir, "tavelin")
    shutil.copy2(tavelin_built, tavelin)
    shutil.copy2(module_built, os.path.join(workdir, os.path.basename(module_built)))
    reference = os.path.join(workdir, "reference.png")
    subprocess.run([writer, reference], check=True, timeout=60)
    shot_path = os.path.join(workdir, "screen.ppm")

    run_without_display(tavelin, workdir)

    server = start_xvfb()
    if server is None:
        print("SKIPPED: Xvfb cannot start here")
        return SKIP
    xvfb, display_name = server
    editor = None
    keep = False
    try:
        from Xlib import display as xdisplay
        env = dict(os.environ, DISPLAY=display_name, ORVANE_EDITOR_STATS="1")
        env.pop("WAYLAND_DISPLAY", None)
        x = xdisplay.Display(display_name)

        out = open(os.path.join(workdir, "stdout.txt"), "wb")
        err = open(os.path.join(workdir, "stderr.txt"), "wb")
        editor = subprocess.Popen([tavelin], cwd=workdir, env=env, stdout=out, stderr=err)

        def alive():
            if editor.poll() is not None:
                raise Failure("the editor exited early with status %d: %s" % (
                    editor.returncode, open(err.name, errors="replace").read()[-2000:]))

        def window_up():
            alive()
            return find_window(x, TITLE)
        window = poll("the editor window", window_up, timeout=60)
        origin, size = window_box(x, window)
        if size != (1000, 800):
            raise Failure("window is %dx%d, expected 1000x800" % size)

        def preview_right(menu_h=None):
            alive()
            return check_preview(screenshot(env, shot_path), origin, size, menu_h)
        menu_h = poll("the default queue's preview", lambda: preview_right() is not None, timeout=60)
        menu_h = preview_right()
        print("ok: preview of the default queue in place (work area %dx%d)" % (size[0], size[1] - menu_h))

        # Space, held: the key is polled every frame.
        export = os.path.join(workdir, "pcgOutput.png")
        subprocess.run(["xdotool", "mousemove", str(origin[0] + 250), str(origin[1] + 600)],
                       env=env, check=True, timeout=30)
        subprocess.run(["xdotool", "windowfocus", str(window.id)], env=env, timeout=30)
        subprocess.run(["xdotool", "keydown", "space"], env=env, check=True, timeout=30)
        try:
            poll("pcgOutput.png", lambda: alive() or (os.path.exists(export) and os.path.getsize(export) > 0))
        finally:
            subprocess.run(["xdotool", "keyup", "space"], env=env, check=True, timeout=30)
        with open(reference, "rb") as f:
            expected = f.read()

        def export_matches():
            alive()
            with open(export, "rb") as f:
                return f.read() == expected
        poll("pcgOutput.png to equal the default queue's image", export_matches, timeout=20)
        print("ok: Space wrote pcgOutput.png equal to the default queue's image")

        subprocess.run(["xdotool", "windowsize", str(window.id), "800", "600"], env=env, check=True,
                       timeout=30)
        poll("the window to be resized", lambda: window_box(x, window)[1] == (800, 600), timeout=20)
        origin, size = window_box(x, window)
        poll("the preview to follow the resize", lambda: preview_right(menu_h) is not None, timeout=30)
        print("ok: preview follows the resize to 800x600")

        send_delete_window(x, window)
        try:
            status = editor.wait(timeout=30)
        except subprocess.TimeoutExpired:
            raise Failure("the editor did not exit after WM_DELETE_WINDOW")
        out.close()
        err.close()
        stderr = open(err.name, errors="replace").read()
        stdout = open(out.name, errors="replace").read()
        if status != 0:
            raise Failure("exit status %d after closing, expected 0; stderr: %s" % (status, stderr))
        for bad in ("Failed to shutdown ImGui", "Failed to shutdown GLFW"):
            if bad in stderr:
                raise Failure("shutdown reported %r" % bad)
        if not stdout.startswith("Headless directory is: " + workdir + "\n"):
            raise Failure("stdout does not start with the directory line: %r" % stdout[:200])
        if stdout.count("' compiled successfully. \n") != 2 or "Program linked successfully. \n" not in stdout:
            raise Failure("shader build report missing: %r" % stdout[-500:])
        print("ok: closed by WM_DELETE_WINDOW, exit status 0, clean shutdown")
        for line in stderr.splitlines():
            if line.startswith("Editor stats:"):
                print(line)
        return 0
    except Failure as error:
        keep = True
        print("FAILED: %s" % error)
        print("last screenshot and logs kept in %s" % workdir)
        return 1
    finally:
        tear_down(editor, xvfb, workdir, keep)


if __name__ == "__main__":
    sys.exit(main())
