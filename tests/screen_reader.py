"""What a screen reader hears for the main window's value boxes and live table.

Starts copies of the recorder on a display, session bus and accessibility bus
of their own and reads their window through AT-SPI, the desktop's
accessibility interface, as an assistive tool does: every value box is called
by the caption the window shows with it, the table by what it holds, in the
language of the settings file.

    screen_reader.py RECORDER

Exit status 0 passed, 1 failed, 77 skipped (pyatspi, at-spi2-core, Xvfb or
the D-Bus session tools missing).
"""

import importlib.util
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
INSIDE = "--inside"
TIMEOUT_S = 30

# The value boxes in the order the window lays them out, then the table.
BOXES = ["Time", "ACT 1", "MAX 1", "MIN 1", "ACT 2", "MAX 2", "MIN 2"]
TABLE = {
    "Deutsch": "Tabelle der empfangenen Messwerte",
    "English": "Table of received measurements",
    "Francais": "Tableau des mesures re\u00e7ues",
}


def missing_tools():
    missing = []
    if importlib.util.find_spec("pyatspi") is None:
        missing.append("pyatspi (python3-pyatspi) for " + sys.executable)
    services = ["/usr/share/dbus-1/services", "/usr/local/share/dbus-1/services"]
    if not any(os.path.exists(os.path.join(s, "org.a11y.Bus.service")) for s in services):
        missing.append("the accessibility bus (at-spi2-core)")
    for tool, package in (("xvfb-run", "xvfb"), ("dbus-run-session", "dbus-bin"), ("dbus-daemon", "dbus-daemon")):
        if shutil.which(tool) is None:
            missing.append(f"{tool} ({package})")
    return missing


def settings(language):
    # The nine lines of scx.ini: no path, port 1, the language, green on
    # black, 9600 baud, extended mode off.
    return f"\r\n1\r\n{language}\r\n 10 \r\n 0 \r\n9600\r\n\r\n0\r\nReady\r\n".encode("latin-1")


def wait_for(what, look, done=bool):
    """What look() gives once done() holds for it, or at the deadline what
    it gave last."""
    deadline = time.monotonic() + TIMEOUT_S
    found = None
    while time.monotonic() < deadline:
        found = look()
        if found and done(found):
            return found
        time.sleep(0.2)
    if not found:
        raise AssertionError(f"no {what} within {TIMEOUT_S} s")
    return found


def read_window(pyatspi, pid, expected):
    """The names of the shown window's read-only text fields in tree order,
    each with the names of the labels that label it."""

    def application():
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.get_process_id() == pid:
                return app
        return None

    app = wait_for("recorder on the accessibility bus", application)

    def fields():
        found = []
        for frame in app:
            if frame is None or not frame.getState().contains(pyatspi.STATE_SHOWING):
                continue
            for node in pyatspi.utils.findAllDescendants(frame, lambda n: n.getRole() == pyatspi.ROLE_TEXT):
                # The notes are the one text the user writes.
                state = node.getState()
                if not state.contains(pyatspi.STATE_SHOWING) or not state.contains(pyatspi.STATE_READ_ONLY):
                    continue
                labels = [
                    r.getTarget(i).name
                    for r in node.getRelationSet()
                    if r.getRelationType() == pyatspi.RELATION_LABELLED_BY
                    for i in range(r.getNTargets())
                ]
                found.append((node.name, labels))
        return found

    return wait_for("value boxes in a shown window", fields, lambda found: [n for n, _ in found] == expected)


def check_language(pyatspi, recorder, language):
    with tempfile.TemporaryDirectory() as folder:
        program = os.path.join(folder, os.path.basename(recorder))
        shutil.copy2(recorder, program)
        with open(os.path.join(folder, "scx.ini"), "wb") as ini:
            ini.write(settings(language))
        runtime = os.path.join(folder, "run")
        os.mkdir(runtime, 0o700)
        # A runtime folder of its own: no other running copy is found.
        env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", XDG_RUNTIME_DIR=runtime)
        expected = BOXES + [TABLE[language]]
        recorder_process = subprocess.Popen([program], cwd=folder, env=env)
        try:
            fields = read_window(pyatspi, recorder_process.pid, expected)
        finally:
            recorder_process.kill()
            recorder_process.wait()

    failures = []
    for name, labels in fields:
        print(f"{language}: text field {name!r}, labelled by {labels}")
    names = [name for name, _ in fields]
    if names != expected:
        failures.append(f"{language}: read {names}, expected {expected}")
    # The caption first; the input's panel may follow.
    for name, labels in fields[: len(BOXES)]:
        if labels[:1] != [name]:
            failures.append(f"{language}: {name!r} is labelled by {labels}, not first by its caption")
    return failures


def inside(recorder):
    import pyatspi

    # The accessibility bus and its registry are started on first use; a
    # program started before they answer stays off the bus, as on a desktop
    # whose session has not brought them up yet.
    pyatspi.Registry.getDesktop(0).get_child_count()
    failures = []
    for language in TABLE:
        failures += check_language(pyatspi, recorder, language)
    for failure in failures:
        print("FAIL:", failure)
    print("screen reader: " + ("failed" if failures else f"{len(TABLE)} languages read as expected"))
    return 1 if failures else 0


def main():
    if len(sys.argv) == 3 and sys.argv[1] == INSIDE:
        return inside(sys.argv[2])
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    missing = missing_tools()
    if missing:
        print("SKIPPED: a screen reader's view needs " + ", ".join(missing))
        return SKIPPED
    # A display, a session bus and, started by it on demand, the accessibility bus.
    command = ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", "dbus-run-session", "--",
               sys.executable, os.path.abspath(__file__), INSIDE, os.path.abspath(sys.argv[1])]
    return subprocess.run(command, check=False).returncode


if __name__ == "__main__":
    sys.exit(main())
