# Drives the editor in a real window on a virtual X server.
#
# An Editor is a copy of tavelin and tavelin-editor in a fresh work dir (so
# "pcgOutput.png" lands there) with its own Xvfb, a state dir inside the work
# dir and a stand-in `zenity` first on PATH that logs its arguments and
# answers with the line of the file "reply". Coordinates are window pixels,
# top-left origin. Every wait polls with a deadline; a failure keeps the work
# dir with the last screenshot and the editor's logs.
import os, re, select, shutil, subprocess, sys, tempfile, time  # noqa: E401

SKIP = 77
TITLE = "Orvane Procedural Texture Editor"
XVFB = ["Xvfb", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset", "-displayfd"]
STAND_IN = r"""#!/bin/sh
printf '%s\0' "$@" >> "$STANDIN_DIR/log" && printf '\001' >> "$STANDIN_DIR/log"
head -n 1 "$STANDIN_DIR/reply"
"""


class Failure(Exception):
    pass


class Skip(Exception):
    pass


def start_xvfb():
    """Returns (process, display name); Skip when Xvfb cannot start."""
    read_fd, write_fd = os.pipe()
    try:
        process = subprocess.Popen(XVFB + [str(write_fd)], pass_fds=(write_fd,), stdout=subprocess.DEVNULL,
                                   stderr=subprocess.PIPE)
    except OSError as error:
        raise Skip("Xvfb could not be run: %s" % error)
    finally:
        os.close(write_fd)
    with os.fdopen(read_fd, "rb") as pipe:  # the display number, or end of file when Xvfb gives up
        number = pipe.readline().strip() if select.select([pipe], [], [], 30)[0] else b""
    if not number.isdigit():
        process.kill()
        raise Skip("Xvfb did not start: %s" % process.communicate()[1].decode(errors="replace")[-2000:])
    return process, ":" + number.decode()


def find_window(window):
    try:
        name = window.get_wm_name()
        if isinstance(name, str) and name.startswith(TITLE):
            return window
        children = window.query_tree().children
    except Exception:  # a window that vanished meanwhile
        return None
    return next((found for found in map(find_window, children) if found is not None), None)


class Editor:
    # editor "-": run tavelin where it is (an installed one) instead of a copy.
    def __init__(self, tavelin, editor, name):
        self.workdir = tempfile.mkdtemp(prefix="orvane_window_%s_" % name)
        self.tavelin, self.output = self.path("tavelin"), self.path("pcgOutput.png")
        if editor == "-":
            self.tavelin = tavelin
        else:
            shutil.copy2(tavelin, self.tavelin)
            shutil.copy2(editor, self.path(os.path.basename(editor)))
        os.mkdir(self.path("bin"))
        with open(self.path("bin", "zenity"), "w") as f:
            f.write(STAND_IN)
        os.chmod(self.path("bin", "zenity"), 0o755)
        self.process = self.xvfb = None

    def path(self, *parts):
        return os.path.join(self.workdir, *parts)

    def read(self, name, binary=False):
        with open(self.path(name), "rb") if binary else open(self.path(name), errors="replace") as f:
            return f.read()

    def render(self, *args):
        """The bytes of pcgOutput.png written by a headless run of the copy."""
        subprocess.run([self.tavelin, *args], cwd=self.workdir, check=True, timeout=60, stdout=subprocess.DEVNULL)
        data = self.read(self.output, binary=True)
        os.remove(self.output)
        return data

    def answer(self, line):
        """What the stand-in chooser answers from now on."""
        with open(self.path("reply"), "w") as f:
            f.write(line + "\n")

    def calls(self):
        """The stand-in chooser's calls so far, each a list of its arguments."""
        log = self.read("log", binary=True).decode() if os.path.exists(self.path("log")) else ""
        return [call.split("\0")[:-1] for call in log.split("\1")[:-1]]

    def start(self, reply="", args=()):
        """Starts Xvfb and the editor (with these arguments) and waits for its window."""
        self.answer(reply)
        if self.xvfb is None:  # a second start (after a crash) keeps the X server
            self.xvfb, display = start_xvfb()
            from Xlib import display as xdisplay
            self.env = dict(os.environ, DISPLAY=display, STANDIN_DIR=self.workdir, XDG_STATE_HOME=self.path("state"),
                            ORVANE_EDITOR_STATS="1", PATH=self.path("bin") + os.pathsep + os.environ.get("PATH", ""))
            self.env.pop("WAYLAND_DISPLAY", None)
            self.x = xdisplay.Display(display)
        with open(self.path("stdout.txt"), "wb") as out, open(self.path("stderr.txt"), "wb") as err:
            self.process = subprocess.Popen([self.tavelin, *args], cwd=self.workdir, env=self.env, stdout=out,
                                            stderr=err)
        self.window = self.wait("the editor window", lambda: find_window(self.x.screen().root), timeout=60)
        self.box()

    def alive(self):
        if self.process is not None and self.process.poll() is not None:
            raise Failure("the editor exited early with status %d: %s"
                         % (self.process.returncode, self.read("stderr.txt")[-2000:]))

    # Calls check() until it returns a true value, which it returns. A Failure
    # raised by check() is retried and reported at the deadline; the editor's
    # exit ends the wait at once.
    def wait(self, what, check, timeout=30.0, interval=0.05):
        deadline, last = time.monotonic() + timeout, None
        while True:
            try:
                self.alive()
                result = check()
                if result:
                    return result
            except Failure as error:
                if self.process is not None and self.process.poll() is not None:
                    raise
                last = error
            if time.monotonic() > deadline:
                raise Failure("timed out waiting for %s%s" % (what, ": %s" % last if last else ""))
            time.sleep(interval)

    def box(self):
        """Measures the window: sets its origin on the screen, returns its size."""
        geometry = self.window.get_geometry()
        position = self.x.screen().root.translate_coords(self.window, 0, 0)
        self.origin, self.size = (position.x, position.y), (geometry.width, geometry.height)
        return self.size

    def screenshot(self):
        """Takes a screenshot; returns pixel(x, y) -> (r, g, b) reading it."""
        self.alive()
        subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:" + self.path("screen.ppm")], env=self.env,
                       check=True, timeout=60, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        raw, origin = self.read("screen.ppm", binary=True), self.origin
        header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", raw)
        if header is None:
            raise Failure("unexpected screenshot format %r" % raw[:20])
        width, height, data = int(header[1]), int(header[2]), raw[header.end():]

        def pixel(x, y):
            x, y = int(x) + origin[0], int(y) + origin[1]
            if not (0 <= x < width and 0 <= y < height):
                raise Failure("pixel (%d, %d) is off the screen" % (x, y))
            return tuple(data[(y * width + x) * 3:(y * width + x) * 3 + 3])
        return pixel

    def pixels(self, points):
        """The colours at points (x, y) of a fresh screenshot."""
        pixel = self.screenshot()
        return [pixel(x, y) for x, y in points]

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True, timeout=30)

    def move(self, x, y):
        """Puts the pointer there and hovers for a few frames."""
        target = (self.origin[0] + x, self.origin[1] + y)
        pointer = self.x.screen().root.query_pointer()
        if (pointer.root_x, pointer.root_y) != target:  # --sync waits for a motion that staying put never makes
            self.xdotool("mousemove", "--sync", *target)
        time.sleep(0.2)

    def click(self, x=None, y=None):
        """Clicks there, or where the pointer is."""
        if x is not None:
            self.move(x, y)
        self.xdotool("click", "1")
        time.sleep(0.3)

    def title(self):
        return self.window.get_wm_name()

    def tap(self, keys):
        """Presses and releases keys at once (no delay: both within one frame),
        with the pointer on an empty spot of the queue panel."""
        self.move(250, self.size[1] - 100)
        self.xdotool("windowfocus", self.window.id)
        self.xdotool("key", "--delay", 0, keys)
        time.sleep(0.3)

    # Holds keys, with the pointer on an empty spot of the queue panel, until
    # until() is true (Space writes on every frame while held).
    def hold(self, keys, what, until, timeout=30.0, interval=0.05):
        self.move(250, self.size[1] - 100)
        self.xdotool("windowfocus", self.window.id)
        self.xdotool("keydown", keys)
        try:
            self.wait(what, until, timeout, interval)
        finally:
            self.xdotool("keyup", keys)

    def export(self):
        """Holds Space until the editor writes pcgOutput.png; returns its bytes."""
        if os.path.exists(self.output):
            os.remove(self.output)
        self.hold("space", "pcgOutput.png", lambda: os.path.exists(self.output) and os.path.getsize(self.output) > 0)
        time.sleep(0.1)  # the last write of the held key has finished
        return self.read(self.output, binary=True)

    # Closes the window as a window manager does; checks for exit status 0 and
    # a clean shutdown and returns the editor's (stdout, stderr).
    def close(self):
        from Xlib import X
        from Xlib.protocol import event
        atom = self.x.intern_atom
        self.window.send_event(event.ClientMessage(window=self.window, client_type=atom("WM_PROTOCOLS"), data=(
            32, [atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0])), event_mask=X.NoEventMask)
        self.x.flush()
        try:
            status = self.process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            raise Failure("the editor did not exit after WM_DELETE_WINDOW")
        stdout, stderr = self.read("stdout.txt"), self.read("stderr.txt")
        print("".join(line + "\n" for line in stderr.splitlines() if line.startswith("Editor stats:")), end="")
        if status != 0:
            raise Failure("exit status %d after closing, expected 0; stderr: %s" % (status, stderr[-2000:]))
        for bad in ("Failed to shutdown ImGui", "Failed to shutdown GLFW"):
            if bad in stderr:
                raise Failure("shutdown reported %r" % bad)
        return stdout, stderr

    def tear_down(self, keep):
        for process, end in ((self.process, "kill"), (self.xvfb, "terminate")):
            if process is not None and process.poll() is None:
                getattr(process, end)()
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        if not keep:
            shutil.rmtree(self.workdir, ignore_errors=True)


def main(scenarios, usage):
    """Runs the scenario the last argument names; 77 (skipped) only when Xvfb cannot start."""
    if len(sys.argv) != 5 or sys.argv[4] not in scenarios:
        print(usage)
        return 2
    editor, status = Editor(sys.argv[1], sys.argv[2], sys.argv[4]), 1
    try:
        scenarios[sys.argv[4]](editor, os.path.abspath(sys.argv[3]))
        status = 0
    except Skip as why:
        print("SKIPPED: %s" % why)
        status = SKIP
    except Failure as error:
        print("FAILED: %s" % error)
    finally:
        if status == 1:
            print("last screenshot and logs kept in %s" % editor.workdir)
        editor.tear_down(keep=status == 1)
    return status
