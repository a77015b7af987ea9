#!/usr/bin/python3
# A GTK 4 text field in a window of its own, for the paste tests in a GNOME
# session: prints "focused" whenever its window has the keyboard focus and
# "text <percent-encoded text>" whenever the field's text changes.
import sys
import urllib.parse

import gi

gi.require_version('Gtk', '4.0')
from gi.repository import Gio, Gtk  # noqa: E402

TITLE = 'GTK paste target'


def say(line):
    print(line, flush=True)


def activate(app):
    window = Gtk.ApplicationWindow(application=app, title=TITLE)
    window.set_default_size(400, 80)
    entry = Gtk.Entry()
    entry.connect('changed', lambda field: say('text ' + urllib.parse.quote(field.get_text())))
    window.set_child(entry)
    window.connect('notify::is-active',
                   lambda w, _: say('focused') if w.is_active() else say('unfocused'))
    window.present()
    entry.grab_focus()


app = Gtk.Application(application_id='io.github.quillbox.GtkPasteTarget',
                      flags=Gio.ApplicationFlags.NON_UNIQUE)
app.connect('activate', activate)
sys.exit(app.run(None))
