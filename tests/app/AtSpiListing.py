"""Reads the main window's list of a running Pakrune over the desktop's accessibility bus (AT-SPI),
as a screen reader does, and checks that it says the archive's entries: their names, sizes and
dates, each column named by its header, the selected rows marked. Exits 0 when it does, 1 with what
it read otherwise.

    AtSpiListing.py ARCHIVE        (started by AtSpiListing.sh on a bus and display of its own)
"""
import sys
import time
import zipfile

import pyatspi

LIST_NAME = "Files in the archive"
HEADERS = ["File", "Size", "Date/Time", "Ratio", "Packed Size", "Path"]


def expected_rows(archive):
    """The rows the list shows, by name: size grouped by threes with blanks, date and time as the C
    locale shows them."""
    rows = {}
    with zipfile.ZipFile(archive) as z:
        for info in z.infolist():
            if info.filename.endswith("/"):
                continue
            year, month, day, hour, minute, second = info.date_time
            month_name = "Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec".split()[month - 1]
            size = f"{info.file_size:,}".replace(",", " ")
            date = f"{day} {month_name} {year}  {hour:02}:{minute:02}:{second:02}"
            rows[info.filename.rsplit("/", 1)[-1]] = (size, date)
    return rows


def application(name, seconds=30):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name:
                return app
        time.sleep(0.2)
    return None


def find_list(node, depth=0):
    """The list's table below node; the cells of tables are not walked."""
    if depth > 20 or node is None:
        return None
    role = node.getRole()
    if role in (pyatspi.ROLE_TABLE, pyatspi.ROLE_LIST) and node.name == LIST_NAME:
        return node
    if role in (pyatspi.ROLE_TABLE, pyatspi.ROLE_LIST, pyatspi.ROLE_TREE_TABLE):
        return None
    for index in range(node.childCount):
        found = find_list(node.getChildAtIndex(index), depth + 1)
        if found is not None:
            return found
    return None


def main():
    archive = sys.argv[1]
    app = application("Pakrune")
    if app is None:
        print("Pakrune never appeared on the accessibility bus")
        return 1
    deadline = time.monotonic() + 30
    table = None
    while table is None and time.monotonic() < deadline:
        table = find_list(app)
        if table is None:
            time.sleep(0.2)
    if table is None:
        print(f"no list named {LIST_NAME!r} in the main window")
        return 1
    cells = table.queryTable()
    headers = [cells.getColumnDescription(column) for column in range(cells.nColumns)]
    read = {}
    for row in range(cells.nRows):
        texts = [cells.getAccessibleAt(row, column).name for column in range(cells.nColumns)]
        read[texts[0]] = texts
    expected = expected_rows(archive)
    failures = []
    if headers != HEADERS:
        failures.append(f"the columns are {headers}, not {HEADERS}")
    if sorted(read) != sorted(expected):
        failures.append(f"the list names {sorted(read)}, the archive holds {sorted(expected)}")
    for name, (size, date) in expected.items():
        texts = read.get(name)
        if texts and len(texts) > 2 and (texts[1], texts[2]) != (size, date):
            failures.append(f"{name}: read size {texts[1]!r} and date {texts[2]!r}, "
                            f"expected {size!r} and {date!r}")
    # The rows selected are marked; a reader can select another one.
    before = set(cells.getSelectedRows())
    for row in range(cells.nRows):
        marked = cells.getAccessibleAt(row, 0).getState().contains(pyatspi.STATE_SELECTED)
        if marked != (row in before):
            failures.append(f"row {row} is marked {'' if marked else 'not '}selected")
    unselected = [row for row in range(cells.nRows) if row not in before]
    if unselected:
        cells.addRowSelection(unselected[0])
        after = set(cells.getSelectedRows())
        if after != before | {unselected[0]}:
            failures.append(f"selecting row {unselected[0]} left {sorted(after)} selected")
    for failure in failures:
        print(failure)
    if not failures:
        print(f"read {len(read)} entries with their sizes and dates over AT-SPI")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
