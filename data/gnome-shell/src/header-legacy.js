'use strict';

const {Clutter, GLib, GObject, Gio, Meta, Shell} = imports.gi;
const Main = imports.ui.main;
const Config = imports.misc.config;
const ExtensionUtils = imports.misc.extensionUtils;

