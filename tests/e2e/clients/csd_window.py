#!/usr/bin/python3
# A GTK window that draws its own title bar (a header bar) and, where the
# screen is composited, its own shadow, which it announces in
# _GTK_FRAME_EXTENTS: the kind of window the end-to-end tests place next to
# windows the window manager decorates.
#
#   csd_window.py --title TITLE [--gtk 3|4]
#
# It runs until it is killed or closed.

import argparse
import os
import sys

parser = argparse.ArgumentParser()
parser.add_argument("--title", required=True)
parser.add_argument("--gtk", choices=["3", "4"], default="3")
args = parser.parse_args()

# Headless: no accessibility bus, no OpenGL, the X11 backend of GDK.
os.environ.setdefault("GDK_BACKEND", "x11")
os.environ.setdefault("NO_AT_BRIDGE", "1")
os.environ.setdefault("GTK_A11Y", "none")
os.environ.setdefault("GSK_RENDERER", "cairo")
os.environ.setdefault("GDK_DEBUG", "gl-disable")

import gi  # noqa: E402

gi.require_version("Gtk", args.gtk + ".0")
from gi.repository import GLib, Gtk  # noqa: E402

loop = GLib.MainLoop()
if args.gtk == "3":
    window = Gtk.Window(title=args.title)
    window.connect("destroy", lambda *_: loop.quit())
    bar = Gtk.HeaderBar(title=args.title, show_close_button=True)
    window.set_titlebar(bar)
    window.add(Gtk.Label(label=args.title))
    window.set_default_size(400, 300)
    window.show_all()
else:
    window = Gtk.Window(title=args.title)
    window.connect("close-request", lambda *_: loop.quit() or False)
    window.set_titlebar(Gtk.HeaderBar())
    window.set_child(Gtk.Label(label=args.title))
    window.set_default_size(400, 300)
    window.present()
try:
    loop.run()
except KeyboardInterrupt:
    sys.exit(0)
