#!/usr/bin/python3
"""Copies text in a GTK 3 program, then quits the way GTK programs do: the clipboard is handed
to a clipboard manager when one is running. Usage: gtk_copy.py TEXT | gtk_copy.py --file PATH"""
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402

if sys.argv[1] == "--file":
    with open(sys.argv[2], encoding="utf-8") as f:
        text = f.read()
else:
    text = sys.argv[1]
clip = Gtk.Clipboard.get(Gdk.SELECTION_CLIPBOARD)
clip.set_text(text, -1)
clip.store()
GLib.idle_add(Gtk.main_quit)
Gtk.main()
