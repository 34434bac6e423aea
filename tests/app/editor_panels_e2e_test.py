#!/usr/bin/python3
"""The editor's panels and File menu in a real window on a virtual X server.

Starts the editor (a copy in a temporary directory) with a stand-in `zenity`
first on PATH, waits for the default queue's preview, then through the
"##RasterFunctions" combo and the "Add Instruction" button appends "Clear
Selection" and "Fill" (white over everything) and waits for the preview to
turn white. Ctrl+S saves through the stand-in chooser (checked: one call with
the save arguments), File > Save writes the same file again without asking,
and the saved project rendered by the headless command line is all white.

Click positions are the panels' layout for a 1000 x 800 window with the
default font (the same layout the ImGui-driven panel tests run).
Exit status 77 (skipped) only when Xvfb cannot be started at all.

usage: editor_panels_e2e_test.py TAVELIN EDITOR_MODULE
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
WHITE = (255, 255, 255)

# Window-relative positions (pixels) with the default five-row queue. Every
# added row moves the button and the combo down by one row pitch.
ROW_PITCH = 35
ADD_BUTTON = (50, 281)
COMBO = (200, 275)
COMBO_FIRST_ITEM_Y = 299  # centre of the first entry of the open list
COMBO_ITEM_PITCH = 17
FILE_MENU = (15, 13)
FILE_SAVE = (40, 84)

STAND_IN = r"""#!/bin/sh
printf '%s\0' "$@" >> "$STANDIN_DIR/log"
printf '\001' >> "$STANDIN_DIR/log"
IFS= read -r line < "$STANDIN_DIR/reply"
printf '%s\n' "$line"
"""


def chooser_calls(workdir):
    path = os.path.join(workdir, "log")
    if not os.path.exists(path):
        return []
    with open(path, "rb") as f:
        raw = f.read().decode()
    return [call.split("\0")[:-1] for call in raw.split("\1")[:-1]]


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    tavelin_built, module_built = sys.argv[1:3]
    workdir = tempfile.mkdtemp(prefix="orvane_panels_e2e_")
    tavelin = os.path.join(workdir, "tavelin")
    shutil.copy2(tavelin_built, tavelin)
    shutil.copy2(module_built, os.path.join(workdir, os.path.basename(module_built)))
    bindir = os.path.join(workdir, "bin")
    os.mkdir(bindir)
    with open(os.path.join(bindir, "zenity"), "w") as f:
        f.write(STAND_IN)
    os.chmod(os.path.join(bindir, "zenity"), 0o755)
    saved = os.path.join(workdir, "saved.pcg")
    with open(os.path.join(workdir, "reply"), "w") as f:
        f.write(saved + "\n")
    shot_path = os.path.join(workdir, "screen.ppm")

    server = shell.start_xvfb()
    if server is None:
        print("SKIPPED: Xvfb cannot start here")
        return SKIP
    xvfb, display_name = server
    editor = None
    keep = False
    try:
        from Xlib import display as xdisplay
        env = dict(os.environ, DISPLAY=display_name, STANDIN_DIR=workdir,
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

        def move(at, rows_added=0):
            # --sync waits for a motion event: never use it to stay in place.
            xdotool("mousemove", "--sync", origin[0] + at[0], origin[1] + at[1] + rows_added * ROW_PITCH)
            time.sleep(0.2)  # a few frames of hovering

        def click_here():
            xdotool("click", "1")
            time.sleep(0.3)

        def click(at, rows_added=0):
            move(at, rows_added)
            click_here()

        def preview_default():
            alive()
            return shell.check_preview(shell.screenshot(env, shot_path), origin, size)
        menu_h = shell.poll("the default queue's preview", lambda: preview_default() is not None, timeout=60)
        menu_h = preview_default()
        square = shell.predicted_square(size[0], size[1], menu_h)
        print("ok: default preview shown")

        # "Clear Selection" (catalogue position 4), then "Fill" (position 0).
        # The open list scrolls to the current choice: wheel it back to the top first.
        for rows_added, position in ((0, 4), (1, 0)):
            click(COMBO, rows_added)
            move((COMBO[0], COMBO_FIRST_ITEM_Y + position * COMBO_ITEM_PITCH), rows_added)
            xdotool("click", "--repeat", 10, "--delay", 30, 4)
            time.sleep(0.2)
            click_here()
            click(ADD_BUTTON, rows_added)

        def preview_white():
            alive()
            screen = shell.screenshot(env, shot_path)
            for point in ((25, 50), (55, 55), (75, 90), (97, 97), (2, 2)):  # clear of the overlay
                sx, sy = shell.raster_to_screen(square, origin, *point)
                if screen.pixel(sx, sy) != WHITE:
                    raise shell.Failure("raster pixel %s is %s" % (point, screen.pixel(sx, sy)))
            return True
        shell.poll("the preview to turn white after Clear Selection and Fill", preview_white, timeout=30)
        print("ok: combo and Add Instruction appended Clear Selection and Fill; preview white")

        xdotool("mousemove", "--sync", origin[0] + 250, origin[1] + 600)
        xdotool("windowfocus", window.id)
        # Hold the keys until the file appears: the user interface samples
        # key state once per frame, so a press and release that both fall
        # between two frames of a loaded machine would never be seen.
        xdotool("keydown", "ctrl+s")
        try:
            shell.poll("Ctrl+S to write the chosen file",
                       lambda: alive() or (os.path.exists(saved) and os.path.getsize(saved) > 0), timeout=30)
        finally:
            xdotool("keyup", "ctrl+s")
        calls = chooser_calls(workdir)
        expected = ["--file-selection", "--save", "--confirm-overwrite", "--title=Save Procedural Texture...",
                    "--file-filter=PCG Textures | *.pcg", "--file-filter=Any File | *",
                    "--filename=" + workdir + "/"]
        # The chooser is attached to the editor's window as a modal child.
        if len(calls) != 1 or calls[0][:2] != ["--attach=%d" % window.id, "--modal"] or calls[0][2:] != expected:
            raise shell.Failure("chooser calls: %r (window %d)" % (calls, window.id))
        print("ok: Ctrl+S saved through the chooser")

        with open(saved, "rb") as f:
            first = f.read()
        os.remove(saved)
        click(FILE_MENU)
        click(FILE_SAVE)
        shell.poll("File > Save to rewrite the current project",
                   lambda: alive() or os.path.exists(saved) and os.path.getsize(saved) == len(first), timeout=30)
        if len(chooser_calls(workdir)) != 1:
            raise shell.Failure("File > Save asked again: %r" % chooser_calls(workdir))
        with open(saved, "rb") as f:
            if f.read() != first:
                raise shell.Failure("File > Save wrote different bytes")
        print("ok: File > Save rewrote the current project without asking")

        shell.send_delete_window(x, window)
        if editor.wait(timeout=30) != 0:
            raise shell.Failure("editor exit status %d" % editor.returncode)

        output = os.path.join(workdir, "pcgOutput.png")
        if os.path.exists(output):
            os.remove(output)
        subprocess.run([tavelin, saved], cwd=workdir, check=True, timeout=60,
                       stdout=subprocess.DEVNULL, env=dict(os.environ))
        pixels = subprocess.run(["convert", "png:" + output, "rgba:-"], check=True, timeout=60,
                                capture_output=True).stdout
        if len(pixels) != 100 * 100 * 4 or any(b != 255 for b in pixels):
            raise shell.Failure("headless render of the saved project is not all white (%d bytes)" % len(pixels))
        print("ok: the saved project renders all white headless")
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
