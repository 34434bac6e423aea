#!/usr/bin/python3
"""usage: editor_window_test.py TAVELIN EDITOR_MODULE|- EXAMPLES_DIR basics|panels|extras|export|work|installed"""
# The editor in a real window on a virtual X server: one scenario per run, each
# with its own editor and X server.
import glob, math, os, re, shutil, signal, subprocess, sys, time  # noqa: E401

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Failure, main  # noqa: E402

RED, WHITE, BLUE = (255, 0, 0), (255, 255, 255), (0, 0, 255)
# The square's half height in device coordinates; the projection's vertical
# scale is 1 / tan(45), in radians.
HALF_EXTENT_Y = 9.5 / math.tan(45.0) / 6.0


# The preview square's (left, top, right, bottom) edges for a work area of
# window_w x (window_h - menu_h).
def predicted_square(window_w, window_h, menu_h):
    vx, vy = int(window_w * 0.5), int((window_h - menu_h) * 0.5)  # viewport (vx, vy, vx, vy), GL origin bottom-left
    ex = HALF_EXTENT_Y / (float(window_w) / float(window_h))
    return (vx + vx * (1 - ex) / 2, window_h - (vy + vy * (1 + HALF_EXTENT_Y) / 2),
            vx + vx * (1 + ex) / 2, window_h - (vy + vy * (1 - HALF_EXTENT_Y) / 2))


def raster_to_screen(square, x, y):
    """Centre of raster pixel (x, y) in the window; raster row 0 is the bottom."""
    left, top, right, bottom = square
    return left + (x + 0.5) / 100.0 * (right - left), bottom - (y + 0.5) / 100.0 * (bottom - top)


def runs(flags, gap):
    """[first, last] index runs of true flags, merging runs closer than gap."""
    found = []
    for i in (i for i, on in enumerate(flags) if on):
        if found and i - found[-1][1] <= gap:
            found[-1][1] = i
        else:
            found.append([i, i])
    return found


def longest_run(values, wanted):
    """(start, end) of the first longest run of wanted, end exclusive."""
    first, last = max(runs([v == wanted for v in values], gap=1) or [[0, -1]], key=lambda run: run[1] - run[0])
    return first, last + 1


# Measures the default queue's square, finds the menu bar height that the
# viewport formula needs to explain its rows (or checks the given one) and
# checks its columns and three probe pixels. Returns the menu bar height.
def check_preview(pixel, size, menu_h=None, triangle=BLUE):
    window_w, window_h = size
    # Raster column 90 is white from row 0 to 99; its x does not depend on the menu bar.
    column_x = raster_to_screen(predicted_square(window_w, window_h, 0), 90, 0)[0]
    top, bottom = longest_run([pixel(column_x, y) for y in range(window_h)], WHITE)
    if bottom - top < 20:
        raise Failure("no preview square in column x=%d" % column_x)
    error, menu_h = min((max(abs(top - square[1]), abs(bottom - square[3])), m)
                        for m in ([menu_h] if menu_h is not None else range(81))
                        for square in [predicted_square(window_w, window_h, m)])
    square = predicted_square(window_w, window_h, menu_h)
    if error > 1.5:
        raise Failure("square rows %d..%d do not match the viewport and projection (best: menu bar "
                      "%d px, predicted %.1f..%.1f)" % (top, bottom, menu_h, square[1], square[3]))
    # Raster row 10: red for x < 50, white for x >= 50.
    row = [pixel(x, raster_to_screen(square, 0, 10)[1]) for x in range(window_w)]
    measured = longest_run(row, RED) + longest_run(row, WHITE)[1:]
    predicted = (square[0], (square[0] + square[2]) / 2, square[2])
    if any(abs(a - b) > 1.5 for a, b in zip(measured, predicted)):
        raise Failure("square columns (red %d..%d, white to %d) do not match the prediction "
                      "(%.1f, %.1f, %.1f)" % (measured + predicted))
    for point, colour in (((25, 50), RED), ((75, 90), WHITE), ((55, 55), triangle)):
        got = pixel(*raster_to_screen(square, *point))
        if got != colour:
            raise Failure("raster pixel %s at window %s is %s, expected %s"
                          % (point, tuple(map(int, raster_to_screen(square, *point))), got, colour))
    return menu_h


def default_preview(ed, menu_h=None, triangle=BLUE):
    """Waits for the default queue's preview in place (its triangle in that
    colour); returns the menu bar height."""
    return ed.wait("the default queue's preview at %dx%d" % ed.size,
                   lambda: [check_preview(ed.screenshot(), ed.size, menu_h, triangle)], timeout=60)[0]


# The default queue's preview where the viewport and projection put it; Space
# exports the default queue's image; the preview follows a resize; closing
# with WM_DELETE_WINDOW ends with status 0. A start without any display fails.
def basics(ed, examples):
    reference = ed.render(os.path.join(examples, "default.pcg"))  # the editor's start-up queue
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    result = subprocess.run([ed.tavelin], cwd=ed.workdir, env=env, capture_output=True, timeout=60)
    if b"GLFW failed to initialize, shutting down.\n" not in result.stderr or result.returncode != 255:
        raise Failure("no display: exit status %d (expected -1, 255), stderr %r" % (result.returncode, result.stderr))
    print("ok: without a display: message and exit status -1")

    ed.start()
    if ed.size != (1000, 800):
        raise Failure("window is %dx%d, expected 1000x800" % ed.size)
    menu_h = default_preview(ed)
    print("ok: preview of the default queue in place (work area %dx%d)" % (ed.size[0], ed.size[1] - menu_h))
    ed.wait("pcgOutput.png to equal the default queue's image", lambda: ed.export() == reference, timeout=60)
    print("ok: Space wrote pcgOutput.png equal to the default queue's image")
    ed.xdotool("windowsize", ed.window.id, 800, 600)
    ed.wait("the window to be resized", lambda: ed.box() == (800, 600), timeout=20)
    default_preview(ed, menu_h)
    print("ok: preview follows the resize to 800x600")

    stdout, _ = ed.close()
    if not stdout.startswith("Headless directory is: " + ed.workdir + "\n"):
        raise Failure("stdout does not start with the directory line: %r" % stdout[:200])
    if stdout.count("' compiled successfully. \n") != 2 or "Program linked successfully. \n" not in stdout:
        raise Failure("shader build report missing: %r" % stdout[-500:])
    print("ok: closed by WM_DELETE_WINDOW, exit status 0, clean shutdown")


# Panel positions in a 1000 x 800 window with the default font and the default
# five-row queue (the layout the ImGui-driven panel tests run). Every added row
# moves the button and the combo down by one row pitch.
ROW_PITCH, ADD_BUTTON, COMBO = 35, (50, 281), (200, 275)
COMBO_FIRST_ITEM_Y, COMBO_ITEM_PITCH = 299, 17  # centre of the first entry of the open list, entry pitch
FILE_MENU, FILE_SAVE = (15, 13), (40, 84)


# The combo and "Add Instruction" append Clear Selection and Fill; Ctrl+S saves
# through the chooser, File > Save rewrites without asking, and the saved
# project renders white headless.
def panels(ed, examples):
    saved = ed.path("saved.pcg")
    ed.start(reply=saved)
    square = predicted_square(*ed.size, default_preview(ed))
    # "Clear Selection" (catalogue position 4), then "Fill" (position 0).
    # The open list scrolls to the current choice: wheel it back to the top first.
    for down, position in ((0, 4), (ROW_PITCH, 0)):
        ed.click(COMBO[0], COMBO[1] + down)
        ed.move(COMBO[0], COMBO_FIRST_ITEM_Y + position * COMBO_ITEM_PITCH + down)
        ed.xdotool("click", "--repeat", 10, "--delay", 30, 4)
        time.sleep(0.2)
        ed.click()
        ed.click(ADD_BUTTON[0], ADD_BUTTON[1] + down)

    def white():
        points = ((25, 50), (55, 55), (75, 90), (97, 97), (2, 2))  # clear of the overlay
        got = ed.pixels(raster_to_screen(square, *point) for point in points)
        if got != [WHITE] * len(points):
            raise Failure("raster pixels %s are %s" % (points, got))
        return True
    ed.wait("the preview to turn white after Clear Selection and Fill", white)
    print("ok: combo and Add Instruction appended Clear Selection and Fill; preview white")

    ed.tap("ctrl+s")
    ed.wait("Ctrl+S to write the chosen file", lambda: os.path.exists(saved) and os.path.getsize(saved) > 0)
    # One call, attached to the editor's window as a modal child.
    expected = ["--attach=%d" % ed.window.id, "--modal", "--file-selection", "--save", "--confirm-overwrite",
                "--title=Save Procedural Texture...", "--file-filter=PCG Textures | *.pcg",
                "--file-filter=Any File | *", "--filename=" + ed.workdir + "/"]
    if ed.calls() != [expected]:
        raise Failure("chooser calls: %r, expected %r" % (ed.calls(), [expected]))
    print("ok: Ctrl+S saved through the chooser")

    first = ed.read(saved, binary=True)
    os.remove(saved)
    ed.click(*FILE_MENU)
    ed.click(*FILE_SAVE)
    ed.wait("File > Save to rewrite the current project",
            lambda: os.path.exists(saved) and os.path.getsize(saved) == len(first))
    if len(ed.calls()) != 1:
        raise Failure("File > Save asked again: %r" % ed.calls())
    if ed.read(saved, binary=True) != first:
        raise Failure("File > Save wrote different bytes")
    print("ok: File > Save rewrote the current project without asking")

    ed.close()
    pixels = subprocess.run(["convert", "png:-", "rgba:-"], input=ed.render(saved), check=True, timeout=60,
                            capture_output=True).stdout
    if len(pixels) != 100 * 100 * 4 or any(b != 255 for b in pixels):
        raise Failure("headless render of the saved project is not all white (%d bytes)" % len(pixels))
    print("ok: the saved project renders all white headless")


THUMBNAIL = 5  # the sixth: stored seed + 5


def slot32(value):
    return (0xFFFFFFFF00000000 | value).to_bytes(8, "big")


def synthesis_instruction():
    """Synthesize Texture (type 19) over the whole raster, patch 3, overlap 1."""
    int32 = 0xFFFFFFFF00000000
    parameters = (("Donor_Layer", 0), ("Donor_Select_Point1X", int32), ("Donor_Select_Point1_Y", int32),
                  ("Donor_Select_Point2_X", int32 | 99), ("Donor_Select_Point2_Y", int32 | 99),
                  ("Quilt_Overlap", int32 | 1), ("Quilt_Size", int32 | 3), ("Cut_Edge", int32),
                  ("Transfer_Texture", int32))
    return slot32(19) + slot32(len(parameters)) + b"".join(
        slot32(len(name)) + name.encode() + payload.to_bytes(8, "big") + (0xFFFFFFFFFFFFFF00).to_bytes(8, "big")
        for name, payload in parameters)


def is_text(pixel):
    return min(pixel) > 150


# Ctrl+O opens a seed family project; a seed gallery thumbnail sets the seed
# and one Ctrl+Z undoes it; "generating..." shows during a long generation;
# the recent list in the state dir names the opened projects, newest first.
def extras(ed, examples):
    family, slow = ed.path("family.pcg"), ed.path("slow.pcg")
    shutil.copy2(os.path.join(examples, "gradient_family.pcg"), family)
    data = ed.read(family, binary=True)
    # The family followed by twenty Synthesize Texture instructions quilting
    # the whole raster from 3-pixel patches: a generation of a few seconds.
    count = int.from_bytes(data[5:13], "big") & 0xFFFFFFFF
    with open(slow, "wb") as f:
        f.write(data[:5] + slot32(count + 20) + data[13:] + synthesis_instruction() * 20)
    stored = int.from_bytes(re.search(rb"\x00\x00\x00\x04Seed(.{8})", data, re.S)[1], "big")  # the first Seed's value
    chosen = stored + THUMBNAIL
    reference = {seed: ed.render(family, str(seed)) for seed in (stored, chosen)}
    if reference[stored] == reference[chosen]:
        raise Failure("the project's seeds %d and %d render alike; it cannot show a family" % (stored, chosen))

    ed.start(reply=family)
    menu_h = default_preview(ed)
    square = predicted_square(*ed.size, menu_h)
    ed.tap("ctrl+o")
    ed.wait("Ctrl+O to ask for a project", lambda: len(ed.calls()) == 1)
    ed.wait("the opened project's preview (seed %d)" % stored, lambda: ed.export() == reference[stored], timeout=60)
    print("ok: Ctrl+O opened the family project; preview equals its headless render")

    # "View" is the third word of the menu bar.
    pixel = ed.screenshot()
    # Letters lie closer than 10 pixels, menus 16 pixels apart.
    words = runs([any(is_text(pixel(c, y)) for y in range(2, menu_h - 2)) for c in range(400)], gap=10)
    if len(words) != 3:
        raise Failure("menu bar words at %r, expected File, Edit, View" % words)
    view = words[2]

    def menu_rows():
        pixel = ed.screenshot()
        return [any(is_text(pixel(c, y)) for c in range(view[0], view[0] + 60))
                for y in range(menu_h, menu_h + 80)]
    closed = menu_rows()
    ed.click((view[0] + view[1]) // 2, menu_h // 2)
    items = ed.wait("the View menu to open", lambda: (rows := menu_rows()) != closed and runs(rows, gap=3))
    gallery_item = (view[0] + 30, menu_h + (items[0][0] + items[0][1]) // 2)
    ed.click(*gallery_item)

    # The gallery's first placement: beside the queue, 10 into the right half
    # of the work area; title bar 19, padding 8, the page buttons 23, one text
    # line 17; thumbnails 80 x 78 framed, pitch 88 x 99.
    thumb = (ed.size[0] // 2 + 10 + 8 + (THUMBNAIL % 4) * 88 + 40,
             menu_h + 10 + 19 + 8 + 23 + 17 + (THUMBNAIL // 4) * 99 + 39)

    def thumbnail_pixels():
        return ed.pixels((thumb[0] + dx, thumb[1] + dy) for dx in range(-30, 31, 3) for dy in range(-30, 31, 3))
    ed.wait("the gallery's thumbnails", lambda: len(set(thumbnail_pixels())) >= 3, timeout=60)
    shown = thumbnail_pixels()
    ed.click(950, 760)  # the Details panel under the gallery (an empty spot): the gallery stays above it
    if thumbnail_pixels() != shown:
        raise Failure("the gallery went behind the Details panel")
    ed.click(*thumb)
    ed.wait("the preview of the clicked seed %d" % chosen, lambda: ed.export() == reference[chosen], timeout=60)
    print("ok: clicking thumbnail %d set seed %d; with the gallery open the preview equals the headless render"
          % (THUMBNAIL, chosen))

    def preview():
        return ed.pixels(raster_to_screen(square, x, y) for x in range(0, 100, 4) for y in range(0, 100, 4))
    before = preview()
    ed.tap("ctrl+z")  # pressed and released within one frame
    ed.wait("Ctrl+Z to change the preview", lambda: preview() != before, timeout=60)
    ed.wait("Ctrl+Z to bring back seed %d" % stored, lambda: ed.export() == reference[stored], timeout=60)
    print("ok: one Ctrl+Z undid the gallery click")

    ed.click((view[0] + view[1]) // 2, menu_h // 2), ed.click(*gallery_item)  # the gallery closes
    # A queue that takes well over 100 ms: "generating..." shows at the lower-left
    # corner of the preview's quarter, left of the square where only its text is bright.
    ed.answer(slow)
    half_w, half_h = ed.size[0] // 2, menu_h + (ed.size[1] - menu_h) // 2

    def indicator_shown():
        return any(map(is_text, ed.pixels((x, y) for x in range(half_w + 12, half_w + 40)
                                          for y in range(half_h - 30, half_h - 12))))
    if indicator_shown():
        raise Failure("an indicator shows while nothing is generating")
    # Looked for from the moment the keys go down.
    ed.hold("ctrl+o", "the generating indicator", indicator_shown, timeout=60, interval=0.01)
    ed.wait("the generating indicator to go", lambda: not indicator_shown(), timeout=120)
    print("ok: \"generating...\" showed during a long generation and went afterwards")

    ed.close()
    lines = ed.read("state/orvane/recent-projects").splitlines()
    if lines[1:] != [slow, family]:
        raise Failure("recent list %r, expected the opened projects, newest first" % lines)
    if os.path.exists(ed.path("recent-projects")):
        raise Failure("a recent list beside the executable")
    print("ok: the recent list in the state directory names both projects, newest first")


def export(ed, examples):
    """File > Export PNG... at 256 pixels through the size window and the
    save dialog, rendered on its own thread; then View > Preview resolution
    > 400 x 400, after which the Space export is the 400 x 400 render."""
    default = os.path.join(examples, "default.pcg")
    target = ed.path("export.png")
    ed.start(reply=target)
    default_preview(ed)
    ed.click(15, 13), ed.click(60, 119)  # File, Export PNG...
    ed.click(398, 394), ed.click(371, 440)  # 256, Export...
    expected = ed.render("-s", "256", default)
    ed.wait("the exported picture", lambda: os.path.exists(target) and ed.read("export.png", True) == expected)
    if ed.calls()[-1][-2:] != ["--file-filter=Any File | *", "--filename=" + ed.workdir + "/"] or \
            "--title=Export PNG..." not in ed.calls()[-1]:
        raise Failure("the export dialog was called with %r" % ed.calls()[-1])
    print("ok: File > Export PNG... wrote the 256 x 256 render")
    ed.click(111, 13), ed.move(180, 100), ed.move(340, 100), ed.click(340, 138)  # View, Preview resolution, 400
    expected = ed.render("-s", "400", default)
    ed.wait("a 400 x 400 preview", lambda: ed.export() == expected, timeout=60)
    print("ok: the preview renders at 400 x 400")
    ed.close()


ERROR_TEXT, CLEAR = (255, 96, 96), (64, 64, 64)
VIEW_MENU, TILE_PREVIEW = (111, 13), (140, 62)


def status_colours(ed):
    """The exact text colours in the status line along the bottom edge."""
    pixel, (w, h) = ed.screenshot(), ed.size
    found = {pixel(x, y) for x in range(4, 400) for y in range(h - 17, h - 2)}
    return found & {ERROR_TEXT, WHITE}


def expect_title(ed, ending):
    ed.wait("the title to end with %r" % ending, lambda: ed.title() == "Orvane Procedural Texture Editor - " + ending)


def work(ed, examples):
    """A day's work: a failed Save As and a save in the status line and the
    title, every shortcut an instant tap; an unsaved edit survives kill -9 and
    comes back through the recovery bar; the preview zooms, pans, resets and
    tiles; Ctrl+Q quits."""
    saved = ed.path("saved.pcg")
    ed.start(reply=ed.path("no-folder", "x.pcg"))
    menu_h = default_preview(ed)
    square = predicted_square(*ed.size, menu_h)
    expect_title(ed, "untitled")
    ed.tap("ctrl+shift+s")
    ed.wait("the failed save in red in the status line", lambda: status_colours(ed) == {ERROR_TEXT})
    if not ed.read("stderr.txt").endswith("Failed to save file\n"):
        raise Failure("the terminal line of a failed save is missing")
    ed.answer(saved)
    ed.tap("ctrl+s")  # still no project: Save asks
    ed.wait("the save in the status line", lambda: os.path.exists(saved) and status_colours(ed) == {WHITE})
    expect_title(ed, "saved.pcg")
    print("ok: status line red for the failed Save As, plain for the save; title names the project")

    ed.click(*ADD_BUTTON)  # a Fill (the combo's first entry): an unsaved change
    expect_title(ed, "saved.pcg *")
    copies = ed.path("state", "orvane", "recovery-*.pcg")
    ed.wait("a recovery copy", lambda: glob.glob(copies), timeout=10)
    time.sleep(1.5)  # the copy follows the edit within a second
    kept = ed.path("kept.pcg")
    shutil.copy2(glob.glob(copies)[0], kept)
    expected = ed.render(kept)
    if expected != ed.export():
        raise Failure("the recovery copy does not render as the edited queue")
    os.kill(ed.process.pid, signal.SIGKILL)
    ed.process.wait(timeout=10)
    ed.start(reply=saved)
    expect_title(ed, "untitled")
    ed.wait("the restored work", lambda: (ed.click(36, ed.size[1] - 45), ed.title().endswith("saved.pcg *"))[1])
    ed.wait("the restored preview", lambda: ed.export() == expected, timeout=60)
    if len(glob.glob(copies)) != 1 or not ed.wait("this editor's copy", lambda: glob.glob(copies))[0].endswith(
            "-%d.pcg" % ed.process.pid):
        raise Failure("the offered copy was not removed: %r" % glob.glob(copies))
    print("ok: after kill -9 the recovery bar restored the unsaved work")

    ed.tap("ctrl+z")  # undoes the restore, project and all
    expect_title(ed, "untitled")
    ed.tap("ctrl+y")
    expect_title(ed, "saved.pcg *")
    print("ok: instant Ctrl+Z and Ctrl+Y each took one step")

    def at(x, y, dx=0.0, dy=0.0):
        sx, sy = raster_to_screen(square, x, y)
        return sx + dx, sy + dy
    # Zoomed about raster (95, 5), below the triangle, raster (30, 5) shows a
    # point right of column 50 (white); zoomed about the centre it would stay red.
    ed.move(*at(95, 5))
    ed.xdotool("click", "--repeat", 3, "--delay", 50, 4)  # wheel up
    ed.wait("the preview zoomed about the cursor", lambda: ed.pixels([at(30, 5), at(96, 5)]) == [WHITE, WHITE])
    ed.xdotool("click", "--repeat", 2, "--delay", 80, 1)  # double-click: the default view
    default_preview(ed, menu_h, WHITE)
    centre = at(49.5, 49.5)
    ed.move(*centre)
    ed.xdotool("mousedown", 1)
    ed.move(centre[0] + 60, centre[1])
    ed.xdotool("mouseup", 1)
    ed.wait("the panned preview", lambda: ed.pixels([at(40, 5, 60), at(-5, 5, 60)]) == [RED, CLEAR])
    ed.xdotool("click", "--repeat", 2, "--delay", 80, 1)
    default_preview(ed, menu_h, WHITE)
    print("ok: the wheel zoomed about the cursor, a drag panned, a double-click reset the view")

    ed.click(*VIEW_MENU), ed.click(*TILE_PREVIEW)
    side = (square[2] - square[0]) / 3.0
    cx, cy = (square[0] + square[2]) / 2.0, (square[1] + square[3]) / 2.0

    def tiled():
        points = [(cx + ((x + 0.5) / 100 - 0.5 + i) * side, cy - ((y + 0.5) / 100 - 0.5) * side)
                  for i in (-1, 0, 1) for x, y in ((25, 50), (75, 90), (55, 55))]
        return ed.pixels(points) == [RED, WHITE, WHITE] * 3
    ed.wait("three tiles across", tiled)
    print("ok: View > Tile preview shows the texture 3 x 3")

    ed.tap("ctrl+q")
    if ed.process.wait(timeout=30) != 0:
        raise Failure("Ctrl+Q: exit status %d" % ed.process.returncode)
    if not glob.glob(copies):
        raise Failure("unsaved work closed without a recovery copy")
    print("ok: Ctrl+Q quit at once, keeping the unsaved work for the next start")


def installed(ed, examples):
    """An installed tavelin, run through a link by an unprivileged user: the
    editor is found beside the real executable and --edit opens the
    project as File > Open does (into the recent list)."""
    project = os.path.join(examples, "gradient_family.pcg")
    ed.start(args=["--edit", project])
    recent = ed.path("state/orvane/recent-projects")
    ed.wait("the project in the recent list", lambda: os.path.exists(recent) and project in ed.read(recent))
    ed.close()
    print("ok: the installed editor opened %s" % project)


if __name__ == "__main__":
    sys.exit(main({"basics": basics, "panels": panels, "extras": extras, "export": export, "work": work,
                 "installed": installed},
                  __doc__))
