'use strict';

// What the tests need from a headless Shell, where clients without the
// keyboard focus cannot use the clipboard: set and read the clipboard as an
// application does, and clear it as one that quits; and what a user sees:
// the windows, which has the focus and where they are on the monitor.
const {GLib, Gio, Meta, Shell} = imports.gi;
const Main = imports.ui.main;

const INTERFACE = `<node><interface name="io.github.quillbox.ShellTest">
  <method name="SetClipboard"><arg direction="in" type="a(say)" name="representations"/></method>
  <method name="ClearClipboard"/>
  <method name="ReadClipboard">
    <arg direction="in" type="s" name="mime_type"/><arg direction="out" type="ay" name="bytes"/>
  </method>
  <method name="ClipboardTypes"><arg direction="out" type="as" name="mime_types"/></method>
  <method name="Ready"><arg direction="out" type="b" name="ready"/></method>
  <method name="Windows"><arg direction="out" type="a(ssubiiii)" name="windows"/></method>
  <method name="Monitor">
    <arg direction="out" type="(iiii)" name="geometry"/><arg direction="out" type="(iiii)" name="work_area"/>
  </method>
</interface></node>`;

const CLIPBOARD = Meta.SelectionType.SELECTION_CLIPBOARD;

// An application's offer. The GJS of GNOME 43 cannot implement a selection
// source, so an application here offers one type, from memory.
function sourceFor(representations) {
    const [mimeType, bytes] = representations.entries().next().value;
    return Meta.SelectionSourceMemory.new(mimeType, bytes);
}

class Extension {
    enable() {
        this._object = Gio.DBusExportedObject.wrapJSObject(INTERFACE, this);
        this._object.export(Gio.DBus.session, '/io/github/quillbox/ShellTest');
    }

    disable() {
        this._object.unexport();
        this._object = null;
    }

    SetClipboardAsync(params, invocation) {
        const array = invocation.get_parameters().get_child_value(0);
        const contents = new Map();
        for (let i = 0; i < array.n_children(); i++) {
            const entry = array.get_child_value(i);
            contents.set(entry.get_child_value(0).get_string()[0],
                entry.get_child_value(1).get_data_as_bytes());
        }
        this._source = sourceFor(contents);
        global.display.get_selection().set_owner(CLIPBOARD, this._source);
        invocation.return_value(null);
    }

    ClearClipboard() {
        // As when the application that copied quits.
        if (this._source)
            global.display.get_selection().unset_owner(CLIPBOARD, this._source);
        this._source = null;
    }

    // Whether the desktop is up as a user finds it: started, out of the
    // overview it opens at login, taking shortcuts and placing windows.
    Ready() {
        if (Main.layoutManager._startingUp)
            return false;
        if (Main.overview.visible)
            Main.overview.hide();
        return Main.actionMode === Shell.ActionMode.NORMAL;
    }

    // Every window shown: its title, class, process, whether it has the
    // keyboard focus, and its frame (x, y, width, height).
    Windows() {
        return global.display.list_all_windows()
            .filter(w => w.get_compositor_private()?.visible)
            .map(w => {
                const frame = w.get_frame_rect();
                return [w.get_title() ?? '', w.get_wm_class() ?? '', w.get_pid(),
                    global.display.focus_window === w, frame.x, frame.y, frame.width,
                    frame.height];
            });
    }

    // The primary monitor, whole and without the top bar.
    Monitor() {
        const monitor = global.display.get_primary_monitor();
        const geometry = global.display.get_monitor_geometry(monitor);
        const area = Main.layoutManager.getWorkAreaForMonitor(monitor);
        return [[geometry.x, geometry.y, geometry.width, geometry.height],
            [area.x, area.y, area.width, area.height]];
    }

    ClipboardTypes() {
        return global.display.get_selection().get_mimetypes(CLIPBOARD);
    }

    ReadClipboardAsync([mimeType], invocation) {
        const stream = Gio.MemoryOutputStream.new_resizable();
        global.display.get_selection().transfer_async(CLIPBOARD, mimeType, -1, stream, null,
            (selection, result) => {
                try {
                    selection.transfer_finish(result);
                    stream.close(null);
                    invocation.return_value(GLib.Variant.new_tuple([GLib.Variant.new_from_bytes(
                        new GLib.VariantType('ay'), stream.steal_as_bytes(), true)]));
                } catch (e) {
                    invocation.return_dbus_error('io.github.quillbox.ShellTest.Failed', e.message);
                }
            });
    }
}

function init() {
    return new Extension();
}
