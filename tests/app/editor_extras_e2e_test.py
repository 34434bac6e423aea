#!/usr/bin/python3
"""Undo, the seed gallery and the recent list in a real window on a virtual X server.

Renders a seed family project headless for its stored seed and for one
gallery seed, then starts the editor (a copy in a temporary directory, its
state directory there too, a stand-in `zenity` first on PATH that answers
with the project), opens the project with Ctrl+O and checks the Space export
equals the headless render; opens View > Seed Gallery, clicks the sixth
thumbnail (after pressing the queue panel beside the gallery, which stays on
top) and checks the export equals the headless render of that seed
(the gallery open does not disturb the main preview's pixels); presses
Ctrl+Z once and checks the export is back to the stored seed's. Opens a
slow project and sees "generating..." appear over the preview and go. After
the window is closed, the recent list in the state directory names both
projects, newest first.

Exit status 77 (skipped) only when Xvfb cannot be started at all.

usage: editor_extras_e2e_test.py TAVELIN EDITOR_MODULE FAMILY_PROJECT
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import editor_e2e_test as shell  # noqa: E402  (window, screenshot and preview helpers)

SKIP = 77
STAND_IN = r"""#!/bin/sh
IFS= read -r line < "$STANDIN_DIR/reply"
printf '%s\n' "$line"
"""
THUMBNAIL = 5  # the sixth: stored seed + 5


def first_seed(path):
    """The stored value of the first parameter named Seed in a project file."""
    with open(path, "rb") as f:
        data = f.read()
    pos = 5

    def slot():
        nonlocal pos
        value = int.from_bytes(data[pos:pos + 8], "big")
        pos += 8
        return value
    for _ in range(slot() & 0xFFFFFFFF):
        slot()
        for _ in range(slot() & 0xFFFFFFFF):
            length = slot() & 0xFFFFFFFF
            name = data[pos:pos + length]
            pos += length
            value = slot()
            if slot() & 0xFF:
                pos += 16
            if name == b"Seed":
                return value
    raise shell.Failure("no Seed in %s" % path)


def slot32(value):
    return (0xFFFFFFFF00000000 | value).to_bytes(8, "big")


def synthesis_instruction():
    """Synthesize Texture (type 19) over the whole raster, patch 3, overlap 1."""
    int32 = 0xFFFFFFFF00000000
    parameters = (("Donor_Layer", 0), ("Donor_Select_Point1X", int32), ("Donor_Select_Point1_Y", int32),
                  ("Donor_Select_Point2_X", int32 | 99), ("Donor_Select_Point2_Y", int32 | 99),
                  ("Quilt_Overlap", int32 | 1), ("Quilt_Size", int32 | 3), ("Cut_Edge", int32),
                  ("Transfer_Texture", int32))
    out = slot32(19) + slot32(len(parameters))
    for name, payload in parameters:
        out += slot32(len(name)) + name.encode() + payload.to_bytes(8, "big") + \
            (0xFFFFFFFFFFFFFF00).to_bytes(8, "big")
    return out


def bright_runs(values, gap=6):
    """(first, last) index runs of true values, merging runs closer than gap."""
    runs = []
    for i, on in enumerate(values):
        if not on:
            continue
        if runs and i - runs[-1][1] <= gap:
            runs[-1][1] = i
        else:
            runs.append([i, i])
    return runs


def is_text(pixel):
    return min(pixel) > 150


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    tavelin_built, module_built, family_built = sys.argv[1:4]
    workdir = tempfile.mkdtemp(prefix="orvane_extras_e2e_")
    tavelin = os.path.join(workdir, "tavelin")
    shutil.copy2(tavelin_built, tavelin)
    shutil.copy2(module_built, os.path.join(workdir, os.path.basename(module_built)))
    family = os.path.join(workdir, "family.pcg")
    shutil.copy2(family_built, family)
    bindir = os.path.join(workdir, "bin")
    os.mkdir(bindir)
    with open(os.path.join(bindir, "zenity"), "w") as f:
        f.write(STAND_IN)
    os.chmod(os.path.join(bindir, "zenity"), 0o755)
    with open(os.path.join(workdir, "reply"), "w") as f:
        f.write(family + "\n")
    # The family followed by twenty Synthesize Texture instructions quilting
    # the whole raster from 3-pixel patches: a generation of a few seconds.
    slow = os.path.join(workdir, "slow.pcg")
    with open(family, "rb") as f:
        data = f.read()
    count = int.from_bytes(data[5:13], "big") & 0xFFFFFFFF
    with open(slow, "wb") as f:
        f.write(data[:5] + slot32(count + 20) + data[13:] + synthesis_instruction() * 20)
    state = os.path.join(workdir, "state")
    shot_path = os.path.join(workdir, "screen.ppm")
    export = os.path.join(workdir, "pcgOutput.png")

    stored = first_seed(family)
    chosen = stored + THUMBNAIL
    references = {}
    for seed in (stored, chosen):
        subprocess.run([tavelin, family, str(seed)], cwd=workdir, check=True, timeout=60,
                       stdout=subprocess.DEVNULL)
        with open(export, "rb") as f:
            references[seed] = f.read()
        os.remove(export)
    if references[stored] == references[chosen]:
        print("FAILED: the project's seeds %d and %d render alike; it cannot show a family" % (stored, chosen))
        return 1

    server = shell.start_xvfb()
    if server is None:
        print("SKIPPED: Xvfb cannot start here")
        return SKIP
    xvfb, display_name = server
    editor = None
    keep = False
    try:
        from Xlib import display as xdisplay
        env = dict(os.environ, DISPLAY=display_name, STANDIN_DIR=workdir, XDG_STATE_HOME=state,
                   PATH=bindir + os.pathsep + os.environ.get("PATH", "/usr/bin:/bin"))
        env.pop("WAYLAND_DISPLAY", None)
        x = xdisplay.Display(display_name)
        err = open(os.path.join(workdir, "stderr.txt"), "wb")
        editor = subprocess.Popen([tavelin], cwd=workdir, env=env, stdout=subprocess.DEVNULL, stderr=err)

        def alive():
            if editor.poll() is not None:
                raise shell.Failure("the editor exited early with status %d: %s" % (
                    editor.returncode, open(err.name, errors="replace").read()[-2000:]))

        def window_up():
            alive()
            return shell.find_window(x, shell.TITLE)
        window = shell.poll("the editor window", window_up, timeout=60)
        origin, size = shell.window_box(x, window)

        def xdotool(*args):
            subprocess.run(["xdotool"] + [str(a) for a in args], env=env, check=True, timeout=30)

        def click(at):
            xdotool("mousemove", "--sync", origin[0] + at[0], origin[1] + at[1])
            time.sleep(0.2)
            xdotool("click", "1")
            time.sleep(0.3)

        def key(name):
            xdotool("mousemove", "--sync", origin[0] + 250, origin[1] + 700)  # over the empty queue panel
            xdotool("windowfocus", window.id)
            # Held for a while: a press and release within one frame would go unseen.
            xdotool("keydown", name)
            time.sleep(0.4)
            xdotool("keyup", name)
            time.sleep(0.2)

        def preview_default():
            alive()
            return shell.check_preview(shell.screenshot(env, shot_path), origin, size)
        menu_h = shell.poll("the default queue's preview", lambda: preview_default() is not None, timeout=60)
        menu_h = preview_default()
        print("ok: default preview shown")

        def export_is(seed):
            """Holds Space until pcgOutput.png appears, then compares it."""
            alive()
            if os.path.exists(export):
                os.remove(export)
            xdotool("windowfocus", window.id)
            xdotool("keydown", "space")
            try:
                shell.poll("pcgOutput.png", lambda: alive() or (os.path.exists(export) and os.path.getsize(export)))
                time.sleep(0.05)
            finally:
                xdotool("keyup", "space")
            time.sleep(0.1)  # the last write of the held key has finished
            with open(export, "rb") as f:
                return f.read() == references[seed]

        key("ctrl+o")
        shell.poll("the opened project's preview (seed %d)" % stored, lambda: export_is(stored), timeout=60)
        print("ok: Ctrl+O opened the family project; preview equals its headless render")

        # "View" is the third word of the menu bar.
        screen = shell.screenshot(env, shot_path)
        band = range(origin[1] + 2, origin[1] + menu_h - 2)
        columns = [any(is_text(screen.pixel(origin[0] + c, y)) for y in band) for c in range(0, 400)]
        words = bright_runs(columns, gap=10)  # letters lie closer, menus 16 pixels apart
        if len(words) != 3:
            raise shell.Failure("menu bar words at %r, expected File, Edit, View" % words)
        view = words[2]
        click(((view[0] + view[1]) // 2, menu_h // 2))
        screen = shell.screenshot(env, shot_path)
        rows = [any(is_text(screen.pixel(origin[0] + c, origin[1] + y)) for c in range(view[0], view[0] + 60))
                for y in range(menu_h, menu_h + 80)]
        items = bright_runs(rows, gap=3)
        if not items:
            raise shell.Failure("the View menu did not open")
        click((view[0] + 30, menu_h + (items[0][0] + items[0][1]) // 2))

        # The gallery's first placement: (20, 60) into the work area; title bar
        # 19, padding 8, one text line 17; thumbnails 80 x 78 framed, pitch 88 x 99.
        k = THUMBNAIL
        thumb = (20 + 8 + (k % 4) * 88 + 40, menu_h + 60 + 19 + 8 + 17 + (k // 4) * 99 + 39)

        def thumbnail_pixels():
            alive()
            screen = shell.screenshot(env, shot_path)
            return [screen.pixel(origin[0] + thumb[0] + dx, origin[1] + thumb[1] + dy)
                    for dx in range(-30, 31, 3) for dy in range(-30, 31, 3)]
        shell.poll("the gallery's thumbnails", lambda: len(set(thumbnail_pixels())) >= 3, timeout=60)
        shown = thumbnail_pixels()
        # Pressing the queue panel beside the gallery (an empty spot) keeps the gallery above it.
        click((420, 650))
        if thumbnail_pixels() != shown:
            raise shell.Failure("the gallery went behind the queue panel")
        click(thumb)
        shell.poll("the preview of the clicked seed %d" % chosen, lambda: export_is(chosen), timeout=60)
        print("ok: clicking thumbnail %d set seed %d; with the gallery open the preview equals the headless "
              "render" % (THUMBNAIL, chosen))

        key("ctrl+z")
        shell.poll("Ctrl+Z to bring back seed %d" % stored, lambda: export_is(stored), timeout=60)
        print("ok: one Ctrl+Z undid the gallery click")

        # A queue that takes well over 100 ms: "generating..." shows at the
        # lower-left corner of the preview's quarter, then goes.
        with open(os.path.join(workdir, "reply"), "w") as f:
            f.write(slow + "\n")
        work_w, work_h = size[0], size[1] - menu_h
        # Left of the preview square, where only the indicator's text can be bright.
        spot = (int(work_w * 0.5) + 12, menu_h + int(work_h * 0.5) - 30, int(work_w * 0.5) + 40,
                menu_h + int(work_h * 0.5) - 12)

        def indicator_shown():
            alive()
            screen = shell.screenshot(env, shot_path)
            return any(is_text(screen.pixel(origin[0] + px, origin[1] + py))
                       for px in range(spot[0], spot[2]) for py in range(spot[1], spot[3]))
        if indicator_shown():
            raise shell.Failure("an indicator shows while nothing is generating")
        # Looked for from the moment the keys go down.
        xdotool("mousemove", "--sync", origin[0] + 250, origin[1] + 700)
        xdotool("windowfocus", window.id)
        xdotool("keydown", "ctrl+o")
        try:
            shell.poll("the generating indicator", indicator_shown, timeout=60, interval=0.01)
        finally:
            xdotool("keyup", "ctrl+o")
        shell.poll("the generating indicator to go", lambda: not indicator_shown(), timeout=120)
        print("ok: \"generating...\" showed during a long generation and went afterwards")

        shell.send_delete_window(x, window)
        if editor.wait(timeout=30) != 0:
            raise shell.Failure("editor exit status %d" % editor.returncode)
        recent = os.path.join(state, "orvane", "recent-projects")
        with open(recent) as f:
            lines = f.read().splitlines()
        if lines[1:] != [slow, family]:
            raise shell.Failure("recent list %r, expected the opened projects, newest first" % lines)
        if os.path.exists(os.path.join(workdir, "recent-projects")):
            raise shell.Failure("a recent list beside the executable")
        print("ok: the recent list in the state directory names both projects, newest first")
        return 0
    except shell.Failure as error:
        keep = True
        print("FAILED: %s" % error)
        print("screenshot and logs kept in %s" % workdir)
        return 1
    finally:
        shell.tear_down(editor, xvfb, workdir, keep)


if __name__ == "__main__":
    sys.exit(main())
