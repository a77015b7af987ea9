
class Extension {
    enable() {
        const me = ExtensionUtils.getCurrentExtension();
        this._shell = new QuillboxShell(me.dir, ExtensionUtils.getSettings());
        this._shell.enable();
    }

    disable() {
        this._shell.disable();
        this._shell = null;
    }
}

function init() {
    return new Extension();
}
