"""The desktop the user journeys run on: a private X server (Xvfb) with a window manager
(openbox); the real program started in a throwaway home, prefix and temporary folder; real keys
and clicks through xdotool; and what the program shows, read from the probe preloaded into it
(libjourney_probe.so writes the windows, controls, rows and selections as JSON)."""

import json
import os
import resource
import shutil
import subprocess
import tempfile
import time

# How long a journey waits for the program to show what it expects.
WAIT_SECONDS = 20
POLL_SECONDS = 0.05
# The soft limit of open files a desktop session starts with.
DESKTOP_OPEN_FILES = 1024


class Desktop:
    """Xvfb and openbox on a display of their own, chosen among the free ones above 300 so that
    displays people use by hand stay free."""

    def __init__(self):
        self.processes = []
        # The window manager's own home, so nothing of the real user's is read or written.
        self.home = tempfile.mkdtemp(prefix="pakrune-desktop.")
        for number in range(300, 400):
            if os.path.exists(f"/tmp/.X{number}-lock"):
                continue
            server = subprocess.Popen(
                ["Xvfb", f":{number}", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.display = f":{number}"
            if self._wait(lambda: os.path.exists(f"/tmp/.X11-unix/X{number}") or
                          server.poll() is not None) and server.poll() is None:
                self.processes.append(server)
                break
            server.kill()
            server.wait()
        else:
            self.close()
            raise RuntimeError("no free X display between :300 and :399")
        # openbox once the server takes clients, again should it end before it manages windows.
        if not self._wait(lambda: self._root_property().returncode == 0):
            self.close()
            raise RuntimeError("Xvfb does not answer on " + self.display)
        for _ in range(3):
            manager = subprocess.Popen(["openbox"], env=self.env(), stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
            self.processes.append(manager)
            if self._wait(lambda: b"window id" in self._root_property().stdout or
                          manager.poll() is not None) and manager.poll() is None:
                return
        self.close()
        raise RuntimeError("openbox did not start on " + self.display)

    def _root_property(self):
        return subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env(),
                              capture_output=True)

    @staticmethod
    def _wait(condition, seconds=10):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if condition():
                return True
            time.sleep(POLL_SECONDS)
        return False

    def env(self):
        return {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "DISPLAY": self.display,
                "HOME": self.home, "XDG_CONFIG_HOME": self.home + "/.config",
                "XDG_CACHE_HOME": self.home + "/.cache", "XDG_DATA_HOME": self.home + "/.local"}

    def xdotool(self, *arguments):
        subprocess.run(["xdotool", *arguments], env=self.env(), check=True)

    def close(self):
        for process in reversed(self.processes):
            process.terminate()
            process.wait()
        self.processes = []
        shutil.rmtree(self.home, ignore_errors=True)


class JourneyFailure(AssertionError):
    pass


class Program:
    """The real program in a machine of its own: a temporary folder holding the home (with
    Downloads, as a desktop makes it), the prefix and the shared temporary folder ($TMPDIR),
    removed afterwards."""

    def __init__(self, desktop, program, probe, lang):
        self.desktop, self.program, self.probe_library, self.lang = desktop, program, probe, lang
        self.root = tempfile.mkdtemp(prefix="pakrune-journey.")
        self.home = os.path.join(self.root, "home")
        self.prefix = os.path.join(self.root, "prefix")
        self.tmp = os.path.join(self.root, "tmp")
        self.probe = os.path.join(self.root, "probe.json")
        for folder in (self.home + "/Downloads", self.tmp, self.root + "/run"):
            os.makedirs(folder)
        os.chmod(self.root + "/run", 0o700)
        self.process = None
        self.log = open(os.path.join(self.root, "program.log"), "w+b")

    def start(self, *arguments):
        if os.path.exists(self.probe):
            os.remove(self.probe)
        env = self.desktop.env()
        env.update(LANG=self.lang, LC_ALL=self.lang, HOME=self.home, PAKRUNE_PREFIX=self.prefix,
                   TMPDIR=self.tmp, XDG_CONFIG_HOME=self.home + "/.config",
                   XDG_DATA_HOME=self.home + "/.local/share", XDG_RUNTIME_DIR=self.root + "/run",
                   QT_QPA_PLATFORM="xcb", LD_PRELOAD=self.probe_library,
                   PAKRUNE_JOURNEY_PROBE=self.probe)

        def desktop_limits():
            soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
            limit = DESKTOP_OPEN_FILES if hard == resource.RLIM_INFINITY else min(
                DESKTOP_OPEN_FILES, hard)
            resource.setrlimit(resource.RLIMIT_NOFILE, (limit, hard))

        self.process = subprocess.Popen([self.program, *arguments], env=env, cwd=self.home,
                                        stdout=self.log, stderr=subprocess.STDOUT,
                                        preexec_fn=desktop_limits)
        self.wait("the main window appears", lambda: self.window("TMainForm"))

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def ended(self, description):
        """Waits for the program to end by itself."""
        deadline = time.monotonic() + WAIT_SECONDS
        while self.process.poll() is None:
            if time.monotonic() > deadline:
                self.fail(f"Pakrune did not end after {description}")
            time.sleep(POLL_SECONDS)

    def remove(self):
        self.stop()
        self.log.close()
        shutil.rmtree(self.root, ignore_errors=True)

    # What the program shows.

    def state(self):
        try:
            with open(self.probe, encoding="utf-8") as file:
                return json.load(file)
        except (FileNotFoundError, json.JSONDecodeError):
            return {"windows": [], "progress": {}, "focus": ""}

    def window(self, cls, title=None, state=None):
        """A visible window of this class or object name (and title)."""
        for shown in (state or self.state())["windows"]:
            if cls in (shown["class"], shown["name"]) and (title is None or shown["title"] == title):
                return shown
        return None

    def wait(self, description, condition, seconds=WAIT_SECONDS):
        """Waits until condition() gives something true and returns it."""
        deadline = time.monotonic() + seconds
        while True:
            result = condition()
            if result:
                return result
            if self.process.poll() is not None:
                self.fail(f"Pakrune ended (exit status {self.process.returncode}) before "
                          f"{description}")
            if time.monotonic() > deadline:
                self.fail(f"{description}: not seen within {seconds} s")
            time.sleep(POLL_SECONDS)

    def active(self, cls, title=None):
        """Waits until a window of this class (and title) is the active one, and returns it."""
        what = f"the window {cls}" + (f" '{title}'" if title else "") + " becomes active"

        def shown():
            found = self.window(cls, title)
            return found if found and found["active"] else None
        return self.wait(what, shown)

    def message(self, starts_with):
        """Waits for a message box whose text starts so, and returns its text."""
        def text():
            for shown in self.state()["windows"]:
                if shown["class"] == "QMessageBox" and shown["active"]:
                    for widget in shown["widgets"]:
                        if widget["name"] == "qt_msgbox_label" and \
                                widget["text"].startswith(starts_with):
                            return widget["text"]
            return None
        return self.wait(f"a message box saying '{starts_with}...' is shown", text)

    def messages(self):
        """The texts of every message box shown now."""
        return [widget["text"] for shown in self.state()["windows"]
                if shown["class"] == "QMessageBox" for widget in shown["widgets"]
                if widget["name"] == "qt_msgbox_label"]

    def view(self, window, name):
        for view in window["views"]:
            if view["name"] == name:
                return view
        raise JourneyFailure(f"{window['class']} shows no list or tree {name}")

    def widget(self, window, name=None, text=None, cls=None):
        for widget in window["widgets"]:
            if (name is None or widget["name"] == name) and \
                    (text is None or widget.get("text") == text) and \
                    (cls is None or widget["class"] == cls):
                return widget
        raise JourneyFailure(f"{window['class']} shows no control" +
                             (f" {name}" if name else "") + (f" '{text}'" if text else ""))

    def rows(self, window_class="TMainForm", view="ListView1"):
        """The cells of the rows of a list, row by row."""
        window = self.window(window_class)
        return [row["cells"] for row in self.view(window, view)["rows"]] if window else []

    def progress_peak(self, bar="MainForm/ProgressBar1"):
        return self.state()["progress"].get(bar, {}).get("peak", 0)

    def describe(self):
        """What the program shows, for a failure's message."""
        state = self.state()
        lines = []
        for shown in state["windows"]:
            lines.append(f"  window {shown['class']} '{shown['title']}'" +
                         (" (active)" if shown["active"] else ""))
            for widget in shown["widgets"]:
                if widget["name"] == "qt_msgbox_label":
                    lines.append(f"    says: {widget['text']}")
            for view in shown["views"]:
                if "rows" in view:
                    cells = [" | ".join(row["cells"]) for row in view["rows"][:8]]
                    lines.append(f"    list {view['name']} ({view['rowCount']} rows): " +
                                 "; ".join(cells))
        self.log.seek(0)
        output = self.log.read().decode(errors="replace").strip()
        if output:
            lines.append("  its output:\n    " + output[-2000:].replace("\n", "\n    "))
        return "\n".join(lines) if lines else "  nothing (no probe written)"

    def fail(self, what):
        raise JourneyFailure(f"{what}.\nWhat Pakrune shows:\n{self.describe()}")

    # Input, as a user gives it.

    def key(self, *keys):
        self.desktop.xdotool("key", "--clearmodifiers", *keys)

    def type(self, text):
        self.desktop.xdotool("type", "--delay", "15", "--", text)

    def click(self, place, double=False, with_key=None):
        """Clicks the middle of a place shown by the probe (a rect [x, y, width, height])."""
        x, y = place["rect"][0] + place["rect"][2] // 2, place["rect"][1] + place["rect"][3] // 2
        # A move waited for (--sync) to where the pointer already is would wait for nothing.
        where = subprocess.run(["xdotool", "getmouselocation", "--shell"], env=self.desktop.env(),
                               capture_output=True, text=True, check=True).stdout.split()
        if f"X={x}" not in where or f"Y={y}" not in where:
            self.desktop.xdotool("mousemove", "--sync", str(x), str(y))
        if with_key:
            self.desktop.xdotool("keydown", with_key)
        self.desktop.xdotool("click", *(["--repeat", "2", "--delay", "80"] if double else []),
                             "1")
        if with_key:
            self.desktop.xdotool("keyup", with_key)

    def click_control(self, window_class, name=None, text=None):
        window = self.wait(f"the window {window_class} is shown",
                           lambda: self.window(window_class))
        self.click(self.widget(window, name=name, text=text))
