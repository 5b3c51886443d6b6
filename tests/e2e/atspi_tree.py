"""Reads a program's accessibility tree through AT-SPI, as a screen reader
sees it, and prints it as JSON.

Usage: atspi_tree.py PID            the tree of the program's windows
       atspi_tree.py PID --focused  the object that has the keyboard focus

Runs as a process of its own per question: libatspi keeps its bus connection
and its caches for the life of a process, and a test starts a new bus each
time. Tables are read through their table interface, never child by child:
a grid can hold millions of cells.
"""

import json
import sys

try:
    import pyatspi
except ImportError:
    # python3-pyatspi installs for the system's interpreter; one from
    # elsewhere (a version manager's) finds it there.
    sys.path.append("/usr/lib/python3/dist-packages")
    import pyatspi

MAX_CHILDREN = 200
MAX_DEPTH = 40
TABLE_SAMPLE = 4  # header texts and cells read at each table's start


def states(accessible):
    found = accessible.getState().getStates()
    return sorted(s.value_nick for s in found)


def table_summary(accessible):
    try:
        table = accessible.queryTable()
    except NotImplementedError:
        return None
    rows, cols = table.nRows, table.nColumns
    summary = {"rows": rows, "columns": cols,
               "column_descriptions": [table.getColumnDescription(c)
                                       for c in range(min(cols, TABLE_SAMPLE))],
               "row_descriptions": [table.getRowDescription(r) for r in range(min(rows, TABLE_SAMPLE))],
               "column_headers": [], "cells": []}
    corner = accessible.getChildAtIndex(0) if accessible.childCount else None
    summary["first_child"] = None if corner is None else [corner.getRoleName(), corner.name]
    for c in range(min(cols, TABLE_SAMPLE)):
        header = table.getColumnHeader(c)
        summary["column_headers"].append(
            None if header is None else [header.getRoleName(), header.name])
    for r in range(min(rows, TABLE_SAMPLE)):
        line = []
        for c in range(min(cols, TABLE_SAMPLE)):
            cell = table.getAccessibleAt(r, c)
            line.append(None if cell is None else [cell.getRoleName(), cell.name])
        summary["cells"].append(line)
    return summary


def node(accessible, depth=0):
    entry = {"role": accessible.getRoleName(), "name": accessible.name or "",
             "description": accessible.description or "", "states": states(accessible),
             "children": []}
    table = table_summary(accessible)
    count = accessible.childCount
    if table is not None:
        entry["table"] = table
        entry["child_count"] = count
        return entry
    if count > MAX_CHILDREN or depth >= MAX_DEPTH:
        entry["child_count"] = count
        return entry
    for i in range(count):
        child = accessible.getChildAtIndex(i)
        if child is not None:
            entry["children"].append(node(child, depth + 1))
    return entry


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:  # an application that went away meanwhile
            continue
    return None


def focused(accessible, depth=0):
    """The innermost object below accessible that has the focus; tables are
    answered as a whole."""
    if depth >= MAX_DEPTH:
        return None
    count = accessible.childCount
    if count <= MAX_CHILDREN and not _is_table(accessible):
        for i in range(count):
            child = accessible.getChildAtIndex(i)
            if child is None:
                continue
            found = focused(child, depth + 1)
            if found is not None:
                return found
    if accessible.getState().contains(pyatspi.STATE_FOCUSED):
        return accessible
    return None


def _is_table(accessible):
    try:
        accessible.queryTable()
        return True
    except NotImplementedError:
        return False


def main(argv):
    pid = int(argv[1])
    app = application(pid)
    if app is None:
        print(json.dumps(None))
        return 0
    if len(argv) > 2 and argv[2] == "--focused":
        found = focused(app)
        print(json.dumps(None if found is None else
                         {"role": found.getRoleName(), "name": found.name or ""}))
        return 0
    print(json.dumps(node(app)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
