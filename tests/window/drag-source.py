"""A second program that offers files for dragging, as a file manager does.

Usage: drag-source.py X Y FILE...
Shows a small window at X, Y whose whole area can be dragged; the drag
carries the files as text/uri-list. Prints "ready" once the window is on
screen, then for every drag "begin" when it starts, "accepted" once the
target under the pointer has said it takes the files, "end" when it is over
and "failed <reason>" when the target did not take it. The test moves the
mouse.
"""
import sys

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, Gio, GLib, Gtk  # noqa: E402


def say(text):
    print(text, flush=True)


def main():
    x, y = int(sys.argv[1]), int(sys.argv[2])
    uris = [Gio.File.new_for_path(path).get_uri() for path in sys.argv[3:]]

    window = Gtk.Window(title="drag-source")
    window.set_default_size(160, 120)
    window.move(x, y)
    area = Gtk.EventBox()
    area.add(Gtk.Label(label="files"))
    area.drag_source_set(Gdk.ModifierType.BUTTON1_MASK, [], Gdk.DragAction.COPY)
    area.drag_source_add_uri_targets()
    area.connect("drag-data-get", lambda w, c, data, i, t: data.set_uris(uris))
    dragging = {}

    def begin(widget, context):
        say("begin")
        dragging[context] = True

        # The target's answer to the pointer's position sets the drag's action.
        def watch():
            if not dragging.get(context):
                return False
            if context.get_selected_action() == 0:
                return True
            say("accepted")
            return False

        GLib.timeout_add(10, watch)

    def end(widget, context):
        dragging.pop(context, None)
        say("end")

    area.connect("drag-begin", begin)
    area.connect("drag-end", end)
    area.connect("drag-failed", lambda w, c, result: say("failed %s" % result.value_nick) or False)
    window.add(area)
    window.connect("map-event", lambda w, e: say("ready"))
    window.connect("destroy", Gtk.main_quit)
    window.show_all()
    Gtk.main()


main()
