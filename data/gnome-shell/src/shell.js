// Quillbox's eyes and hands inside GNOME Shell: the clipboard, the focused
// application, global shortcuts, paste keys and window placement, offered to
// Quillbox over the session bus. Every decision (what to read, what to keep,
// which keys paste) stays in Quillbox; this only does what it is asked.
//
// Written once for both extension formats: the build puts the imports of the
// GNOME release in front of it and the entry point behind it.

const INTERFACE_VERSION = 1;
const OBJECT_PATH = '/io/github/quillbox/Shell';
const INTERFACE_FILE = 'io.github.quillbox.Shell1.xml';
// The name Quillbox owns while it runs; nothing is watched without it.
const QUILLBOX_NAME = 'io.github.quillbox.Quillbox';
const ERROR_PREFIX = 'io.github.quillbox.Shell1.Error';
// A reader that never finishes gives up here; Quillbox has its own limits.
const TRANSFER_TIMEOUT_MS = 15000;
// Types password managers add to a secret: such contents never leave the
// Shell, whoever asks.
const CONCEALED_MARKERS = [
    'x-kde-passwordManagerHint',
    'text/x-kde-passwordManagerHint',
    'org.nspasteboard.ConcealedType',
];
const SHORTCUTS = ['show-panel', 'show-paste-stack', 'paste-next'];

function isConcealed(mimeTypes) {
    return mimeTypes.some(type => CONCEALED_MARKERS.includes(type));
}

// The desktop-entry id (without ".desktop") of the window's application,
// else what the window calls itself; empty for no window.
function applicationIdOf(window) {
    if (!window)
        return '';
    const app = Shell.WindowTracker.get_default().get_window_app(window);
    if (app && !app.is_window_backed())
        return app.get_id().replace(/\.desktop$/, '');
    return window.get_gtk_application_id() || window.get_wm_class() || '';
}

// Quillbox's own clipboard contents: every representation of an item, each
// answered from memory when another client reads it. GJS releases that
// cannot implement a virtual function taking a callback refuse the class:
// there the first representation alone is offered, through the Shell's
// single-type source, so Quillbox lists the most useful one first.
let MultiTypeSource = null;
try {
    MultiTypeSource = GObject.registerClass(
    class QuillboxSource extends Meta.SelectionSource {
        _init(representations) {
            super._init();
            this._representations = representations;
        }

        vfunc_get_mimetypes() {
            return [...this._representations.keys()];
        }

        vfunc_read_async(mimeType, cancellable, callback) {
            const task = Gio.Task.new(this, cancellable, callback);
            const bytes = this._representations.get(mimeType);
            if (!bytes) {
                task.return_new_error(Gio.io_error_quark(), Gio.IOErrorEnum.NOT_FOUND,
                    `${mimeType} is not offered`);
                return;
            }
            task._stream = Gio.MemoryInputStream.new_from_bytes(bytes);
            task.return_boolean(true);
        }

        vfunc_read_finish(result) {
            result.propagate_boolean();
            return result._stream;
        }
    });
} catch (e) {
    MultiTypeSource = null;
}

// The representations of an a(say) value, in order, the first of a type kept.
function representationsOf(array) {
    const contents = new Map();
    for (let i = 0; i < array.n_children(); i++) {
        const entry = array.get_child_value(i);
        const [mimeType] = entry.get_child_value(0).get_string();
        if (!contents.has(mimeType))
            contents.set(mimeType, entry.get_child_value(1).get_data_as_bytes());
    }
    return contents;
}

// A selection source for the representations (a Map of MIME type to bytes,
// in the order offered).
function sourceFor(representations) {
    if (MultiTypeSource)
        return new MultiTypeSource(representations);
    const [mimeType, bytes] = representations.entries().next().value;
    return Meta.SelectionSourceMemory.new(mimeType, bytes);
}

class QuillboxShell {
    constructor(dir, settings) {
        this._dir = dir;
        this._settings = settings;
        this._serial = 0;
        this._ownSource = null;
        this._selection = global.display.get_selection();
        this._signals = [];
        this._keyboard = null;
        // Quillbox's windows kept centred: how to stop each.
        this._centred = new Map();
        this._centring = new Set();
    }

    enable() {
        const [, xml] = this._dir.get_child(INTERFACE_FILE).load_contents(null);
        this._object = Gio.DBusExportedObject.wrapJSObject(new TextDecoder().decode(xml), this);
        this._object.export(Gio.DBus.session, OBJECT_PATH);
        this._watch = Gio.bus_watch_name(Gio.BusType.SESSION, QUILLBOX_NAME,
            Gio.BusNameWatcherFlags.NONE, () => this._attach(), () => this._detach());
    }

    // Also as the screen locks, and before an update: Quillbox hears that
    // the extension is away until it attaches again.
    disable() {
        Gio.bus_unwatch_name(this._watch);
        [...this._centred.values()].forEach(stop => stop());
        this._detach();
        this._object.emit_signal('Detached', null);
        this._object.unexport();
        this._object = null;
    }

    // Quillbox appeared on the bus: watch for it.
    _attach() {
        if (this._signals.length > 0)
            return;
        this._connect(this._selection, 'owner-changed', (selection, type, source) => {
            if (type !== Meta.SelectionType.SELECTION_CLIPBOARD)
                return;
            this._serial++;
            const mimeTypes = source ? source.get_mimetypes() : [];
            const own = source !== null && source === this._ownSource;
            if (!own)
                this._ownSource = null;
            this._object.emit_signal('SelectionChanged', new GLib.Variant('(uassb)',
                [this._serial, mimeTypes, applicationIdOf(global.display.focus_window), own]));
        });
        this._connect(global.display, 'notify::focus-window', () => {
            this._object.emit_signal('FocusChanged',
                new GLib.Variant('(s)', [applicationIdOf(global.display.focus_window)]));
        });
        // Made early: the seat takes a moment to set a new keyboard up.
        const seat = Clutter.get_default_backend().get_default_seat();
        this._keyboard = seat.create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);
        for (const name of SHORTCUTS) {
            Main.wm.addKeybinding(name, this._settings, Meta.KeyBindingFlags.IGNORE_AUTOREPEAT,
                Shell.ActionMode.NORMAL | Shell.ActionMode.OVERVIEW, () => {
                    this._object.emit_signal('ShortcutActivated', new GLib.Variant('(s)', [name]));
                });
        }
        // What changed while the extension was away is Quillbox's to ask.
        this._object.emit_signal('Attached', null);
    }

    // Quillbox left the bus: nothing runs until it comes back.
    _detach() {
        if (this._signals.length === 0)
            return;
        for (const [object, id] of this._signals)
            object.disconnect(id);
        this._signals = [];
        for (const name of SHORTCUTS)
            Main.wm.removeKeybinding(name);
        this._keyboard?.run_dispose();
        this._keyboard = null;
    }

    _connect(object, signal, handler) {
        this._signals.push([object, object.connect(signal, handler)]);
    }

    Ping() {
        return [INTERFACE_VERSION, Config.PACKAGE_VERSION, MultiTypeSource !== null];
    }

    GetSelection() {
        const mimeTypes = this._selection.get_mimetypes(Meta.SelectionType.SELECTION_CLIPBOARD);
        return [this._serial, mimeTypes, applicationIdOf(global.display.focus_window)];
    }

    // Writes one representation of the current contents into the descriptor
    // and closes it; refused for contents that changed since `serial` or that
    // a password manager marked.
    TransferAsync([serial, mimeType, fdIndex], invocation) {
        // Taken out of the message, so that the pipe ends with the stream
        // rather than whenever the message is collected.
        const fds = invocation.get_message().get_unix_fd_list()?.steal_fds() ?? [];
        fds.filter((fd, i) => i !== fdIndex).forEach(fd => GLib.close(fd));
        const stream = new Gio.UnixOutputStream({fd: fds[fdIndex] ?? -1, close_fd: true});
        const offered = this._selection.get_mimetypes(Meta.SelectionType.SELECTION_CLIPBOARD);
        let refusal = null;
        if (serial !== this._serial)
            refusal = ['Stale', 'the clipboard changed since'];
        else if (isConcealed(offered))
            refusal = ['Concealed', 'the contents are marked as secret'];
        else if (!offered.includes(mimeType))
            refusal = ['NotOffered', `${mimeType} is not offered`];
        if (refusal) {
            stream.close(null);
            invocation.return_dbus_error(`${ERROR_PREFIX}.${refusal[0]}`, refusal[1]);
            return;
        }
        const cancellable = new Gio.Cancellable();
        const timeout = GLib.timeout_add(GLib.PRIORITY_DEFAULT, TRANSFER_TIMEOUT_MS, () => {
            cancellable.cancel();
            return GLib.SOURCE_REMOVE;
        });
        this._selection.transfer_async(Meta.SelectionType.SELECTION_CLIPBOARD, mimeType, -1,
            stream, cancellable, (selection, result) => {
                GLib.source_remove(timeout);
                try {
                    selection.transfer_finish(result);
                    invocation.return_value(null);
                } catch (e) {
                    invocation.return_dbus_error(`${ERROR_PREFIX}.Failed`, e.message);
                } finally {
                    stream.close(null);
                }
            });
    }

    // Bytes taken from the message as they are, without a copy into script.
    SetSelectionAsync(params, invocation) {
        const contents = representationsOf(invocation.get_parameters().get_child_value(0));
        if (contents.size > 0) {
            this._ownSource = sourceFor(contents);
            this._selection.set_owner(Meta.SelectionType.SELECTION_CLIPBOARD, this._ownSource);
        }
        invocation.return_value(new GLib.Variant('(u)', [this._serial]));
    }

    GetFocusedApplication() {
        return applicationIdOf(global.display.focus_window);
    }

    // Presses the keys in order and lets them go in reverse ("Control_L",
    // "Shift_L", "v": Clutter's key names), on a keyboard of the Shell's own,
    // so they reach the focused window.
    SendKeys(names) {
        const keys = names.map(name => Clutter[`KEY_${name}`]);
        if (!this._keyboard)
            throw new Error('Quillbox is not on the bus');
        if (keys.some(key => key === undefined))
            throw new Error(`unknown key in ${names.join('+')}`);
        const send = (key, state) =>
            this._keyboard.notify_keyval(GLib.get_monotonic_time(), key, state);
        for (const key of keys)
            send(key, Clutter.KeyState.PRESSED);
        for (const key of keys.reverse())
            send(key, Clutter.KeyState.RELEASED);
    }

    // Centres Quillbox's window of that title on the monitor in use, above
    // the others, and gives it the keyboard or leaves the focus where it is.
    // A window not shown yet is placed as it shows (within a second): the
    // Shell would place it anew then.
    PlaceWindow(pid, title, focus) {
        const matches = w => w.get_pid() === pid && w.get_title() === title;
        const window = global.display.list_all_windows().find(matches);
        if (window?.get_compositor_private()?.visible) {
            this._place(window, focus, null);
            return true;
        }
        // The Shell gives a new window the focus right after showing it.
        const previousFocus = global.display.focus_window;
        const mapped = global.window_manager.connect('map', (wm, actor) => {
            if (!matches(actor.meta_window))
                return;
            cancel();
            this._place(actor.meta_window, focus, previousFocus);
        });
        const timeout = GLib.timeout_add(GLib.PRIORITY_DEFAULT, 1000, () => {
            global.window_manager.disconnect(mapped);
            return GLib.SOURCE_REMOVE;
        });
        const cancel = () => {
            global.window_manager.disconnect(mapped);
            GLib.source_remove(timeout);
        };
        return false;
    }

    _place(window, focus, previousFocus) {
        this._centre(window);
        window.make_above();
        if (focus)
            window.activate(global.get_current_time());
        else if (previousFocus)
            this._keepFocusOn(previousFocus, window);
        this._keepCentred(window);
    }

    _centre(window) {
        const area = window.get_work_area_current_monitor();
        const frame = window.get_frame_rect();
        window.move_frame(true, area.x + Math.floor((area.width - frame.width) / 2),
            area.y + Math.floor((area.height - frame.height) / 2));
    }

    // Once the Shell has finished resizing it: a move while the Shell
    // resizes a Wayland window is lost.
    _centreSoon(window) {
        if (this._centring.has(window))
            return;
        this._centring.add(window);
        GLib.idle_add(GLib.PRIORITY_DEFAULT, () => {
            this._centring.delete(window);
            if (this._centred.has(window))
                this._centre(window);
            return GLib.SOURCE_REMOVE;
        });
    }

    // Quillbox grows and shrinks its windows about their centre as they show
    // and hide, and a Wayland client cannot move itself: the window stays
    // centred as its size changes, until the user moves or resizes it.
    _keepCentred(window) {
        if (this._centred.has(window))
            return;
        const ids = [
            [window, window.connect('size-changed', () => this._centreSoon(window))],
            [window, window.connect('unmanaged', () => stop())],
            [global.display, global.display.connect('grab-op-begin', (display, grabbed) => {
                if (grabbed === window)
                    stop();
            })],
        ];
        const stop = () => {
            ids.forEach(([object, id]) => object.disconnect(id));
            this._centred.delete(window);
        };
        this._centred.set(window, stop);
    }

    // A window that must not take the keyboard gets it anyway when it maps:
    // it goes back to where it was.
    _keepFocusOn(previous, window) {
        const giveBack = () => {
            if (global.display.focus_window === window &&
                global.display.list_all_windows().includes(previous))
                previous.activate(global.get_current_time());
        };
        const id = global.display.connect('notify::focus-window',
            () => GLib.idle_add(GLib.PRIORITY_DEFAULT, () => {
                giveBack();
                return GLib.SOURCE_REMOVE;
            }));
        GLib.timeout_add(GLib.PRIORITY_DEFAULT, 1000, () => {
            global.display.disconnect(id);
            return GLib.SOURCE_REMOVE;
        });
        giveBack();
    }
}
