
export default class QuillboxExtension extends Extension {
    enable() {
        this._shell = new QuillboxShell(this.dir, this.getSettings());
        this._shell.enable();
    }

    disable() {
        this._shell.disable();
        this._shell = null;
    }
}
