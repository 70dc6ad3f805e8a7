"""User journeys: the real program under Xvfb with a window manager, driven by real keys and
clicks as a user drives it, in a throwaway home and prefix. Each journey checks what the user sees
(windows, messages, the rows of the lists, read through the probe) and what lands on disk.

    journeys.py --program build/bin/pakrune --probe build/bin/libjourney_probe.so [-k NAME]
"""

import argparse
import glob
import os
import random
import shutil
import subprocess
import sys
import time
import unittest
import zipfile

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, Program  # noqa: E402

OPTIONS = argparse.Namespace()
DESKTOP = None
DATE = (2026, 12, 10, 2, 17, 36)

TOOL = {"readme.txt": b"Read me first.\n",
        "docs/manual.txt": b"How to use the tool.\n",
        "setup.exe": b"#!/bin/sh\necho installed > \"$HOME/installed.txt\"\n"}


def write_archive(path, entries):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, data in entries.items():
            archive.writestr(zipfile.ZipInfo(name, DATE), data, zipfile.ZIP_DEFLATED)
    return path


def files_of(path):
    """The files of an archive (folder entries left out) with their contents."""
    with zipfile.ZipFile(path) as archive:
        return {info.filename: archive.read(info) for info in archive.infolist()
                if not info.is_dir()}


def damage(path, name):
    """Changes one byte in the middle of the data of the entry name, as a damaged download has
    it; its headers still tell of the data as it was."""
    with zipfile.ZipFile(path) as archive:
        info = archive.getinfo(name)
    with open(path, "r+b") as file:
        file.seek(info.header_offset + 26)
        name_length, extra_length = int.from_bytes(file.read(2), "little"), \
            int.from_bytes(file.read(2), "little")
        at = info.header_offset + 30 + name_length + extra_length + info.compress_size // 2
        file.seek(at)
        byte = file.read(1)[0]
        file.seek(at)
        file.write(bytes([byte ^ 0x55]))
    return path


def files_below(folder):
    found = {}
    for base, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(base, name)
            with open(path, "rb") as file:
                found[os.path.relpath(path, folder)] = file.read()
    return found


def real_archive():
    """A wheel or Java archive of the machine's own, which nobody here wrote; None when the
    machine has none (scripts/install-deps installs pip's wheel)."""
    patterns = ["/usr/share/python-wheels/*.whl", "/usr/lib/python3*/ensurepip/_bundled/*.whl",
                "/usr/local/lib/python3*/ensurepip/_bundled/*.whl", "/usr/share/java/*.jar"]
    for pattern in patterns:
        for path in sorted(glob.glob(pattern)):
            if os.access(path, os.R_OK):
                return path
    return None


class Journey(unittest.TestCase):
    def setUp(self):
        self.app = Program(DESKTOP, OPTIONS.program, OPTIONS.probe, OPTIONS.lang)
        self.addCleanup(self.app.remove)
        self.started = time.monotonic()

    def tearDown(self):
        sys.stderr.write(f"({time.monotonic() - self.started:.1f} s) ")

    # Steps a user takes, and what they see.

    def archive(self, name, entries, folder=None):
        return write_archive(os.path.join(folder or self.app.home, name), entries)

    def names(self, window_class="TMainForm", view="ListView1"):
        """The entry names of the rows shown (the Path cell followed by the File cell)."""
        if view == "ListView1" and window_class == "TMainForm":
            return [row[5] + row[0] for row in self.app.rows()]
        return [row[0] for row in self.app.rows(window_class, view)]

    def see_names(self, expected, ordered=False, what="the main list"):
        expected = list(expected)

        def shown():
            names = self.names()
            return names == expected if ordered else sorted(names) == sorted(expected)
        rows = expected if len(expected) <= 10 else f"of {len(expected)} entries, " \
            f"{expected[:3]} and more"
        self.app.wait(f"{what} shows the rows {rows}", shown)

    def open_with_dialog(self, path):
        self.app.key("ctrl+o")
        self.app.active("QFileDialog", "Open Existing ZIP File")
        self.app.type(path)
        self.app.key("Return")

    def click_row(self, name, with_key=None):
        def row():
            for shown in self.app.view(self.app.window("TMainForm"), "ListView1")["rows"]:
                if shown["cells"][5] + shown["cells"][0] == name and "rect" in shown:
                    return shown
            return None
        self.app.click(self.app.wait(f"the row {name} is in view", row), with_key=with_key)

    def click_header(self, caption):
        window = self.app.window("TMainForm")
        for section in self.app.view(window, "ListView1")["header"]:
            if section["text"] == caption:
                # Apart from the click before, as a user clicks twice, not a double-click.
                time.sleep(0.5)
                return self.app.click(section)
        self.app.fail(f"the main list has no column {caption}")

    def choose_folder(self, window_class, *path):
        """Picks a folder in the window's folder tree as a user does: opens each level by
        clicking it and pressing the right arrow, then clicks the folder."""
        def item(wanted):
            window = self.app.window(window_class)
            for shown in self.app.view(window, "DirTree1")["items"] if window else []:
                if shown["path"] == wanted and "rect" in shown:
                    return shown
            return None
        for depth in range(1, len(path) + 1):
            wanted = "/".join(path[:depth])
            node = self.app.wait(f"the folder tree shows {wanted}", lambda: item(wanted))
            self.app.click(node)
            if depth < len(path):
                self.app.key("Right")
                self.app.wait(f"the folder tree opens {wanted}",
                              lambda: (item(wanted) or {}).get("expanded"))
        self.app.wait(f"the folder tree selects {'/'.join(path)}",
                      lambda: (item("/".join(path)) or {}).get("current"))

    def answer(self, starts_with, button):
        self.app.message(starts_with)
        window = self.app.active("QMessageBox")
        self.app.click(self.app.widget(window, text=button))

    def see_no_message(self, after):
        time.sleep(1.5)  # long enough for a box to come up
        self.assertEqual(self.app.messages(), [], f"no message box after {after}")

    # The journeys.

    def test_a_download_given_on_the_command_line_opens_with_its_rows(self):
        tool = self.archive("tool.zip", TOOL, folder=self.app.tmp)
        self.app.start(tool)
        self.app.click(self.app.widget(self.app.active("TEventForm"), "SpeedButton3"))  # Start
        self.see_names(["readme.txt", "docs/manual.txt", "setup.exe"])
        self.assertEqual(self.app.window("TMainForm")["title"], "Pakrune - tool.zip")
        self.assertFalse(os.path.exists(tool), "the download left the temporary folder")
        self.assertEqual(files_of(self.app.home + "/Downloads/tool.zip"), TOOL)

    def test_the_choice_window_extracts_a_download_into_a_folder_of_the_home(self):
        os.makedirs(self.app.home + "/unpacked")
        self.app.start(self.archive("tool.zip", TOOL, folder=self.app.tmp))
        self.app.click(self.app.widget(self.app.active("TEventForm"), "SpeedButton1"))
        self.app.active("TExtractForm")
        self.choose_folder("TExtractForm", "Home (H:)", "unpacked")
        window = self.app.window("TExtractForm")
        self.assertEqual(self.app.widget(window, "Label2")["text"], "H:\\UNPACKED\\")
        self.app.click(self.app.widget(window, "BitBtn1"))  # OK
        self.app.wait("the download's files are extracted into ~/unpacked",
                      lambda: files_below(self.app.home + "/unpacked") == TOOL)

    def test_the_choice_window_installs_a_download(self):
        self.app.start(self.archive("tool.zip", TOOL, folder=self.app.tmp))
        self.app.click(self.app.widget(self.app.active("TEventForm"), "SpeedButton2"))
        self.app.wait("the download's setup.exe runs and writes ~/installed.txt",
                      lambda: os.path.exists(self.app.home + "/installed.txt"))
        temp = self.app.prefix + "/drive_c/WINDOWS/Temp"
        self.assertEqual(open(temp + "/docs/manual.txt", "rb").read(), TOOL["docs/manual.txt"])
        self.see_names(TOOL)  # the archive window stays, listing the download

    def test_file_open_shows_the_rows_at_once(self):
        letters = {"to-anna.txt": b"Dear Anna,\n", "to-bob.txt": b"Dear Bob,\n",
                   "old/to-carl.txt": b"Dear Carl,\n"}
        self.app.start()
        self.open_with_dialog(self.archive("letters.zip", letters))
        self.see_names(letters, what="after File > Open the main list")
        self.assertEqual(self.app.window("TMainForm")["title"], "Pakrune - letters.zip")
        found = real_archive()
        if not found:
            sys.stderr.write("(no wheel or Java archive on this machine: that part skipped) ")
            return
        # A copy, so the program's hand-off never moves the machine's own file.
        real = shutil.copy(found, self.app.home)
        self.open_with_dialog(real)
        self.see_names(files_of(real), what=f"after File > Open of {found} the main list")

    def test_the_recent_files_menu_opens_an_archive_again_after_a_restart(self):
        letters = {"a.txt": b"alpha\n", "b.txt": b"beta\n"}
        path = self.archive("letters.zip", letters)
        self.app.start()
        self.open_with_dialog(path)
        self.see_names(letters)
        self.app.key("alt+f")
        self.app.active("QMenu")
        self.app.key("x")  # Exit
        self.app.ended("File > Exit")
        self.app.start()
        self.app.key("alt+f")
        menu = self.app.active("QMenu")
        recent = [item for item in menu["items"] if item.startswith("&1 ")]
        self.assertTrue(recent and recent[0].endswith("letters.zip"), menu["items"])
        self.app.key("1")
        self.see_names(letters, what="after File > 1 the main list")

    def test_a_click_on_a_column_header_sorts_the_rows(self):
        sizes = {"b.txt": b"b" * 300, "a.txt": b"a" * 2000, "c.txt": b"c" * 10}
        self.app.start()
        self.open_with_dialog(self.archive("sizes.zip", sizes))
        self.see_names(["a.txt", "b.txt", "c.txt"], ordered=True)
        self.click_header("Size")
        self.see_names(["c.txt", "b.txt", "a.txt"], ordered=True, what="sorted by size")
        self.click_header("Size")
        self.see_names(["a.txt", "b.txt", "c.txt"], ordered=True, what="sorted by size, reversed")
        self.click_header("File")
        self.see_names(["a.txt", "b.txt", "c.txt"], ordered=True, what="sorted by name")

    def test_extract_selected_and_all_into_chosen_folders(self):
        entries = {"big.bin": random.Random(1).randbytes(3 << 20), "notes/b.txt": b"bee\n",
                   "c.txt": b"sea\n"}
        for folder in ("picked", "all"):
            os.makedirs(os.path.join(self.app.home, folder))
        self.app.start()
        self.open_with_dialog(self.archive("mixed.zip", entries))
        self.see_names(entries)
        self.click_row("big.bin")
        self.click_row("c.txt", with_key="ctrl")
        self.app.key("shift+e")  # Zip > Extract Selected
        self.app.active("TExtractForm")
        self.choose_folder("TExtractForm", "Home (H:)", "picked")
        self.app.click_control("TExtractForm", "BitBtn1")
        picked = {name: entries[name] for name in ("big.bin", "c.txt")}
        self.app.wait("the two selected entries are extracted into ~/picked",
                      lambda: files_below(self.app.home + "/picked") == picked)
        # The probe writes what it saw a moment after the files land: wait for that report.
        self.app.wait("the progress bar moved while the selected entries were extracted",
                      lambda: self.app.progress_peak() > 0)
        self.app.key("shift+x")  # Zip > Extract All
        self.app.active("TExtractForm")
        self.choose_folder("TExtractForm", "Home (H:)", "all")
        self.app.click_control("TExtractForm", "BitBtn1")
        self.app.wait("every entry is extracted into ~/all",
                      lambda: files_below(self.app.home + "/all") == entries)

    def test_view_an_entry_and_find_a_word_in_it(self):
        notes = {"notes.txt": b"Shopping list\napples\nbread\nthe quick brown fox\n"}
        self.app.start()
        self.open_with_dialog(self.archive("notes.zip", notes))
        self.see_names(notes)
        self.click_row("notes.txt")
        self.app.key("space")  # View
        viewer = self.app.active("TfrmTextViewer")
        self.assertIn("Shopping list", viewer["texts"][0]["text"])
        self.app.key("alt+e")
        self.app.active("QMenu")
        self.app.key("f")  # Find...
        self.app.active("FindDialog1")
        self.app.type("fox")
        self.app.key("Return")
        self.app.wait("the viewer selects the word found",
                      lambda: self.app.window("TfrmTextViewer")["texts"][0]["selected"] == "fox")

    def test_add_files_through_the_add_window(self):
        inbox = {"readme.txt": b"lower case\n", "README.txt": b"UPPER CASE\n",
                 "photo.jpg": b"\xff\xd8\xff picture"}
        os.makedirs(self.app.home + "/inbox")
        for name, data in inbox.items():
            with open(os.path.join(self.app.home, "inbox", name), "wb") as file:
                file.write(data)
        path = self.archive("box.zip", {"old.txt": b"old\n"})
        self.app.start()
        self.open_with_dialog(path)
        self.see_names(["old.txt"])
        self.app.click_control("TMainForm", "AddZipBut")
        self.app.active("TAddform")
        self.choose_folder("TAddform", "Home (H:)", "inbox")

        # The file list shows names in lower case, as designed: the twins are two rows of
        # readme.txt.
        def twin_rows():
            window = self.app.window("TAddform")
            rows = [row for row in self.app.view(window, "AddListView1")["rows"]
                    if row["cells"][0] == "readme.txt" and "rect" in row]
            return rows if len(rows) == 2 else None
        first, second = self.app.wait("the add window lists both case twins", twin_rows)
        self.app.click(first)
        self.app.click(second, with_key="ctrl")
        self.app.click_control("TAddform", "AddFilesbtn")  # Add Selected
        self.app.wait("both case twins are in the add window's selection",
                      lambda: len(self.app.rows("TAddform", "AddListView2")) == 2)
        self.app.click_control("TAddform", "BitBtn1")  # OK
        self.answer("2 files were successfully added!", "OK")
        self.see_names(["old.txt", "readme.txt", "README.txt"])
        self.assertEqual(files_of(path), {"old.txt": b"old\n", "readme.txt": inbox["readme.txt"],
                                          "README.txt": inbox["README.txt"]})

    def test_delete_an_entry(self):
        path = self.archive("three.zip", {"keep.txt": b"k", "drop.txt": b"d", "other.txt": b"o"})
        self.app.start()
        self.open_with_dialog(path)
        self.click_row("drop.txt")
        self.app.key("Delete")
        self.answer("Delete selected files from: ", "&Yes")
        self.see_names(["keep.txt", "other.txt"])
        self.assertEqual(files_of(path), {"keep.txt": b"k", "other.txt": b"o"})

    def test_a_new_archive_through_the_wizard_keeps_case_twins(self):
        twins = {"readme.txt": b"lower case\n", "README.txt": b"UPPER CASE\n"}
        os.makedirs(self.app.home + "/twins")
        for name, data in twins.items():
            with open(os.path.join(self.app.home, "twins", name), "wb") as file:
                file.write(data)
        self.app.start()
        self.app.click_control("TMainForm", "WizardAddBut")
        self.app.active("TWiz1")
        self.app.click_control("TWiz1", "Button2")  # Next
        self.app.active("TWiz2")
        self.app.click_control("TWiz2", "Button2")  # Next: name the file
        dialog = self.app.active("QFileDialog", "Create new Zip file")
        accept = [w["text"].replace("&", "") for w in dialog["widgets"] if w.get("default")]
        self.assertEqual(accept, ["Create"], "the new archive's dialog makes a file")
        self.app.type(self.app.home + "/letters")
        self.app.key("Return")
        self.app.active("TWiz3")
        self.app.click_control("TWiz3", "BitBtn1")  # Add Files
        self.app.active("QFileDialog", "Add files to Zip...")
        self.app.type(self.app.home + "/twins/")
        self.app.key("Return")
        self.app.type('"readme.txt" "README.txt"')
        self.app.key("Return")
        self.app.wait("the wizard lists both case twins",
                      lambda: len(self.app.rows("TWiz3", "ListView1")) == 2)
        self.app.click_control("TWiz3", "Button2")  # Next: compress
        self.answer("Now we are going to compress the files.", "OK")
        self.answer("CONGRATULATIONS! 2 files were successfully added", "OK")
        self.app.active("TWiz4")
        self.app.click_control("TWiz4", "BitBtn1")  # OK
        # Stored with their folder below the drive, H:\twins.
        stored = {"twins/" + name: data for name, data in twins.items()}
        self.see_names(stored, what="after the wizard the main list")
        self.assertEqual(self.app.window("TMainForm")["title"], "Pakrune - letters.zip")
        self.assertEqual(files_of(self.app.home + "/letters.zip"), stored)

    def test_an_encrypted_entry_asks_for_the_password_and_cancel_says_nothing(self):
        source = os.path.join(self.app.root, "source")
        os.makedirs(source)
        with open(source + "/secret.txt", "wb") as file:
            file.write(b"The treasure is under the oak.\n")
        path = self.app.home + "/vault.zip"
        subprocess.run(["7zz", "a", "-tzip", "-mem=ZipCrypto", "-pOpenSesame", path,
                        "secret.txt"], cwd=source, check=True, stdout=subprocess.DEVNULL)
        self.app.start()
        self.open_with_dialog(path)
        self.click_row("secret.txt")
        self.app.key("space")  # View
        self.app.active("QInputDialog", "Password")
        self.app.key("Escape")  # Cancel
        self.app.wait("the password box closes", lambda: not self.app.window("QInputDialog"))
        self.see_no_message("Cancel in the password box")
        self.app.key("space")
        self.app.active("QInputDialog", "Password")
        self.app.type("OpenSesame")
        self.app.key("Return")
        viewer = self.app.active("TfrmTextViewer")
        self.assertIn("The treasure is under the oak.", viewer["texts"][0]["text"])

    def test_test_names_only_the_damaged_entry(self):
        # No setup program: opening it would install at once.
        entries = {"readme.txt": b"Read me first.\n", "notes/todo.txt": b"Nothing.\n",
                   "docs/manual.txt": b"How to use the tool.\n" * 200}
        path = damage(self.archive("damaged.zip", entries), "docs/manual.txt")
        self.app.start()
        self.open_with_dialog(path)
        self.see_names(entries)
        self.app.key("ctrl+t")  # Zip > Test
        said = self.app.message("1 of 3 files in damaged.zip failed the test:").split("\n")
        self.assertEqual(len(said), 2, said)
        self.assertTrue(said[1].endswith(" in docs/manual.txt"), said)
        self.assertEqual(len(self.app.messages()), 1, "one message")
        self.app.key("Return")
        self.app.wait("the message closes", lambda: not self.app.messages())
        self.assertEqual(files_below(self.app.prefix + "/drive_c/WINDOWS/Temp"), {},
                         "a test writes nothing")


def main():
    global DESKTOP
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--lang", default=os.environ.get("LANG") or "C.UTF-8")
    parser.add_argument("-k", dest="only", help="run the journeys whose names hold this")
    parser.parse_args(namespace=OPTIONS)
    OPTIONS.program = os.path.abspath(OPTIONS.program)
    OPTIONS.probe = os.path.abspath(OPTIONS.probe)
    loader = unittest.TestLoader()
    if OPTIONS.only:
        loader.testNamePatterns = [f"*{OPTIONS.only}*"]
    suite = loader.loadTestsFromTestCase(Journey)
    missing = [tool for tool in ("Xvfb", "openbox", "xdotool", "xprop", "7zz")
               if not shutil.which(tool)]
    if missing:
        print(f"journeys: {', '.join(missing)} missing: run scripts/install-deps", file=sys.stderr)
        return 1
    started = time.monotonic()
    DESKTOP = Desktop()
    try:
        result = unittest.TextTestRunner(verbosity=2).run(suite)
    finally:
        DESKTOP.close()
    print(f"journeys: {result.testsRun} in {time.monotonic() - started:.1f} s", file=sys.stderr)
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
