#!/usr/bin/python3
"""Checks what a screen reader finds in the running program, through the
accessibility bus (AT-SPI): the condensed tree of the main window right after
start-up against expected_tree.txt, then one default plot: how many events its
read-outs send, that the end of the pass is announced, and that a second plot
of the same view sends nothing for the corner labels, whose text stays.

Run by tree_check.sh, which starts the program under Xvfb on a private D-Bus
session. Prints the tree it found with --print.
"""

import os
import re
import sys
import time

import pyatspi
from gi.repository import GLib

APP = "vantorel"
# Roles kept in the condensed tree even without a name.
KEEP_UNNAMED = {"separator", "notification", "menu bar", "popup menu"}
HERE = os.path.dirname(os.path.abspath(__file__))


def find_app(timeout):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == APP and app.childCount > 0:
                return app
        time.sleep(0.2)
    return None


def describe(acc):
    role = acc.getRoleName()
    line = "%s %r" % (role, acc.name)
    if acc.description and role != "application":  # the application's is its path
        line += " description=%r" % acc.description
    try:
        value = acc.queryValue()
        line += " value=%g [%g..%g]" % (value.currentValue, value.minimumValue, value.maximumValue)
    except NotImplementedError:
        pass
    states = acc.getState()
    if states.contains(pyatspi.STATE_CHECKED):
        line += " checked"
    if states.contains(pyatspi.STATE_FOCUSABLE):
        line += " focusable"
    for relation in acc.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            line += " labelled-by=%r" % [relation.getTarget(i).name for i in range(relation.getNTargets())]
    return line


def condensed(acc, depth=0, lines=None):
    """Named nodes and the roles of KEEP_UNNAMED, each indented under its
    nearest kept ancestor; unnamed containers are left out."""
    if lines is None:
        lines = []
    role = acc.getRoleName()
    kept = bool(acc.name) or role in KEEP_UNNAMED
    if kept:
        lines.append("  " * depth + describe(acc))
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            condensed(child, depth + 1 if kept else depth, lines)
    return lines


def find(acc, test):
    if test(acc):
        return acc
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            found = find(child, test)
            if found is not None:
                return found
    return None


class Plot:
    """Presses Start and records the events until the end of the pass is announced."""

    def __init__(self, app):
        self.app = app
        self.events = []
        self.announcement = None

    def listen(self, event):
        try:
            source = event.source
            self.events.append((event.type, source.getRoleName(), source.name))
            if event.type.startswith("object:state-changed:showing") and event.detail1 \
                    and source.getRoleName() == "notification":
                self.announcement = source.name
        except Exception:  # the source may be gone already
            pass

    def run(self, timeout):
        start = find(self.app, lambda a: a.getRoleName() == "push button" and a.name == "Start")
        kinds = ["object:property-change:accessible-name", "object:property-change:accessible-value",
                 "object:property-change:accessible-description", "object:state-changed:showing"]
        pyatspi.Registry.registerEventListener(self.listen, *kinds)
        loop = GLib.MainLoop()
        deadline = time.monotonic() + timeout

        def press():
            start.queryAction().doAction(0)
            return False

        def check():
            if (self.announcement or "").startswith("Plot complete") or time.monotonic() > deadline:
                loop.quit()
                return False
            return True

        GLib.timeout_add(200, press)
        GLib.timeout_add(50, check)
        loop.run()
        # Events still on their way.
        context = GLib.MainContext.default()
        settle = time.monotonic() + 0.5
        while time.monotonic() < settle:
            context.iteration(False)
            time.sleep(0.01)
        pyatspi.Registry.deregisterEventListener(self.listen, *kinds)
        return self

    def count(self, test):
        return sum(1 for e in self.events if test(*e))


def main():
    app = find_app(30)
    if app is None:
        print("FAIL: %s did not appear on the accessibility bus within 30 s" % APP)
        return 1
    time.sleep(0.5)  # the first read-outs are published a frame after start-up
    lines = condensed(app)
    if "--print" in sys.argv:
        print("\n".join(lines))
        return 0
    with open(os.path.join(HERE, "expected_tree.txt"), encoding="utf-8") as f:
        expected = [line.rstrip("\n") for line in f if line.strip() and not line.startswith("#")]
    failed = False
    if lines != expected:
        import difflib
        print("FAIL: the accessibility tree differs from expected_tree.txt (- expected, + found):")
        sys.stdout.writelines(l + "\n" for l in difflib.unified_diff(expected, lines, lineterm="", n=1))
        failed = True
    else:
        print("ok: the tree has %d nodes as expected" % len(lines))

    plot = Plot(app).run(60)
    if not (plot.announcement or "").startswith("Plot complete"):
        print("FAIL: the end of the plot was not announced (%r)" % plot.announcement)
        return 1
    ms = int(re.search(r"(\d+) ms", plot.announcement).group(1))
    readouts = plot.count(lambda kind, role, name: (kind.endswith("accessible-name") and name.startswith("Time"))
                          or (kind.endswith("accessible-value") and role == "progress bar"))
    # The time and the progress reach the bus at most once per 100 ms frame,
    # plus the first and the last.
    bound = 2 * (ms // 100 + 3)
    print("plot: %d ms, %d events in all, %d from the time and progress read-outs (at most %d)"
          % (ms, len(plot.events), readouts, bound))
    if readouts > bound:
        failed = True
        print("FAIL: the read-outs flood the bus")
    progress = find(app, lambda a: a.getRoleName() == "progress bar")
    if progress.queryValue().currentValue != 100:
        print("FAIL: the progress bar ends at %g" % progress.queryValue().currentValue)
        failed = True

    again = Plot(app).run(60)
    corners = again.count(lambda kind, role, name: kind.endswith("accessible-name")
                          and (name.startswith("Top left") or name.startswith("Bottom right")))
    print("second plot of the same view: %d events, %d from the corner labels" % (len(again.events), corners))
    if corners or not (again.announcement or "").startswith("Plot complete"):
        print("FAIL: the corner labels kept their text and must send nothing; the end must be announced")
        failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
